#include "spreadsheet/TCSVinForm.h"

#include "data/table.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QProgressDialog>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

using namespace Qt::StringLiterals;
using namespace mz::exchange;

namespace {

constexpr Encoding kEncodings[] = {Encoding::Utf8Bom, Encoding::Utf8, Encoding::Cp932};
constexpr DateFormat kDateFormats[] = {DateFormat::Slash, DateFormat::Dash, DateFormat::Wareki};

QString verdictText(RowVerdict v) {
    switch (v) {
        case RowVerdict::Store: return u"登録"_s;
        case RowVerdict::Duplicate: return u"重複"_s;
        case RowVerdict::Refused: return u"登録不可"_s;
        case RowVerdict::Blank: return u"空行"_s;
    }
    return QString();
}

// A column's name in the mapping: its letter as spreadsheets name it, and its header.
QString columnLetter(int column) {
    QString s;
    for (int c = column + 1; c > 0; c = (c - 1) / 26) s.prepend(QChar(u'A' + (c - 1) % 26));
    return s;
}

QSettings settings() { return QSettings(u"Mizorel"_s, u"Mizorel"_s); }

// A progress bar with 中止 for long files; none for short ones. The callback returns false once
// the user has pressed 中止.
class Progress {
public:
    Progress(QWidget* parent, const QString& label, qsizetype total) {
        if (total <= TCSVinForm::kProgressRows) return;
        dialog_ = std::make_unique<QProgressDialog>(label, u"中止"_s, 0, int(total), parent);
        dialog_->setWindowTitle(mz::platform::applicationTitle());
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(300);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
    }
    mz::data::Table::Progress callback() {
        if (!dialog_) return {};
        return [this](qsizetype done) {
            if (done % 100 == 0) dialog_->setValue(int(done));
            return !dialog_->wasCanceled();
        };
    }

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace

TCSVinForm::TCSVinForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    TableWidget1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(BitBtn1, &QPushButton::clicked, this, mz::platform::guarded(this, &TCSVinForm::BitBtn1Click));
    connect(BitBtn2, &QPushButton::clicked, this, mz::platform::guarded(this, &TCSVinForm::BitBtn2Click));
    connect(BitBtn3, &QPushButton::clicked, this, mz::platform::guarded(this, &TCSVinForm::BitBtn3Click));
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, mz::platform::guarded(this, &TCSVinForm::ComboBox1Change));
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, mz::platform::guarded(this, &TCSVinForm::ComboBox2Change));
    connect(ComboBox3, &QComboBox::currentIndexChanged, this, mz::platform::guarded(this, &TCSVinForm::SettingsChange));
    connect(CheckBox1, &QCheckBox::toggled, this, mz::platform::guarded(this, &TCSVinForm::SettingsChange));
    connect(TableWidget2, &QTableWidget::itemChanged, this,
            mz::platform::guarded(this, &TCSVinForm::TableWidget2ItemChanged));
    filling_ = true;
    ComboBox1->setCurrentIndex(1);  // 収入: the 香典帳 families bring
    filling_ = false;
    fillMapping();
}

ImportTarget TCSVinForm::target() const {
    switch (ComboBox1->currentIndex()) {
        case 0: return ImportTarget::Counterparts;
        case 2: return ImportTarget::Expenditure;
        default: return ImportTarget::Income;
    }
}

QStringList TCSVinForm::header() const {
    QStringList names;
    const qsizetype width = rows_.empty() ? 0 : std::max_element(rows_.begin(), rows_.end(), [](const auto& a, const auto& b) {
                                                    return a.size() < b.size();
                                                })->size();
    for (int c = 0; c < width; ++c) {
        const QString title = CheckBox1->isChecked() && c < rows_.front().size() ? rows_.front()[c] : QString();
        names << (title.isEmpty() ? columnLetter(c) + u"列"_s : columnLetter(c) + u": "_s + title);
    }
    return names;
}

QComboBox* TCSVinForm::columnBox(const QString& field) const {
    for (int r = 0; r < TableWidget1->rowCount(); ++r)
        if (TableWidget1->item(r, 0) && TableWidget1->item(r, 0)->data(Qt::UserRole).toString() == field)
            return qobject_cast<QComboBox*>(TableWidget1->cellWidget(r, 1));
    return nullptr;
}

ColumnMap TCSVinForm::columns() const {
    ColumnMap map;
    for (const QString& field : importFields(target())) {
        const QComboBox* box = columnBox(field);
        map.push_back(box ? box->currentIndex() - 1 : -1);
    }
    return map;
}

