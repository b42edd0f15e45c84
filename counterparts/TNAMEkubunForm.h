#pragma once
// The registration-kind window: a new counterpart (新規登録) or a further family member of a
// counterpart already registered (既登録者の家族追加). Opened with NameSelectMode kNameAddFamily,
// which it passes on unchanged to the selection window that the second kind opens.

#include "ui_TNAMEkubunForm.h"

#include <QDialog>

class TNAMEkubunForm : public QDialog, public Ui::TNAMEkubunForm {
    Q_OBJECT
public:
    explicit TNAMEkubunForm(QWidget* parent = nullptr);
    ~TNAMEkubunForm() override;

public Q_SLOTS:
    void ColorButton1Click();  // 確認
    void ColorButton2Click();  // 戻る
};
