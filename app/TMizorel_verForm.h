#pragma once
// The about box: program name, version and icon; OK or Enter closes it.

#include <QDialog>

#include <memory>

namespace Ui {
class TMizorel_verForm;
}

class TMizorel_verForm : public QDialog {
    Q_OBJECT
public:
    explicit TMizorel_verForm(QWidget* owner = nullptr);
    ~TMizorel_verForm() override;

    std::unique_ptr<Ui::TMizorel_verForm> ui;
};
