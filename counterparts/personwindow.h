#pragma once
// What the address book windows for one person have in common: counterpart codes and their
// household blocks, the field controls bound to a person's record, the household list headed
// 登録済み家族, and a window that refuses to open when there is nothing for it to work on.
//
// Codes are whole numbers kept in a floating-point field and grouped in household blocks of one
// hundred: block n holds n×100+1 to n×100+99. The first member of a new household gets n×100+1,
// each further member the household's last code plus one.

#include "data/cursor.h"

#include <QDialog>
#include <QString>

#include <array>

class QLabel;
class TColorButton;
class TDBCheckBox;
class TDBEdit;
class TDBGrid;
class TDBMemo;
class TDataSource;

namespace mz::counterparts {

inline const QString kAddressBook = QStringLiteral("Aitesaki.DBF");
inline const QString kCodeField = QStringLiteral("相手先コード");
inline const QString kHeadField = QStringLiteral("世帯代表");

// The shortest decimal text of a code (401, not 401.0).
QString codeText(double code);
// A code as the 32-bit integer the windows hand on: rounded, clamped, 0 for a non-number.
qint32 intCode(double value);

// trunc(code / 100) × 100: the base of the household block holding `code`.
double householdBase(double code);
// The household holding `code`: ((相手先コード>300) and (相手先コード<400)) for 302.
QString householdFilter(double code);
// The one person numbered `code`: 相手先コード= 302.
QString personFilter(qint32 code);
// The code of a new household after the highest code in the book: (trunc(c/100)+1)×100+1.
double newHouseholdCode(double highest);
// The first code of an empty address book.
inline constexpr double kFirstCode = 101;
// Whether `code` still lies inside the block of household member `member` (at most n×100+99).
bool inHousehold(double code, double member);

// FormCreate of the edit, delete and search windows: `household` (filtering on) gets the household
// of `code`, `person` (ordered by code, filtering on) the one-person filter of `code`. Returns
// whether the person is there.
bool selectPerson(data::Cursor& person, data::Cursor& household, qint32 code);

// Opens the address book twice, as every person window holds it: `person` (Table1) and
// `household` (Table2), each with its data source (DataSource1, DataSource2), children of
// `window` under those object names. An error here means the window is not created.
struct PersonTables {
    data::Cursor* person;
    data::Cursor* household;
    TDataSource* personSource;
    TDataSource* householdSource;
};
PersonTables openPersonTables(QObject* window);

// The field controls every person window shows, in tab order.
struct PersonFields {
    std::array<TDBEdit*, 10> edits{};  // 相手先コード 氏名 フリガナ 〒 住所1 住所2 自宅電話 携帯電話 ＦＡＸ Email
    TDBMemo* memo = nullptr;           // メモ
    TDBCheckBox* head = nullptr;       // 世帯代表 (never shown)
    std::array<QLabel*, 11> labels{};  // the captions of the boxes, memo last
};

template <class Form>
PersonFields personFields(Form& f) {
    return PersonFields{
        {f.DBEdit1, f.DBEdit2, f.DBEdit3, f.DBEdit4, f.DBEdit5, f.DBEdit6, f.DBEdit7, f.DBEdit8,
         f.DBEdit9, f.DBEdit10},
        f.DBMemo1,
        f.DBCheckBox1,
        {f.Label2, f.Label3, f.Label4, f.Label5, f.Label6, f.Label7, f.Label8, f.Label9, f.Label10,
         f.Label11, f.Label12},
    };
}

// How the boxes take input: Editable lets the user change every field but the code, ReadOnly
// only shows the record.
enum class FieldAccess { Editable, ReadOnly };

// The window of one person: "ＭＳ ゴシック" 12 px, the blue bold heading, fixed client size,
// centred on the screen; the fields bound to `source` with their input methods and widths.
void setupPersonWindow(QDialog* window, QLabel* heading, const PersonFields& fields,
                       TDataSource* source, FieldAccess access);
// The household list: the lime caption 登録済み家族 and the read-only grid of codes and names.
void setupHouseholdList(QLabel* panel, TDBGrid* grid, TDataSource* source);
// Captions of the coloured buttons in "ＭＳ Ｐゴシック" 13 px, black.
void styleButtons(std::initializer_list<TColorButton*> buttons);

// A dialog that can decide while it is created that it has nothing to work on: it then tells
// the user why and closes as soon as it would be shown, without ever appearing.
class PersonWindow : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // The window will not open: `message` is shown now (over the opener) and the window closes
    // when it is shown, or at once when it is already visible.
    void refuseOpening(const QString& message);
    bool refused() const { return refused_; }

    void setVisible(bool visible) override;

private:
    bool refused_ = false;
};

}  // namespace mz::counterparts