void TCSVinForm::fillMapping() {
    filling_ = true;
    const QStringList fields = importFields(target());
    const QStringList names = header();
    // The last mapping of this target, by column title; else columns named as the fields.
    ColumnMap map = guessColumns(target(), CheckBox1->isChecked() && !rows_.empty() ? rows_.front() : QStringList());
    QSettings s = settings();
    s.beginGroup(u"csvimport/"_s + targetTitle(target()));
    for (qsizetype k = 0; k < fields.size(); ++k) {
        const QString remembered = s.value(fields[k]).toString();
        if (remembered.isEmpty()) continue;
        const qsizetype at = names.indexOf(remembered);
        if (at >= 0) map[size_t(k)] = int(at);
        else if (remembered == u"-"_s) map[size_t(k)] = -1;
    }
    TableWidget1->setRowCount(0);  // the boxes of the last target go with their rows
    TableWidget1->setRowCount(int(fields.size()));
    for (qsizetype k = 0; k < fields.size(); ++k) {
        auto* item = new QTableWidgetItem(fields[k] + (isRequiredField(target(), fields[k]) ? u" ＊"_s : QString()));
        item->setData(Qt::UserRole, fields[k]);
        item->setFlags(Qt::ItemIsEnabled);
        TableWidget1->setItem(int(k), 0, item);
        auto* box = new QComboBox;
        box->addItem(u"（取り込まない）"_s);
        box->addItems(names);
        box->setCurrentIndex(map[size_t(k)] + 1);
        box->setProperty("field", fields[k]);
        connect(box, &QComboBox::currentIndexChanged, this, mz::platform::guarded(this, &TCSVinForm::SettingsChange));
        TableWidget1->setCellWidget(int(k), 1, box);
    }
    filling_ = false;
}

void TCSVinForm::rememberMapping() const {
    QSettings s = settings();
    s.beginGroup(u"csvimport/"_s + targetTitle(target()));
    const QStringList fields = importFields(target());
    for (const QString& field : fields) {
        const QComboBox* box = columnBox(field);
        s.setValue(field, box && box->currentIndex() > 0 ? box->currentText() : u"-"_s);
    }
}

void TCSVinForm::BitBtn1Click() {
    QString start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (start.isEmpty() || !QFileInfo(start).isDir()) start = QDir::homePath();
    const QString path = mz::platform::openFileName(
        this, u"CSV ファイル (*.csv;*.txt)|*.csv;*.txt|すべてのファイル (*)|*"_s, start, u"CSV取り込み"_s);
    if (path.isEmpty()) return;
    loadFile(path);
}

void TCSVinForm::loadFile(const QString& path) {
    bytes_ = readFileBytes(path);
    rows_.clear();
    checks_.clear();
    Edit1->setText(QDir::toNativeSeparators(path));
    const Encoding detected = detectEncoding(bytes_);
    filling_ = true;
    for (int i = 0; i < 3; ++i)
        if (kEncodings[i] == detected) ComboBox2->setCurrentIndex(i);
    filling_ = false;
    decode();
    fillMapping();
    guessDates();
    recheck();
}

void TCSVinForm::guessDates() {
    // The date format that reads most of the date column's first rows.
    const QStringList fields = importFields(target());
    const ColumnMap map = columns();
    for (qsizetype k = 0; k < fields.size(); ++k) {
        if (targetDef(target()).fields[size_t(targetDef(target()).fieldIndex(fields[k]))].type != mz::data::FieldType::Date ||
            map[size_t(k)] < 0)
            continue;
        QStringList samples;
        for (size_t r = CheckBox1->isChecked() ? 1 : 0; r < rows_.size() && samples.size() < 50; ++r)
            samples << rows_[r].value(map[size_t(k)]);
        const DateFormat guess = guessDateFormat(samples);
        filling_ = true;
        for (int i = 0; i < 3; ++i)
            if (kDateFormats[i] == guess) ComboBox3->setCurrentIndex(i);
        filling_ = false;
    }
}

void TCSVinForm::decode() {
    try {
        rows_ = parseCsv(decodeText(bytes_, kEncodings[std::max(0, ComboBox2->currentIndex())]));
    } catch (const ExchangeError&) {
        rows_.clear();
        checks_.clear();
        showChecks();
        Label7->setText(u"ファイルを読み取れません。"_s);
        BitBtn2->setEnabled(false);
        throw;
    }
}

void TCSVinForm::ComboBox1Change() {
    if (filling_) return;
    checks_.clear();
    fillMapping();
    recheck();
}

void TCSVinForm::ComboBox2Change() {
    if (filling_ || bytes_.isEmpty()) return;
    decode();
    fillMapping();
    recheck();
}

void TCSVinForm::SettingsChange() {
    if (filling_) return;
    if (sender() == CheckBox1) fillMapping();
    // A date column chosen now: its dates tell their format.
    if (const QString field = sender() ? sender()->property("field").toString() : QString(); !field.isEmpty()) {
        const mz::data::TableDef& def = targetDef(target());
        if (def.fields[size_t(def.fieldIndex(field))].type == mz::data::FieldType::Date) guessDates();
    }
    recheck();
}

