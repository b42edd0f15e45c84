#pragma once
// The about box: program name, version and icon; OK or Enter closes it.

#include "ui_TMizorel_verForm.h"

#include <QDialog>

class TMizorel_verForm : public QDialog, public Ui::TMizorel_verForm {
    Q_OBJECT
public:
    explicit TMizorel_verForm(QWidget* owner = nullptr);
    ~TMizorel_verForm() override;
};
