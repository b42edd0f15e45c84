#pragma once
// Selection of a purpose for a ledger window. The opener sets PurposeSelectMode: in mode 310 the
// picked purpose's name goes to EntryPurpose, in mode 320 to SelectedPurpose; then the window
// closes. Leaving without a pick writes nothing.

#include <QDialog>

#include <memory>

namespace Ui {
class TMOKUsentakuForm;
}
namespace mz::data {
class Cursor;
}
class TDataSource;

class TMOKUsentakuForm : public QDialog {
    Q_OBJECT
public:
    explicit TMOKUsentakuForm(QWidget* parent = nullptr);
    ~TMOKUsentakuForm() override;

    std::unique_ptr<Ui::TMOKUsentakuForm> ui;
    mz::data::Cursor* Table1;
    TDataSource* DataSource1;

public Q_SLOTS:
    void FormCreate();
    void TabControl1Change();
    void ColorButton1Click();
    void DBGrid1DblClick();
    void ColorButton2Click();
};
