#include "reception/TGYOJIsentakuForm.h"

#include "data/cp932.h"
#include "data/cursor.h"
#include "masters/purposes.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "reception/TUKEregiForm.h"
#include "reception/TUKEsimeForm.h"
#include "widgets/format.h"
#include "widgets/textinput.h"

#include <QHeaderView>
#include <QKeyEvent>

using namespace Qt::StringLiterals;
using mz::widgets::ImeMode;

namespace {

const QString kNoEventChosen = u"一覧から行事を選んでください。"_s;
const QString kDeskNameMissing = u"この受付の名前を入力してください。"_s;

void limit(QLineEdit* edit, int bytes, ImeMode mode) {
    auto* in = new mz::widgets::LineInput(edit);
    in->setMaxBytes(bytes);
    (new mz::widgets::ImeModeKeeper(edit))->setMode(mode);
}

}  // namespace

TGYOJIsentakuForm::TGYOJIsentakuForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    limit(Edit1, 40, ImeMode::Hiragana);
    limit(Edit2, 16, ImeMode::Hiragana);
    limit(ComboBox1->lineEdit(), 12, ImeMode::Hiragana);
    limit(ComboBox2->lineEdit(), 10, ImeMode::Hiragana);
    TableWidget1->setColumnCount(5);
    TableWidget1->setHorizontalHeaderLabels({u"番号"_s, u"日付"_s, u"行事名"_s, u"目的"_s, u"家族名"_s});
    TableWidget1->verticalHeader()->setVisible(false);
    TableWidget1->setColumnWidth(0, 40);
    TableWidget1->setColumnWidth(1, 90);
    TableWidget1->setColumnWidth(2, 260);
    TableWidget1->horizontalHeader()->setStretchLastSection(true);
    connect(ColorButton1, &TColorButton::clicked, this, mz::platform::guarded(this, &TGYOJIsentakuForm::ColorButton1Click));
    connect(ColorButton2, &TColorButton::clicked, this, mz::platform::guarded(this, &TGYOJIsentakuForm::ColorButton2Click));
    connect(ColorButton3, &TColorButton::clicked, this, mz::platform::guarded(this, &TGYOJIsentakuForm::ColorButton3Click));
    connect(ColorButton4, &TColorButton::clicked, this, mz::platform::guarded(this, &TGYOJIsentakuForm::ColorButton4Click));
    TableWidget1->installEventFilter(this);
    connect(TableWidget1, &QTableWidget::cellDoubleClicked, this,
            mz::platform::guarded(this, &TGYOJIsentakuForm::ColorButton2Click));
    mz::platform::runCreationHandler([this] { FormCreate(); });
}

void TGYOJIsentakuForm::FormCreate() {
    DateEdit1->setDate(QDate::currentDate());
    Edit2->setText(mz::state().DeskName.isEmpty() ? mz::reception::defaultDeskName() : mz::state().DeskName);
    mz::data::Cursor purposes;
    purposes.open(QString::fromUtf16(mz::masters::kPurposeTable));
    for (purposes.first(); !purposes.eof(); purposes.next())
        ComboBox1->addItem(purposes.text(QString::fromUtf16(mz::masters::kNameField)));
    mz::data::Cursor family;
    family.open(u"Kazoku.dbf"_s);
    for (family.first(); !family.eof(); family.next()) ComboBox2->addItem(family.text(u"家族名"_s));
    ComboBox2->setCurrentIndex(-1);  // the family member is chosen, not taken by default
    const int koden = ComboBox1->findText(u"香典"_s);
    ComboBox1->setCurrentIndex(koden);
    if (koden < 0) ComboBox1->setEditText(u"香典"_s);
    showEvents();
    if (TableWidget1->rowCount() > 0)
        TableWidget1->setFocus();
    else
        Edit1->setFocus();
}

// Enter on the list of events resumes the chosen one, as a double click does.
bool TGYOJIsentakuForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TableWidget1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            mz::platform::guarded(this, &TGYOJIsentakuForm::ColorButton2Click)();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TGYOJIsentakuForm::showEvents() {
    events_ = mz::reception::events();
    TableWidget1->setRowCount(static_cast<int>(events_.size()));
    for (int r = 0; r < static_cast<int>(events_.size()); ++r) {
        const auto& e = events_[static_cast<size_t>(r)];
        const QStringList cells{QString::number(e.number), mz::format::formatDate(e.date), e.name, e.purpose, e.family};
        for (int c = 0; c < cells.size(); ++c) TableWidget1->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    if (!events_.empty()) TableWidget1->setCurrentCell(0, 0);
}

const mz::reception::Event* TGYOJIsentakuForm::selectedEvent() const {
    const int row = TableWidget1->currentRow();
    if (row < 0 || row >= static_cast<int>(events_.size())) return nullptr;
    return &events_[static_cast<size_t>(row)];
}

bool TGYOJIsentakuForm::takeDeskName() {
    const QString name = Edit2->text().trimmed();
    if (name.isEmpty()) {
        mz::platform::notice(this, mz::platform::padded(kDeskNameMissing));
        Edit2->setFocus();
        return false;
    }
    mz::state().DeskName = name;
    return true;
}

void TGYOJIsentakuForm::ColorButton1Click() {
    if (Edit1->text().trimmed().isEmpty()) {
        mz::platform::notice(this, mz::platform::padded(u"行事名を入力してください。"_s));
        Edit1->setFocus();
        return;
    }
    if (!takeDeskName()) return;
    const mz::reception::Event e = mz::reception::createEvent(
        {0, Edit1->text(), DateEdit1->date(), ComboBox1->currentText().trimmed(), ComboBox2->currentText().trimmed()});
    Edit1->clear();
    showEvents();
    mz::state().CurrentEvent = e.number;
    mz::platform::openModal(this, mz::state().UKEregiForm);
    showEvents();
}

void TGYOJIsentakuForm::ColorButton2Click() {
    const mz::reception::Event* e = selectedEvent();
    if (!e) {
        mz::platform::notice(this, mz::platform::padded(kNoEventChosen));
        return;
    }
    if (!takeDeskName()) return;
    mz::state().CurrentEvent = e->number;
    mz::platform::openModal(this, mz::state().UKEregiForm);
}

void TGYOJIsentakuForm::ColorButton3Click() {
    const mz::reception::Event* e = selectedEvent();
    if (!e) {
        mz::platform::notice(this, mz::platform::padded(kNoEventChosen));
        return;
    }
    mz::state().CurrentEvent = e->number;
    mz::platform::openModal(this, mz::state().UKEsimeForm);
}

void TGYOJIsentakuForm::ColorButton4Click() { close(); }
