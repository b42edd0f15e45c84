#include "reception/TUKEregiForm.h"

#include "counterparts/registration.h"
#include "data/cp932.h"
#include "data/table.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "reception/TUKEsimeForm.h"
#include "widgets/format.h"
#include "widgets/kana.h"
#include "widgets/textinput.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

using namespace Qt::StringLiterals;
using mz::reception::Entry;
using mz::reception::Person;
using mz::widgets::ImeMode;

namespace {

const QString kNewPerson = u"＋ 新しい相手先として登録"_s;
const QString kPickPerson = u"相手先を選んでください。フリガナか氏名を入力して Enter を押します。"_s;
const QString kAmountMissing = u"金額を入力してください（品物だけのときは備考に入力します）。"_s;
const QString kSelectEntry = u"一覧から受付を選んでください。"_s;
const QStringList kRelations{u"会社関係"_s, u"親族"_s, u"友人"_s, u"近所"_s, u"知人"_s, u"学校関係"_s};
constexpr int kMatchLimit = 30;
// Yen amounts are typed as plain digits: up to ten of them (under ten thousand million).
constexpr int kAmountDigits = 10;

// Whether a text is kana only (then it is a reading rather than a name).
bool isKana(const QString& s) {
    if (s.trimmed().isEmpty()) return false;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        const bool kana = (u >= 0x3041 && u <= 0x309F) || (u >= 0x30A0 && u <= 0x30FF) ||
                          (u >= 0xFF61 && u <= 0xFF9F) || u == u' ' || u == 0x3000;
        if (!kana) return false;
    }
    return true;
}

void limit(QLineEdit* edit, int bytes, ImeMode mode) {
    auto* in = new mz::widgets::LineInput(edit);
    in->setMaxBytes(bytes);
    in->setHalfKatakana(mode == ImeMode::HalfKatakana);
    (new mz::widgets::ImeModeKeeper(edit))->setMode(mode);
}

}  // namespace

TUKEregiForm::TUKEregiForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    QString deskName = mz::state().DeskName;
    if (deskName.trimmed().isEmpty()) deskName = mz::reception::defaultDeskName();
    desk_ = std::make_unique<mz::reception::Desk>(mz::state().CurrentEvent, deskName);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(1000);

    limit(Edit1, 16, ImeMode::Hiragana);
    limit(Edit2, 16, ImeMode::Hiragana);
    limit(Edit3, 16, ImeMode::HalfKatakana);
    limit(Edit4, 8, ImeMode::Off);
    limit(Edit5, 38, ImeMode::Hiragana);
    limit(Edit6, 38, ImeMode::Hiragana);
    limit(Edit7, 12, ImeMode::Off);
    limit(Edit9, 200, ImeMode::Hiragana);
    auto* amount = new mz::widgets::LineInput(Edit8);
    amount->setMaxChars(kAmountDigits);
    amount->setAcceptor([](const QString& t) {
        return std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    });
    (new mz::widgets::ImeModeKeeper(Edit8))->setMode(ImeMode::Off);
    ComboBox1->addItems(kRelations);
    limit(ComboBox1->lineEdit(), 16, ImeMode::Hiragana);

    TableWidget1->setColumnCount(5);
    TableWidget1->setHorizontalHeaderLabels({u"受付番号"_s, u"氏名"_s, u"金額"_s, u"関係"_s, u"備考"_s});
    TableWidget1->verticalHeader()->setVisible(false);
    TableWidget1->verticalHeader()->setDefaultSectionSize(20);  // more guests in sight
    TableWidget1->setColumnWidth(0, 100);
    TableWidget1->setColumnWidth(1, 120);
    TableWidget1->setColumnWidth(2, 85);
    TableWidget1->setColumnWidth(3, 75);
    TableWidget1->horizontalHeader()->setStretchLastSection(true);

    for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3),
                       static_cast<QWidget*>(Edit4), static_cast<QWidget*>(Edit5), static_cast<QWidget*>(Edit6),
                       static_cast<QWidget*>(Edit7), static_cast<QWidget*>(Edit8),
                       static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(ComboBox1->lineEdit()),
                       static_cast<QWidget*>(Edit9)})
        w->installEventFilter(this);

    connect(Edit1, &QLineEdit::textEdited, this, mz::platform::guarded(this, &TUKEregiForm::Edit1Change));
    connect(Edit8, &QLineEdit::textChanged, this, mz::platform::guarded(this, &TUKEregiForm::Edit8Change));
    connect(ListWidget1, &QListWidget::itemDoubleClicked, this, mz::platform::guarded(this, &TUKEregiForm::Edit1Enter));
    connect(ColorButton1, &TColorButton::clicked, this, mz::platform::guarded(this, &TUKEregiForm::ColorButton1Click));
    connect(ColorButton2, &TColorButton::clicked, this, mz::platform::guarded(this, &TUKEregiForm::ColorButton2Click));
    connect(ColorButton3, &TColorButton::clicked, this, mz::platform::guarded(this, &TUKEregiForm::ColorButton3Click));
    connect(ColorButton4, &TColorButton::clicked, this, mz::platform::guarded(this, &TUKEregiForm::ColorButton4Click));
    connect(Timer1, &QTimer::timeout, this, mz::platform::guarded(this, &TUKEregiForm::Timer1Timer));
    connect(TableWidget1, &QTableWidget::cellDoubleClicked, this,
            mz::platform::guarded(this, &TUKEregiForm::ColorButton1Click));
    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TUKEregiForm::~TUKEregiForm() = default;

