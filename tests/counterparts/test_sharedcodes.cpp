// The address book registration windows on a data directory that another Mizorel changes at the
// same time: the code a window shows is decided again when 登録 stores the person, so that a
// household or member registered meanwhile elsewhere never shares it.
#include "counterparts/TNAMEregi1Form.h"
#include "counterparts/TNAMEregi2Form.h"
#include "data/cursor.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "records.h"
#include "testdata.h"
#include "widgets/dbedit.h"

#include <QDir>

#include <gtest/gtest.h>

#include <set>

using namespace Qt::StringLiterals;
using mz::data::Cursor;

namespace {

const QString kRegistered = u"  データが登録されました。  "_s;

std::multiset<double> storedCodes() {
    Cursor c;
    c.open(u"Aitesaki.DBF"_s);
    std::multiset<double> out;
    for (c.first(); !c.eof(); c.next()) out.insert(c.number(u"相手先コード"_s));
    return out;
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
        QDir::setCurrent(cwd);
        mz::state().reset();
    }
};

}  // namespace

TEST_F(SharedRegistration, CodesTakenMeanwhileAreNotStoredTwice) {
    mz::platform::Recorder rec;
    {
        TNAMEregi1Form w;
        EXPECT_EQ(w.DBEdit1->text(), u"101"_s);
        mz::test::addPerson(101, u"よそ"_s, u"ﾖｿ"_s, true);  // registered elsewhere meanwhile
        w.DBEdit2->setText(u"山田"_s);
        w.DBEdit3->setText(u"ﾔﾏﾀﾞ"_s);
        w.ColorButton1Click();
        EXPECT_EQ(storedCodes(), (std::multiset<double>{101, 201}));
        EXPECT_EQ(w.DBEdit1->text(), u"301"_s);
    }
    {
        // A member of household 201 while another member joins it elsewhere.
        mz::state().CurrentNameCode = 201;
        TNAMEregi2Form w;
        EXPECT_EQ(w.DBEdit1->text(), u"202"_s);
        mz::test::addPerson(202, u"よその家族"_s, u"ﾖｿ"_s, false);
        w.DBEdit2->setText(u"山田花子"_s);
        w.DBEdit3->setText(u"ﾔﾏﾀﾞﾊﾅｺ"_s);
        w.ColorButton1Click();
        EXPECT_EQ(storedCodes(), (std::multiset<double>{101, 201, 202, 203}));
    }
    EXPECT_EQ(rec.notices(), (QStringList{kRegistered, kRegistered}));
}
