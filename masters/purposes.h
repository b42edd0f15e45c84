#pragma once
// The purpose list as the four purpose windows show it: five fixed categories, one tab each,
// the table ordered by its tag 目的区分 and filtered to the category of the selected tab.

#include "data/cursor.h"

#include <QString>

#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class TComboBox;
class TDBEdit;
class TDBGrid;
class TTabControl;

namespace mz::masters {

// One category: the text of its tab, its text as stored in 目的区分 (and offered by the
// category box), its 区分番号.
struct PurposeCategory {
    QString tabText;
    QString text;
    int number;
};

// The five categories in tab order: お祝い, 一般行事, お返し, お見舞い, 弔事全般.
const std::vector<PurposeCategory>& purposeCategories();

// "(目的区分='お祝い')": the filter text of a category (a quote inside it doubled).
QString purposeCategoryFilter(const QString& categoryText);

// The 区分番号 of a category text, compared exactly as it will be stored (trailing blanks
// dropped); nothing for a text that is none of the five.
std::optional<int> purposeCategoryNumber(const QString& text);

inline const char16_t kPurposeTable[] = u"Moku.dbf";
inline const char16_t kCodeField[] = u"目的コード";
inline const char16_t kNameField[] = u"目的";
inline const char16_t kCategoryField[] = u"目的区分";
inline const char16_t kNumberField[] = u"区分番号";
inline const char16_t kCategoryTag[] = u"目的区分";

// The five tabs, the first one selected.
void setupCategoryTabs(TTabControl* tabs);

// Columns of the list: code, name and category; the selection window shows code and name only.
void setupPurposeGrid(TDBGrid* grid, bool selectionColumns);

// The list as a window opens it: first tab, ordered by the tag 目的区分, filtering on, the first
// category's filter.
void showFirstCategory(data::Cursor& table, TTabControl* tabs);

// The category of the selected tab (compared without regard to letter case).
void showSelectedCategory(data::Cursor& table, const TTabControl* tabs);

// The three boxes of the registration, edit and delete windows: code (disabled, read-only,
// right-aligned), name and category, each taking at most the width of its field in CP932 bytes.
void setupPurposeBoxes(QLineEdit* code, TDBEdit* name, TComboBox* category);

// Writes a typed category into the record being edited or appended: 目的区分 as typed, 区分番号
// when the text is one of the five (otherwise 区分番号 keeps what it holds).
void writeCategory(data::Cursor& table, const QString& categoryText);

// The edit and delete windows' boxes showing the current record.
struct PurposeBoxes {
    QLineEdit* code;
    QLineEdit* name;
    TComboBox* category;

    void showCurrent(const data::Cursor& table) const;
    void clear() const;
};

// Whether there is a current record and its code is 1.
bool currentCodeIsOne(const data::Cursor& table, const QString& codeField);

}  // namespace mz::masters

namespace mz::masters {

class RecordMoveWatch;

// The part the edit and delete windows share: the list by category and the boxes that show the
// record the user clicked. A click on a row shows it; any other move to another record empties
// the boxes, except onto the record whose code is 1, and the grid receiving the focus on that
// record shows it.
class PurposePicker {
public:
    PurposePicker(data::Cursor* table, TTabControl* tabs, PurposeBoxes boxes, QObject* owner);

    void formCreate();      // empty boxes, first category
    void tabChange();       // the selected tab's category
    void cellClick();       // the current record into the boxes
    void gridEnter();       // the same when the current code is 1
    void afterScroll();     // empties the boxes unless the current code is 1
    RecordMoveWatch* watch() const { return watch_; }

private:
    data::Cursor* table_;
    TTabControl* tabs_;
    PurposeBoxes boxes_;
    RecordMoveWatch* watch_;
};

}  // namespace mz::masters