void TUKEregiForm::FormCreate() {
    const mz::reception::Event& e = desk_->event();
    Label1->setText(u"受付　%1"_s.arg(e.name));
    QStringList info{mz::format::formatDate(e.date)};
    if (!e.purpose.isEmpty()) info << u"目的 %1"_s.arg(e.purpose);
    if (!e.family.isEmpty()) info << u"家族 %1"_s.arg(e.family);
    info << u"この受付：%1"_s.arg(desk_->deskName());
    Label2->setText(info.join(u"　"_s));
    showEntries();
    ClearGuest();
    Timer1->start();
}

bool TUKEregiForm::newPersonOpen() const { return Edit2->isEnabled(); }

void TUKEregiForm::ClearGuest() {
    editing_.reset();
    picked_.reset();
    matches_.clear();
    Edit1->setReadOnly(false);
    Edit1->clear();
    ListWidget1->clear();
    Label5->clear();
    for (QLineEdit* e : {Edit2, Edit3, Edit4, Edit5, Edit6, Edit7}) {
        e->clear();
        e->setEnabled(false);
    }
    Edit8->clear();
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QString());
    Edit9->clear();
    Edit1->setFocus();
}

void TUKEregiForm::Edit1Change() {
    if (editing_) return;
    picked_.reset();
    Label5->clear();
    if (newPersonOpen())
        for (QLineEdit* e : {Edit2, Edit3, Edit4, Edit5, Edit6, Edit7}) {
            e->clear();
            e->setEnabled(false);
        }
    ListWidget1->clear();
    matches_ = desk_->match(Edit1->text(), kMatchLimit);
    if (Edit1->text().trimmed().isEmpty()) return;
    for (const Person& p : matches_)
        ListWidget1->addItem(u"%1　%2　%3"_s.arg(p.reading, p.name, p.address()));
    ListWidget1->addItem(kNewPerson);
    ListWidget1->setCurrentRow(0);
}

void TUKEregiForm::showPerson(const Person& p) {
    picked_ = p;
    Edit1->setText(p.name);
    Label5->setText(p.address().isEmpty() ? u"（住所なし）"_s : (p.zip.isEmpty() ? QString() : u"〒"_s + p.zip + u' ') + p.address());
    ListWidget1->clear();
    Edit8->setFocus();
}

