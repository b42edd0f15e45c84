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

// The code shown is the one expected; these make the post decide it again under the table's
// lock, where no other Mizorel registering at the same moment can take it too. A new household
// gets the first code of the block after the highest code (kFirstCode in an empty book); a new
// member of the household holding `member` gets the household's highest code plus one, and the
// post is refused when the household is full or gone.
void numberNewHouseholds(data::Cursor& table);
void numberHouseholdMembers(data::Cursor& table, double member);

// Posts the prepared person. False, after telling the user, when the person was stored although
// a later write failed: the window then goes on as after a post, never storing it twice.
bool postPerson(data::Cursor& table);

}  // namespace mz::counterparts
