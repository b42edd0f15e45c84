// CSV書き出し and CSV取り込み as the user drives them: the file picker's start, the file written,
// the rows of a search in their order, and an import from choosing the file to 登録, with its
// encoding and date form detected, a duplicate kept by a tick, a mapping remembered and a
// confirmation that writes nothing when declined.
#include "spreadsheet/TCSVinForm.h"
#include "spreadsheet/TCSVoutForm.h"

#include "data/binaryfile.h"
#include "data/cp932.h"
#include "data/table.h"
#include "exchange/csv.h"
#include "exchange/tableexport.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/platform.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "records.h"
#include "testdata.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::platform::ModalDriver;
using mz::platform::Recorder;

namespace {

class CsvWindows : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(u"Mizorel"_s, u"Mizorel"_s).remove(u"csvimport"_s);
        previous_ = QDir::currentPath();
        QDir::setCurrent(data_.path());
        mz::state().reset();
        mz::test::addEntries(u"Indata.DBF"_s, {{1, QDate(2024, 5, 3), u"山田 太郎"_s, u"香典"_s, u"花子"_s, 10000, u"お茶,\r\n海苔"_s},
                                               {2, QDate(2024, 5, 4), u"鈴木 一郎"_s, u"香典"_s, u"花子"_s, 5000},
                                               {3, QDate(2024, 5, 5), u"佐藤 誠"_s, u"香典"_s, u"花子"_s, 3000}});
    }
    void TearDown() override {
        QDir::setCurrent(previous_);
        mz::state().reset();
    }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = files_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    mz::test::DataDir data_;
    QTemporaryDir files_;
    QString previous_;
};

}  // namespace

TEST_F(CsvWindows, ExportOffersTheDocumentsFolderAndWritesTheWholeTable) {
    Recorder rec;
    const QString out = files_.filePath(u"out"_s);  // no extension: .csv is added
    rec.answerSaveFile(out);
    ModalDriver driver;
    driver.onOpen<TCSVoutForm>([](TCSVoutForm& w) {
        ASSERT_GE(w.ComboBox1->count(), 5);
        EXPECT_EQ(w.ComboBox1->itemText(1), u"収入"_s);
        EXPECT_TRUE(w.ComboBox1->isEnabled());
        w.ComboBox1->setCurrentIndex(1);
        w.RadioButton2->setChecked(true);
        w.BitBtn1Click();
    });
    {
        const mz::mode::Scope scope(&mz::SharedState::CsvExportMode, mz::mode::kCsvExportTables);
        mz::platform::openModal(nullptr, mz::state().CSVoutForm);
    }
    ASSERT_EQ(rec.dialogs().size(), 2);
    const QString offered = rec.dialogs()[0].detail;
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(documents).isDir()) documents = QDir::homePath();  // no documents folder here
    EXPECT_EQ(offered, QDir(documents).filePath(u"収入_"_s + QDate::currentDate().toString(u"yyyyMMdd"_s) + u".csv"_s))
        << offered.toStdString();
    EXPECT_EQ(rec.notices(), QStringList{u"  3 件を書き出しました。  "_s});
    const QByteArray bytes = mz::exchange::readFileBytes(out + u".csv"_s);
    EXPECT_EQ(mz::exchange::detectEncoding(bytes), mz::exchange::Encoding::Cp932);
    const auto rows = mz::exchange::parseCsv(mz::data::cp932::decode(bytes));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].value(1), u"収入日"_s);
    EXPECT_EQ(rows[1].value(1), u"2024/05/03"_s);
    EXPECT_EQ(rows[1].value(9), u"お茶,\r\n海苔"_s);
}

TEST_F(CsvWindows, SearchResultGoesOutInTheGridsOrder) {
    Recorder rec;
    const QString out = files_.filePath(u"result.csv"_s);
    rec.answerSaveFile(out);
    ModalDriver driver;
    driver.onOpen<TCSVoutForm>([](TCSVoutForm& w) {
        EXPECT_FALSE(w.ComboBox1->isEnabled());
        EXPECT_EQ(w.ComboBox1->currentText(), u"収入"_s);
        EXPECT_TRUE(w.Label3->text().contains(u"2 件"_s)) << w.Label3->text().toStdString();
        w.BitBtn1Click();
    });
    mz::state().CsvExportTable = u"Indata.DBF"_s;
    mz::state().CsvExportRows = {3, 1};
    {
        const mz::mode::Scope scope(&mz::SharedState::CsvExportMode, mz::mode::kCsvExportRows);
        mz::platform::openModal(nullptr, mz::state().CSVoutForm);
    }
    const auto rows = mz::exchange::parseCsv(mz::exchange::decodeText(mz::exchange::readFileBytes(out),
                                                                      mz::exchange::Encoding::Utf8Bom));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].value(3), u"佐藤 誠"_s);
    EXPECT_EQ(rows[2].value(3), u"山田 太郎"_s);
}

