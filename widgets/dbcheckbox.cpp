#include "widgets/dbcheckbox.h"

#include "platform/errorreport.h"

#include <QApplication>
#include <QScopedValueRollback>

using mz::widgets::FieldLink;

TDBCheckBox::TDBCheckBox(QWidget* parent) : QCheckBox(parent) {
    init();
}

TDBCheckBox::TDBCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    init();
}

void TDBCheckBox::init() {
    link_ = new FieldLink(this);
    connect(link_, &FieldLink::refresh, this, [this] { showField(); });
}

TDBCheckBox::~TDBCheckBox() {
    disconnect(link_, nullptr, this, nullptr);
}

TDataSource* TDBCheckBox::dataSource() const {
    return link_->dataSource();
}

void TDBCheckBox::setDataSource(TDataSource* source) {
    link_->setDataSource(source);
}

QString TDBCheckBox::dataField() const {
    return link_->fieldName();
}

void TDBCheckBox::setDataField(const QString& field) {
    link_->setFieldName(field);
}

void TDBCheckBox::showField() {
    if (!link_->isBound()) return;
    const mz::data::Value v = link_->value();
    const bool* b = std::get_if<bool>(&v);
    QScopedValueRollback guard(showing_, true);
    setChecked(b && *b);
}

void TDBCheckBox::nextCheckState() {
    // A click by the user.
    if (link_->isBound()) {
        try {
            if (!link_->beginUserChange()) {
                QApplication::beep();
                return;
            }
        } catch (...) {
            mz::platform::reportCurrentException();
            return;
        }
    }
    {
        QScopedValueRollback guard(showing_, true);  // written below, once
        QCheckBox::nextCheckState();
    }
    if (link_->isBound()) link_->write(isChecked());
}

void TDBCheckBox::checkStateSet() {
    QCheckBox::checkStateSet();
    if (showing_ || !link_->isActive() || !link_->isEditing()) return;
    link_->write(isChecked());
}