void TUKEregiForm::openNewPerson() {
    const QString typed = Edit1->text().trimmed();
    ListWidget1->clear();
    Label5->setText(u"新しい相手先（新しい世帯として登録します）"_s);
    for (QLineEdit* e : {Edit2, Edit3, Edit4, Edit5, Edit6, Edit7}) e->setEnabled(true);
    if (isKana(typed)) {
        Edit3->setText(mz::widgets::toHalfWidthKatakana(typed));
        Edit2->setFocus();
    } else {
        Edit2->setText(typed);
        Edit3->setFocus();
    }
}

void TUKEregiForm::Edit1Enter() {
    if (editing_ || picked_) {
        Edit8->setFocus();
        return;
    }
    if (newPersonOpen()) {  // back on the search box of a new person: on to the person's fields
        Edit2->setFocus();
        return;
    }
    const int row = ListWidget1->currentRow();
    if (Edit1->text().trimmed().isEmpty() || row < 0) {
        QApplication::beep();
        return;
    }
    if (row < static_cast<int>(matches_.size()))
        showPerson(matches_[static_cast<size_t>(row)]);
    else
        openNewPerson();
}

void TUKEregiForm::Edit8Change() {
    const std::optional<double> v = mz::format::parseInteger(Edit8->text(), 0, 1e10);
    Label13->setText(v ? mz::format::formatYen(*v) : QString());
}

void TUKEregiForm::moveOn(QWidget* from) {
    if (from == Edit1) return Edit1Enter();
    if (from == ComboBox1 || from == ComboBox1->lineEdit()) return Edit9->setFocus();
    if (from == Edit9) return StoreGuest();
    if (from == Edit7) return Edit8->setFocus();
    if (from == Edit8) return ComboBox1->setFocus();
    focusNextChild();
}

bool TUKEregiForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    QWidget* w = static_cast<QWidget*>(watched);
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            mz::platform::guarded([this, w] { moveOn(w); })();
            return true;
        case Qt::Key_Down:
        case Qt::Key_Up:
            if (watched == Edit1 && ListWidget1->count() > 0) {
                const int step = key->key() == Qt::Key_Down ? 1 : -1;
                ListWidget1->setCurrentRow(std::clamp(ListWidget1->currentRow() + step, 0, ListWidget1->count() - 1));
                return true;
            }
            break;
        case Qt::Key_Escape:
            // Esc gives up the guest being typed (or the correction), never the window.
            ClearGuest();
            return true;
        default: break;
    }
    return QDialog::eventFilter(watched, event);
}

void TUKEregiForm::StoreGuest() {
    std::optional<double> amount;
    if (!Edit8->text().isEmpty()) amount = mz::format::parseInteger(Edit8->text(), 0, 1e10);
    if (!amount && Edit9->text().trimmed().isEmpty()) {
        mz::platform::notice(this, mz::platform::padded(kAmountMissing));
        Edit8->setFocus();
        return;
    }
    if (editing_) {
        desk_->correct(*editing_, amount, ComboBox1->currentText(), Edit9->text());
        showEntries();
        ClearGuest();
        return;
    }
    mz::reception::Guest g;
    if (picked_) {
        g.code = picked_->code;
    } else if (newPersonOpen()) {
        if (Edit2->text().trimmed().isEmpty() || Edit3->text().trimmed().isEmpty()) {
            mz::platform::notice(this, mz::platform::padded(mz::counterparts::kFieldsMissing));
            (Edit2->text().trimmed().isEmpty() ? Edit2 : Edit3)->setFocus();
            return;
        }
        g.newPerson = {0, Edit2->text(), Edit3->text(), Edit4->text(), Edit5->text(), Edit6->text(), Edit7->text()};
    } else {
        mz::platform::notice(this, mz::platform::padded(kPickPerson));
        Edit1->setFocus();
        return;
    }
    g.amount = amount;
    g.relation = ComboBox1->currentText();
    g.memo = Edit9->text();
    try {
        desk_->store(g);
    } catch (const mz::data::ChangeStoredError&) {
        // The guest is stored although a write failed: the list shows the guest and the form is
        // cleared, so that the same guest is not taken twice; the error display says the rest.
        desk_->refresh();
        showEntries();
        ClearGuest();
        throw;
    }
    showEntries();
    ClearGuest();
}