void TCSVinForm::recheck() {
    checks_.clear();
    if (!rows_.empty()) {
        auto table = mz::data::Table::open(targetFile(target()));
        table->refresh();
        ImportOptions options;
        options.dateFormat = kDateFormats[std::max(0, ComboBox3->currentIndex())];
        options.headerRow = CheckBox1->isChecked();
        Progress progress(this, u"ファイルの内容を確かめています..."_s, qsizetype(rows_.size()));
        try {
            checks_ = checkRows(target(), rows_, columns(), options, *table, progress.callback());
        } catch (const mz::data::ChangeCancelled&) {
            checks_.clear();
        }
    }
    showChecks();
}

void TCSVinForm::showChecks() {
    filling_ = true;
    const QStringList names = header();
    TableWidget2->clear();
    TableWidget2->setColumnCount(3 + int(names.size()));
    QStringList titles{u"行"_s, u"判定"_s, u"理由"_s};
    TableWidget2->setHorizontalHeaderLabels(titles + names);
    TableWidget2->setRowCount(int(checks_.size()));
    for (size_t i = 0; i < checks_.size(); ++i) {
        const RowCheck& c = checks_[i];
        const int r = int(i);
        TableWidget2->setItem(r, 0, new QTableWidgetItem(QString::number(c.row)));
        auto* verdict = new QTableWidgetItem(verdictText(c.verdict));
        if (c.verdict == RowVerdict::Duplicate) {
            verdict->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            verdict->setCheckState(c.keep ? Qt::Checked : Qt::Unchecked);
        }
        if (c.verdict == RowVerdict::Refused) verdict->setForeground(Qt::red);
        TableWidget2->setItem(r, 1, verdict);
        TableWidget2->setItem(r, 2, new QTableWidgetItem(c.reason));
        const QStringList& cells = rows_[size_t(c.row - 1)];
        for (qsizetype k = 0; k < cells.size(); ++k)
            TableWidget2->setItem(r, 3 + int(k), new QTableWidgetItem(QString(cells[k]).replace(u'\n', u' ').remove(u'\r')));
    }
    TableWidget2->resizeColumnsToContents();
    filling_ = false;
    showSummary();
}

void TCSVinForm::showSummary() {
    int store = 0, duplicate = 0, kept = 0, refused = 0;
    for (const RowCheck& c : checks_) {
        if (c.verdict == RowVerdict::Store) ++store;
        if (c.verdict == RowVerdict::Duplicate) (c.keep ? kept : duplicate)++;
        if (c.verdict == RowVerdict::Refused) ++refused;
    }
    if (rows_.empty())
        Label7->setText(u"ファイルを選んでください。"_s);
    else
        Label7->setText(u"登録 %1 件、重複 %2 件（うち登録 %3 件）、登録できない行 %4 件"_s.arg(store + kept)
                            .arg(duplicate + kept)
                            .arg(kept)
                            .arg(refused));
    BitBtn2->setEnabled(rowsToStore(checks_) > 0);
}

void TCSVinForm::TableWidget2ItemChanged(QTableWidgetItem* item) {
    if (filling_ || !item || item->column() != 1) return;
    const size_t i = size_t(item->row());
    if (i >= checks_.size() || checks_[i].verdict != RowVerdict::Duplicate) return;
    checks_[i].keep = item->checkState() == Qt::Checked;
    showSummary();
}

void TCSVinForm::BitBtn2Click() {
    const int count = rowsToStore(checks_);
    if (count == 0) return;
    if (!mz::platform::askOkCancel(this, mz::platform::applicationTitle(),
                                   u"%1 件を%2に登録します。よろしいですか？"_s.arg(count).arg(targetTitle(target()))))
        return;
    auto table = mz::data::Table::open(targetFile(target()));
    Progress progress(this, u"登録しています..."_s, count);
    try {
        storeRows(target(), *table, checks_, progress.callback());
    } catch (const mz::data::ChangeCancelled&) {
        mz::platform::notice(this, mz::platform::padded(u"中止しました。何も登録されていません。"_s));
        return;
    } catch (const mz::data::ChangeStoredError&) {
        throw;
    } catch (const mz::data::EngineError& e) {
        // Every write was undone: the user may fix the cause and store the same rows again.
        throw mz::data::EngineError(e.message() + u"\n取り込みは中止され、何も登録されていません。"_s);
    }
    rememberMapping();
    mz::platform::notice(this, mz::platform::padded(u"%1 件のデータが登録されました。"_s.arg(count)));
    // The file is done with: storing it again would store every row twice.
    bytes_.clear();
    rows_.clear();
    checks_.clear();
    Edit1->clear();
    fillMapping();
    showChecks();
}

void TCSVinForm::BitBtn3Click() { close(); }
