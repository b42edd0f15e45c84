#pragma once
// The counterpart selection window: the address book (Aitesaki.DBF) listed by the kana row of
// each person's reading, one tab per row ア to ワ. What a pick does depends on NameSelectMode:
// 150 and 160 hand the picked name back to a ledger window and close; 110 to 140 hand the
// picked code to the add-family, edit, delete or search window and stay open for the next pick.

#include "data/cursor.h"
#include "ui_TNAMEsentakuForm.h"

#include <QDialog>
#include <QStringList>

class TDataSource;

namespace mz::counterparts {

// The kana rows of the tabs, in tab order: ア カ サ タ ナ ハ マ ヤ ラ ワ.
inline constexpr int kKanaRowCount = 10;

// The half-width katakana letters with which the readings of tab `tab` begin; empty for an
// index outside the tabs.
QStringList kanaRowPrefixes(int tab);

// The filter of tab `tab`: one prefix match on フリガナ per letter of the row, joined by "or":
// ((フリガナ='ｱ*') or (フリガナ='ｲ*') or ...). An index outside the tabs gives an empty text.
QString kanaRowFilter(int tab);

// The heading of the window in a mode; the design text "相手先の選択" for a mode that is not
// one of the modes of the table (110 to 170).
QString selectionHeading(qint32 mode);

}  // namespace mz::counterparts

class TNAMEsentakuForm : public QDialog, public Ui::TNAMEsentakuForm {
    Q_OBJECT
public:
    explicit TNAMEsentakuForm(QWidget* parent = nullptr);
    ~TNAMEsentakuForm() override;

    // The address book ordered by reading under the filter of the selected tab. The delete
    // window re-reads it after a delete.
    mz::data::Cursor* Table1 = nullptr;
    TDataSource* DataSource1 = nullptr;

public Q_SLOTS:
    void FormCreate();
    void TabControl1Change();
    void DBGrid1DblClick();
    void ColorButton1Click();  // 選択
    void ColorButton2Click();  // 戻る

private:
    void pick();
};