void TUKEregiForm::showEntries() {
    const quint32 selected = [&]() -> quint32 {
        const int row = TableWidget1->currentRow();
        if (row < 0 || row >= TableWidget1->rowCount()) return 0;
        return TableWidget1->item(row, 0)->data(Qt::UserRole).toUInt();
    }();
    const std::vector<Entry>& entries = desk_->entries();
    TableWidget1->setRowCount(static_cast<int>(entries.size()));
    int reselect = -1;
    for (int r = 0; r < static_cast<int>(entries.size()); ++r) {
        const Entry& e = entries[static_cast<size_t>(r)];
        const QStringList cells{e.number, e.name, e.amount ? mz::format::formatYen(*e.amount) : QString(),
                                e.relation, e.memo.section(u'\n', 0, 0)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            TableWidget1->setItem(r, c, item);
        }
        TableWidget1->item(r, 0)->setData(Qt::UserRole, e.recno);
        if (e.recno == selected) reselect = r;
        if (!e.relation.isEmpty() && ComboBox1->findText(e.relation) < 0) ComboBox1->addItem(e.relation);
    }
    if (reselect >= 0) TableWidget1->setCurrentCell(reselect, 0);
    Label17->setText(u"受付 %1 件　合計 %2"_s.arg(desk_->count()).arg(mz::format::formatYen(desk_->total())));
}

void TUKEregiForm::ColorButton1Click() {
    const int row = TableWidget1->currentRow();
    if (row < 0 || row >= static_cast<int>(desk_->entries().size())) {
        mz::platform::notice(this, mz::platform::padded(kSelectEntry));
        return;
    }
    const Entry e = desk_->entries()[static_cast<size_t>(row)];
    ClearGuest();
    editing_ = e;
    Edit1->setText(e.name);
    Edit1->setReadOnly(true);
    Label5->setText(u"受付番号 %1 を修正しています（Esc で取り消し）"_s.arg(e.number));
    Edit8->setText(e.amount ? mz::format::formatNumber(*e.amount) : QString());
    ComboBox1->setEditText(e.relation);
    Edit9->setText(e.memo);
    Edit8->setFocus();
}

void TUKEregiForm::ColorButton2Click() {
    const int row = TableWidget1->currentRow();
    if (row < 0 || row >= static_cast<int>(desk_->entries().size())) {
        mz::platform::notice(this, mz::platform::padded(kSelectEntry));
        return;
    }
    const Entry e = desk_->entries()[static_cast<size_t>(row)];
    const QString amount = e.amount ? mz::format::formatYen(*e.amount) : QString();
    if (!mz::platform::askYesNo(this, u"確認"_s,
                                u"受付番号 %1　%2 様　%3\nこの受付を削除しますか？"_s.arg(e.number, e.name, amount)))
        return;
    if (editing_ && editing_->recno == e.recno) ClearGuest();
    desk_->remove(e);
    showEntries();
    Edit1->setFocus();
}

void TUKEregiForm::ColorButton3Click() {
    Timer1->stop();
    struct Restart {
        QTimer* t;
        ~Restart() { t->start(); }
    } restart{Timer1};
    mz::platform::openModal(this, mz::state().UKEsimeForm);
    if (desk_->refresh()) showEntries();
}

void TUKEregiForm::ColorButton4Click() { close(); }

void TUKEregiForm::Timer1Timer() {
    if (desk_->refresh()) showEntries();
}
