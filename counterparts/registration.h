#pragma once
// The steps both registration windows share.

#include <QString>

class QWidget;
class TDBEdit;

namespace mz::data {
class Cursor;
}

namespace mz::counterparts {

inline const QString kRegistered = QStringLiteral("データが登録されました。");
inline const QString kFieldsMissing = QStringLiteral("氏名又はフリガナの項目が設定されていません。");
inline const QString kHouseholdFull =
    QStringLiteral("この世帯には既に99人が登録されているため、これ以上家族を追加できません。");
inline const QString kPersonMissing =
    QStringLiteral("選択された相手先が見つかりません。既に削除されている可能性があります。");

// The code, 氏名 and フリガナ boxes all hold text (blanks count); otherwise the message is shown
// and false returned.
bool requiredFieldsFilled(QWidget* window, TDBEdit* code, TDBEdit* name, TDBEdit* reading);

// Appends an empty record to `table` with `code` shown in the code box and 世帯代表 = head.
void appendPerson(data::Cursor& table, TDBEdit* codeBox, double code, bool head);

}  // namespace mz::counterparts
