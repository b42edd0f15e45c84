#pragma once
// The family list (Kazoku.dbf) as the family windows show it.

#include <QString>

class QLabel;
class TDBGrid;

namespace mz::masters {

inline const char16_t kFamilyTable[] = u"Kazoku.dbf";
inline const char16_t kFamilyCodeField[] = u"家族コード";
inline const char16_t kFamilyNameField[] = u"家族名";
inline constexpr int kFamilyNameBytes = 10;  // width of 家族名
inline const char16_t kFamilyNameTip[] = u"名前のみを入力してください";

// Columns 家族コード (centred) and 家族の名前.
void setupFamilyGrid(TDBGrid* grid);

// The lime caption bar "登録済み家族" above the list.
void styleCaptionBar(QLabel* bar);

}  // namespace mz::masters