TEST_F(CsvWindows, ImportFromPickingTheFileToStoring) {
    // A funeral hall's file: Shift-JIS, dates in the era form, its own column names.
    const QString text = u"日付,お名前,御香典,備考\r\n"
                         u"令和6年5月3日,山田 太郎,\"￥10,000\",\r\n"   // stored already
                         u"R6.5.6,田中 花子,５０００,\"お茶\r\n二箱\"\r\n"
                         u"R6.5.7,吉田 一,3000,\r\n"
                         u"R6.5.8,中村 勇,\"2,000\",\r\n"_s;
    const QString path = writeFile(u"香典帳.csv"_s, *mz::data::cp932::encode(text));
    Recorder rec;
    rec.answerOpenFile(path);
    rec.answerOkCancel(false);  // the first 登録 is declined
    rec.answerOkCancel(true);
    ModalDriver driver;
    driver.onOpen<TCSVinForm>([&](TCSVinForm& w) {
        EXPECT_EQ(w.ComboBox1->currentText(), u"収入"_s);
        w.BitBtn1Click();
        EXPECT_EQ(w.ComboBox2->currentText(), u"シフトJIS"_s);
        // No column bears a field's name: the user maps them; the date column tells its form.
        EXPECT_EQ(w.columns(), mz::exchange::ColumnMap(w.columns().size(), -1));
        EXPECT_FALSE(w.BitBtn2->isEnabled());
        w.columnBox(u"収入日"_s)->setCurrentIndex(1);
        w.columnBox(u"氏名"_s)->setCurrentIndex(2);
        w.columnBox(u"金額"_s)->setCurrentIndex(3);
        w.columnBox(u"物品"_s)->setCurrentIndex(4);
        EXPECT_TRUE(w.ComboBox3->currentText().startsWith(u"和暦"_s));
        ASSERT_EQ(w.checks().size(), 4u);
        EXPECT_EQ(w.TableWidget2->rowCount(), 4);
        EXPECT_EQ(w.TableWidget2->item(0, 1)->text(), u"重複"_s);
        EXPECT_EQ(w.TableWidget2->item(1, 1)->text(), u"登録"_s);
        EXPECT_EQ(w.Label7->text(), u"登録 3 件、重複 1 件（うち登録 0 件）、登録できない行 0 件"_s);
        w.BitBtn2Click();  // declined: nothing written
        EXPECT_EQ(mz::data::Table::open(u"Indata.DBF"_s)->liveCount(), 3u);
        w.TableWidget2->item(0, 1)->setCheckState(Qt::Checked);  // keep the duplicate
        EXPECT_TRUE(w.checks()[0].keep);
        w.BitBtn2Click();
        EXPECT_TRUE(w.Edit1->text().isEmpty());
        EXPECT_FALSE(w.BitBtn2->isEnabled());
    });
    mz::platform::openModal(nullptr, mz::state().CSVinForm);
    EXPECT_EQ(rec.notices(), QStringList{u"  4 件のデータが登録されました。  "_s});
    auto table = mz::data::Table::open(u"Indata.DBF"_s);
    ASSERT_EQ(table->liveCount(), 7u);
    EXPECT_EQ(table->value(5, table->def().fieldIndex(u"物品"_s)), mz::data::Value{u"お茶\r\n二箱"_s});
    EXPECT_EQ(table->value(5, table->def().fieldIndex(u"収入日"_s)), mz::data::Value{QDate(2024, 5, 6)});
    EXPECT_EQ(table->value(7, table->def().fieldIndex(u"収入番号"_s)), mz::data::Value{7.0});

    // The next file of the same hall is mapped as the last one was.
    const QString next = writeFile(u"次.csv"_s, u"日付,お名前,御香典,備考\r\nR6.6.1,小林 陽子,1000,\r\n"_s.toUtf8());
    rec.answerOpenFile(next);
    driver.onOpen<TCSVinForm>([&](TCSVinForm& w) {
        w.BitBtn1Click();
        EXPECT_EQ(w.ComboBox2->currentText(), u"UTF-8"_s);
        EXPECT_EQ(w.columnBox(u"氏名"_s)->currentIndex(), 2);
        EXPECT_EQ(w.columnBox(u"金額"_s)->currentIndex(), 3);
        ASSERT_EQ(w.checks().size(), 1u);
        EXPECT_EQ(w.checks()[0].verdict, mz::exchange::RowVerdict::Store);
    });
    mz::platform::openModal(nullptr, mz::state().CSVinForm);
}

