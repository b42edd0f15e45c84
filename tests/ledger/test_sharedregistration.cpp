// The ledger registration windows on a data directory that another Mizorel changes at the same
// time: the number a window shows is decided again when 登録 stores the entry, so that an entry
// registered meanwhile elsewhere never shares it; and an entry stored although a later write
// failed is reported and never stored a second time by pressing 登録 again.
#include "data/cursor.h"
#include "ledger/TINregiForm.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "records.h"
#include "testdata.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::data::BinaryFile;
using mz::data::Cursor;
using mz::data::EngineError;

namespace {

const QString kInRegistered = u"  収入データが登録されました。  "_s;
const QString kMissing = u"  相手先等のデータが設定されていません。  "_s;

std::vector<int> storedNumbers() {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    std::vector<int> out;
    for (c.first(); !c.eof(); c.next()) out.push_back(int(c.number(u"収入番号"_s)));
    return out;
}

void fillIncome(TINregiForm& w, const QString& name) {
    w.DBEdit4->setText(name);
    w.DBEdit5->setText(u"結婚祝"_s);
    w.DBComboBox1->setEditText(u"花子"_s);
    w.DBEdit7->setText(u"5000"_s);
}

struct SharedRegistration : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    SharedRegistration() {
        mz::state().reset();
        QDir::setCurrent(dir.path());
        mz::state().DataDir = dir.path();
    }
    ~SharedRegistration() override {
        BinaryFile::setWriteHook({});
        QDir::setCurrent(cwd);
        mz::state().reset();
    }
};

}  // namespace

TEST_F(SharedRegistration, AnEntryNumberTakenMeanwhileIsNotStoredTwice) {
    mz::test::addFamily(1, u"花子"_s);
    mz::platform::Recorder rec;
    TINregiForm w;
    EXPECT_EQ(w.DBEdit2->text(), u"1"_s);
    // Elsewhere, number 1 is registered while this window is open.
    mz::test::addEntries(u"Indata.DBF"_s, {{1, QDate(2024, 1, 1), u"よそ"_s}});

    fillIncome(w, u"山田太郎"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{kInRegistered});
    EXPECT_EQ(storedNumbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(w.DBEdit2->text(), u"3"_s) << "the next entry follows what is stored";
}

TEST_F(SharedRegistration, AnEntryStoredBeforeAWriteFailedIsReportedAndNotStoredAgain) {
    mz::test::addFamily(1, u"花子"_s);
    mz::platform::Recorder rec;
    TINregiForm w;
    fillIncome(w, u"山田太郎"_s);
    // The disk stops at the entry's index write, after the entry was counted: nothing can be
    // undone. (Its return record, written before the entry, is stored.)
    bool dead = false;
    BinaryFile::setWriteHook([&](const QString& path, qint64, qint64) {
        if (path.endsWith(u"Indata.MDX"_s)) dead = true;
        if (dead) throw EngineError(u"Input/output error"_s);
    });
    w.ColorButton1Click();
    BinaryFile::setWriteHook({});
    ASSERT_EQ(rec.errors().size(), 1);
    EXPECT_TRUE(rec.errors().front().contains(u"登録は保存されました"_s)) << rec.errors().front().toStdString();
    EXPECT_TRUE(rec.notices().isEmpty()) << "no plain success";
    EXPECT_TRUE(w.DBEdit4->text().isEmpty()) << "the window moved on to a new entry";
    EXPECT_EQ(w.DBEdit2->text(), u"2"_s);

    w.ColorButton1Click();  // pressed again
    EXPECT_EQ(rec.notices(), QStringList{kMissing});
    EXPECT_EQ(storedNumbers(), (std::vector<int>{1}));
}