TEST_F(CsvWindows, RowsThatCannotBeStoredSayWhy) {
    const QString path = writeFile(u"a.csv"_s, u"収入日,氏名,金額\r\n2024/05/10,𠮷田 一,3000\r\n2024/05/11,長い名前長い名前長い名前,1\r\n2024/13/01,日付違い,1\r\n"_s.toUtf8());
    Recorder rec;
    ModalDriver driver;
    driver.onOpen<TCSVinForm>([&](TCSVinForm& w) {
        w.loadFile(path);
        ASSERT_EQ(w.checks().size(), 3u);
        for (int r = 0; r < 3; ++r) EXPECT_EQ(w.TableWidget2->item(r, 1)->text(), u"登録不可"_s);
        EXPECT_TRUE(w.TableWidget2->item(0, 2)->text().contains(u"𠮷"_s));
        EXPECT_TRUE(w.TableWidget2->item(1, 2)->text().contains(u"長すぎます"_s));
        EXPECT_TRUE(w.TableWidget2->item(2, 2)->text().contains(u"日付"_s));
        EXPECT_FALSE(w.BitBtn2->isEnabled());
    });
    mz::platform::openModal(nullptr, mz::state().CSVinForm);
    EXPECT_TRUE(rec.dialogs().isEmpty());
}

TEST_F(CsvWindows, AFailedWriteIsReportedAndStoresNothing) {
    const QString path = writeFile(u"b.csv"_s, u"収入日,氏名,金額\r\n2024/06/01,木村 誠,3000\r\n2024/06/02,森 恵子,5000\r\n"_s.toUtf8());
    Recorder rec;
    rec.answerOkCancel(true);
    ModalDriver driver;
    int writes = 0;
    driver.onOpen<TCSVinForm>([&](TCSVinForm& w) {
        w.loadFile(path);
        ASSERT_EQ(mz::exchange::rowsToStore(w.checks()), 2);
        mz::data::BinaryFile::setWriteHook([&](const QString&, qint64, qint64) {
            if (++writes == 1) throw mz::data::EngineError(u"ファイルに書き込めません（ディスクの空き容量が足りません）"_s);
        });
        w.BitBtn2->click();  // through the button, whose errors the error display shows
        mz::data::BinaryFile::setWriteHook({});
        // The file stays in the window, to be stored once the disk has room.
        EXPECT_FALSE(w.Edit1->text().isEmpty());
        EXPECT_TRUE(w.BitBtn2->isEnabled());
    });
    mz::platform::openModal(nullptr, mz::state().CSVinForm);
    EXPECT_GE(writes, 1);
    ASSERT_EQ(rec.errors().size(), 1);
    EXPECT_TRUE(rec.errors()[0].contains(u"何も登録されていません"_s)) << rec.errors()[0].toStdString();
    EXPECT_TRUE(rec.notices().isEmpty());
    EXPECT_EQ(mz::data::Table::open(u"Indata.DBF"_s)->liveCount(), 3u);
}

// The whole-table list offers the tables kept beside the five (return gifts, events) when the
// data folder holds them, and leaves out one whose file is not there (an older folder).
TEST_F(CsvWindows, TablesBesideTheFiveAreOfferedWhenTheFolderHoldsThem) {
    Recorder rec;
    const auto offered = [] {
        QStringList titles;
        ModalDriver driver;
        driver.onOpen<TCSVoutForm>([&](TCSVoutForm& w) {
            for (int i = 0; i < w.ComboBox1->count(); ++i) titles << w.ComboBox1->itemText(i);
            w.reject();
        });
        const mz::mode::Scope scope(&mz::SharedState::CsvExportMode, mz::mode::kCsvExportTables);
        mz::platform::openModal(nullptr, mz::state().CSVoutForm);
        return titles;
    };
    const QStringList all = offered();
    for (const QString& t :
         {u"相手先"_s, u"収入"_s, u"支出"_s, u"お返し"_s, u"お返しの目安"_s, u"行事"_s, u"受付"_s})
        EXPECT_TRUE(all.contains(t)) << t.toStdString() << " in " << all.join(u',').toStdString();

    for (const QString& f : {u"Okaeshi.DBF"_s, u"Okaeshi.DBT"_s, u"Okaeshi.MDX"_s})
        QFile::remove(f);
    const QStringList older = offered();
    EXPECT_FALSE(older.contains(u"お返し"_s));
    EXPECT_EQ(older.size(), all.size() - 1);
}
