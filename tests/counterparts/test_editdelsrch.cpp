// The windows for one picked person: correcting, deleting and looking up, each with the
// person's household in 登録済み家族; the search window's browsing and its printout.
#include "counterparts/TNAMEdelForm.h"
#include "counterparts/TNAMEeditForm.h"
#include "counterparts/TNAMEregi2Form.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "counterparts/TNAMEsrchForm.h"
#include "data/cursor.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "printouts/printoutforms.h"
#include "report/TReportPreview.h"
#include "report/report.h"
#include "testdata.h"
#include "widgets/colorbutton.h"
#include "widgets/dbgrid.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::data::Cursor;

namespace {

const QString kMissing = u"  氏名又はフリガナの項目が設定されていません。  "_s;
const QString kGone = u"  選択された相手先が見つかりません。既に削除されている可能性があります。  "_s;

void addPerson(double code, const QString& name, const QString& reading, bool head,
               const QString& address = QString()) {
    Cursor c;
    c.open(u"Aitesaki.DBF"_s);
    c.append();
    c.setValue(u"相手先コード"_s, code);
    c.setValue(u"氏名"_s, name);
    c.setValue(u"フリガナ"_s, reading);
    c.setValue(u"世帯代表"_s, head);
    if (!address.isEmpty()) c.setValue(u"住所1"_s, address);
    c.post();
}

// The stored record of a code: its name, reading and address; empty when there is none.
QStringList person(int code) {
    Cursor c;
    c.open(u"Aitesaki.DBF"_s);
    c.setFiltered(true);
    c.setFilter(u"相手先コード= "_s + QString::number(code));
    if (c.recordCount() == 0) return {};
    return {c.text(u"氏名"_s), c.text(u"フリガナ"_s), c.text(u"住所1"_s),
            c.logical(u"世帯代表"_s) ? u"代表"_s : u"家族"_s};
}

// Text committed by the input method, one character at a time.
void commit(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QInputMethodEvent event;
        event.setCommitString(QString(c));
        QApplication::sendEvent(w, &event);
    }
}

QStringList gridColumn(TDBGrid* grid, int column) {
    QStringList cells;
    for (int r = 0; r < grid->model()->rowCount(); ++r) cells << grid->cellText(r, column);
    return cells;
}

struct PersonWindowTest : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    PersonWindowTest() {
        mz::state().reset();
        QDir::setCurrent(dir.path());
        addPerson(101, u"山田太郎"_s, u"ﾔﾏﾀﾞﾀﾛｳ"_s, true, u"東京都"_s);
        addPerson(301, u"鈴木一郎"_s, u"ｽｽﾞｷｲﾁﾛｳ"_s, true, u"大阪府"_s);
        addPerson(102, u"山田花子"_s, u"ﾔﾏﾀﾞﾊﾅｺ"_s, false);
        addPerson(302, u"鈴木次郎"_s, u"ｽｽﾞｷｼﾞﾛｳ"_s, false, u"大阪府北区"_s);
        addPerson(401, u"佐藤"_s, u"ｻﾄｳ"_s, true);
        addPerson(303, u"鈴木三郎"_s, u"ｽｽﾞｷｻﾌﾞﾛｳ"_s, false);
    }
    ~PersonWindowTest() override {
        QDir::setCurrent(cwd);
        mz::state().reset();
    }
};

template <class Form>
void expectCommonLayout(Form& w, const QString& title, const QString& heading) {
    EXPECT_EQ(w.windowTitle(), title);
    EXPECT_EQ(w.size(), QSize(612, 434));
    EXPECT_EQ(w.Label1->text(), heading);
    EXPECT_EQ(w.Label1->pos(), QPoint(24, 16));
    EXPECT_EQ(w.Label1->font().pixelSize(), 16);
    EXPECT_EQ(w.Panel1->text(), u"登録済み家族"_s);
    EXPECT_EQ(w.Panel1->geometry(), QRect(368, 56, 211, 22));
    EXPECT_EQ(w.DBGrid1->geometry(), QRect(368, 75, 211, 89));
    EXPECT_EQ(w.DBGrid1->fixedColor(), QColor(0, 255, 0));
    EXPECT_EQ(w.DBEdit1->geometry(), QRect(117, 53, 43, 20));
    EXPECT_EQ(w.DBEdit10->geometry(), QRect(117, 269, 235, 20));
    EXPECT_EQ(w.DBMemo1->geometry(), QRect(117, 293, 300, 67));
    EXPECT_FALSE(w.DBEdit1->isEnabled()) << "the code never changes";
    EXPECT_TRUE(w.DBEdit1->isReadOnly());
    EXPECT_EQ(w.DBEdit3->imeMode(), mz::widgets::ImeMode::HalfKatakana);
    EXPECT_FALSE(w.DBCheckBox1->isVisibleTo(&w));
}

}  // namespace

TEST_F(PersonWindowTest, EachWindowShowsThePickedPersonAndTheHousehold) {
    mz::state().CurrentNameCode = 302;
    TNAMEeditForm edit;
    expectCommonLayout(edit, u"Mizorel - 相手先修正"_s, u"相手先の修正"_s);
    EXPECT_EQ(edit.ColorButton1->text(), u"修\u3000\u3000正"_s);
    EXPECT_EQ(edit.ColorButton1->geometry(), QRect(192, 384, 89, 33));
    EXPECT_EQ(edit.ColorButton2->text(), u"取\u3000\u3000消"_s);
    EXPECT_EQ(edit.ColorButton2->geometry(), QRect(320, 384, 89, 33));
    EXPECT_EQ(edit.Table1->filter(), u"相手先コード= 302"_s);
    EXPECT_EQ(edit.Table2->filter(), u"((相手先コード>300) and (相手先コード<400))"_s);
    EXPECT_EQ(edit.DBEdit1->text(), u"302"_s);
    EXPECT_EQ(edit.DBEdit2->text(), u"鈴木次郎"_s);
    EXPECT_EQ(edit.DBEdit5->text(), u"大阪府北区"_s);
    EXPECT_FALSE(edit.DBEdit2->isReadOnly());
    EXPECT_EQ(gridColumn(edit.DBGrid1, 0), (QStringList{u"301"_s, u"302"_s, u"303"_s}));
    EXPECT_EQ(gridColumn(edit.DBGrid1, 1),
              (QStringList{u"鈴木一郎"_s, u"鈴木次郎"_s, u"鈴木三郎"_s}));

    TNAMEdelForm del;
    expectCommonLayout(del, u"Mizorel - 相手先削除"_s, u"相手先の削除"_s);
    EXPECT_EQ(del.ColorButton1->text(), u"削\u3000\u3000除"_s);
    EXPECT_EQ(del.DBEdit2->text(), u"鈴木次郎"_s);
    for (QLineEdit* e : {del.DBEdit2, del.DBEdit3, del.DBEdit10}) EXPECT_TRUE(e->isReadOnly());
    EXPECT_TRUE(del.DBMemo1->isReadOnly());

    TNAMEsrchForm srch;
    expectCommonLayout(srch, u"Mizorel - 相手先検索"_s, u"相手先の検索"_s);
    EXPECT_EQ(srch.DBCheckBox1->pos(), QPoint(152, 16));
    EXPECT_EQ(srch.DBNavigator1->geometry(), QRect(368, 24, 208, 25));
    EXPECT_EQ(srch.ColorButton1->geometry(), QRect(131, 384, 89, 33));
    EXPECT_EQ(srch.ColorButton3->text(), u"プレビュー"_s);
    EXPECT_EQ(srch.ColorButton3->geometry(), QRect(256, 384, 89, 33));
    EXPECT_EQ(srch.ColorButton3->color(), QColor(0xFF, 0xFF, 0x80));
    EXPECT_EQ(srch.ColorButton2->geometry(), QRect(376, 384, 89, 33));
    EXPECT_EQ(srch.DBEdit2->text(), u"鈴木次郎"_s);
    EXPECT_TRUE(srch.DBEdit2->isReadOnly());
    EXPECT_FALSE(srch.Table1->filtered()) << "the search window browses the whole book";
    EXPECT_EQ(srch.Table1->recordCount(), 6);
}

TEST_F(PersonWindowTest, EditStoresTheCorrectionAndKeepsTheCode) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    mz::state().CurrentNameCode = 302;
    bool open = true;
    driver.onOpen<TNAMEeditForm>([&](TNAMEeditForm& w) {
        w.DBEdit3->selectAll();
        QTest::keyClick(w.DBEdit3, Qt::Key_Delete);
        EXPECT_EQ(w.Table1->state(), Cursor::State::Edit);
        w.ColorButton1Click();  // no reading
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(person(302).at(1), u"ｽｽﾞｷｼﾞﾛｳ"_s) << "nothing stored yet";
        commit(w.DBEdit3, u"すずきじろー"_s);
        w.DBEdit2->selectAll();
        commit(w.DBEdit2, u"鈴木治郎"_s);
        w.ColorButton1Click();
        open = w.isVisible();
    });
    mz::platform::openModal(nullptr, mz::state().NAMEeditForm);
    EXPECT_FALSE(open);
    EXPECT_EQ(rec.notices(), (QStringList{kMissing, u"  データが修正されました。  "_s}));
    EXPECT_EQ(person(302), (QStringList{u"鈴木治郎"_s, u"ｽｽﾞｷｼﾞﾛｰ"_s, u"大阪府北区"_s, u"家族"_s}));

    // 取消 after typing leaves the record as stored.
    driver.onOpen<TNAMEeditForm>([&](TNAMEeditForm& w) {
        QTest::keyClicks(w.DBEdit5, u"X"_s);
        EXPECT_EQ(w.Table1->state(), Cursor::State::Edit);
        w.ColorButton2Click();
    });
    mz::platform::openModal(nullptr, mz::state().NAMEeditForm);
    EXPECT_EQ(person(302).at(2), u"大阪府北区"_s);
    EXPECT_EQ(rec.notices().size(), 2);
}

TEST_F(PersonWindowTest, DeleteTakesThePersonOffTheOpenSelectionList) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    int deleteWindows = 0;
    driver.onOpen<TNAMEdelForm>([&](TNAMEdelForm& w) {
        ++deleteWindows;
        EXPECT_EQ(w.DBEdit1->text(), u"301"_s);
        w.ColorButton1Click();
        EXPECT_FALSE(w.isVisible());
    });
    driver.onOpen<TNAMEsentakuForm>([&](TNAMEsentakuForm& w) {
        w.TabControl1->setCurrentIndex(2);  // サ
        EXPECT_EQ(gridColumn(w.DBGrid1, 0),
                  (QStringList{u"佐藤"_s, u"鈴木一郎"_s, u"鈴木三郎"_s, u"鈴木次郎"_s}));
        w.DBGrid1->selectRow(1);
        w.ColorButton1Click();
        EXPECT_EQ(gridColumn(w.DBGrid1, 0), (QStringList{u"佐藤"_s, u"鈴木三郎"_s, u"鈴木次郎"_s}));
        EXPECT_EQ(w.TabControl1->currentIndex(), 2);
        // 取消 deletes nothing.
        driver.onOpen<TNAMEdelForm>([&](TNAMEdelForm& d) {
            ++deleteWindows;
            d.ColorButton2Click();
        });
        w.ColorButton1Click();
        EXPECT_EQ(w.DBGrid1->model()->rowCount(), 3);
        w.ColorButton2Click();
    });
    mz::state().NameSelectMode = mz::mode::kNameDelete;
    mz::platform::openModal(nullptr, mz::state().NAMEsentakuForm);
    mz::state().NameSelectMode = mz::mode::kNameIdle;
    EXPECT_EQ(deleteWindows, 2);
    EXPECT_EQ(rec.notices(), QStringList{u"  データが削除されました。  "_s});
    EXPECT_TRUE(person(301).isEmpty());
    EXPECT_FALSE(person(302).isEmpty()) << "the family stays in its household";

    // The household still counts on: a member added through 302 gets 304.
    mz::state().CurrentNameCode = 302;
    TNAMEregi2Form add;
    EXPECT_EQ(add.DBEdit1->text(), u"304"_s);
}

TEST_F(PersonWindowTest, ADeletedLastCodeIsGivenAgain) {
    mz::platform::Recorder rec;
    mz::state().CurrentNameCode = 303;
    {
        TNAMEdelForm del;
        del.ColorButton1Click();
    }
    TNAMEregi2Form add;
    EXPECT_EQ(add.DBEdit1->text(), u"303"_s);
}

TEST_F(PersonWindowTest, NavigatorMovesTheCodeAndTheHousehold) {
    mz::state().CurrentNameCode = 302;
    TNAMEsrchForm w;
    EXPECT_EQ(w.DBEdit2->text(), u"鈴木次郎"_s);
    w.DBNavigator1->click(TDBNavigator::nbNext);
    EXPECT_EQ(mz::state().CurrentNameCode, 303);
    w.DBNavigator1->click(TDBNavigator::nbNext);
    EXPECT_EQ(mz::state().CurrentNameCode, 401) << "past its household's last member";
    EXPECT_EQ(w.DBEdit2->text(), u"佐藤"_s);
    EXPECT_EQ(w.Table2->filter(), u"((相手先コード>400) and (相手先コード<500))"_s);
    EXPECT_EQ(gridColumn(w.DBGrid1, 1), QStringList{u"佐藤"_s});
    EXPECT_FALSE(w.DBNavigator1->isAvailable(TDBNavigator::nbNext));
    EXPECT_FALSE(w.DBNavigator1->isAvailable(TDBNavigator::nbLast));
    w.DBNavigator1->click(TDBNavigator::nbFirst);
    EXPECT_EQ(mz::state().CurrentNameCode, 101);
    EXPECT_EQ(gridColumn(w.DBGrid1, 0), (QStringList{u"101"_s, u"102"_s}));
    EXPECT_FALSE(w.DBNavigator1->isAvailable(TDBNavigator::nbPrior));
    w.DBNavigator1->click(TDBNavigator::nbLast);
    EXPECT_EQ(mz::state().CurrentNameCode, 401);
    w.DBNavigator1->click(TDBNavigator::nbPrior);
    EXPECT_EQ(mz::state().CurrentNameCode, 303);
    EXPECT_EQ(w.DBEdit1->text(), u"303"_s);
}

TEST_F(PersonWindowTest, PrintAndPreviewUseThePersonShown) {
    TRepAite1Form printout;
    mz::state().RepAite1Form = &printout;
    int printersAsked = 0;
    const auto restore = mz::report::setPrinterChooser([&](QPrinter&) {
        ++printersAsked;
        return false;  // no printer installed
    });
    mz::platform::Recorder rec;
    rec.answerYesNo(false);  // no PDF instead
    mz::platform::ModalDriver driver;
    QStringList previewed;
    driver.onOpen<TReportPreview>([&](TReportPreview& p) {
        previewed << printout.MasterTable->text(u"氏名"_s);
        EXPECT_EQ(p.pageCount(), 1);
        p.ButtonCloseClick();
    });

    mz::state().CurrentNameCode = 302;
    TNAMEsrchForm w;
    w.ColorButton3Click();
    EXPECT_EQ(previewed, QStringList{u"鈴木次郎"_s});
    w.DBNavigator1->click(TDBNavigator::nbNext);
    w.DBNavigator1->click(TDBNavigator::nbNext);
    w.ColorButton1Click();
    EXPECT_EQ(printersAsked, 1);
    EXPECT_TRUE(printout.MasterTable->filtered());
    EXPECT_EQ(printout.MasterTable->filter(), u"相手先コード= 401"_s);
    EXPECT_EQ(printout.MasterTable->recordCount(), 1);
    EXPECT_EQ(printout.MasterTable->text(u"氏名"_s), u"佐藤"_s);
    w.ColorButton3Click();
    EXPECT_EQ(previewed, (QStringList{u"鈴木次郎"_s, u"佐藤"_s}));
    mz::report::setPrinterChooser(restore);
}

TEST_F(PersonWindowTest, APersonGoneSinceThePickIsRefused) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    mz::state().CurrentNameCode = 555;
    int shown = 0;
    driver.onOpen<TNAMEeditForm>([&](TNAMEeditForm& w) {
        shown += w.isVisible();
        w.ColorButton1Click();
    });
    driver.onOpen<TNAMEdelForm>([&](TNAMEdelForm& w) {
        shown += w.isVisible();
        w.ColorButton1Click();  // nothing to delete
    });
    driver.onOpen<TNAMEsrchForm>([&](TNAMEsrchForm& w) {
        shown += w.isVisible();
        EXPECT_EQ(w.Table1->recordCount(), 0);
    });
    mz::platform::openModal(nullptr, mz::state().NAMEeditForm);
    mz::platform::openModal(nullptr, mz::state().NAMEdelForm);
    mz::platform::openModal(nullptr, mz::state().NAMEsrchForm);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(rec.notices(), (QStringList{kGone, kGone, kGone}));
    Cursor c;
    c.open(u"Aitesaki.DBF"_s);
    EXPECT_EQ(c.recordCount(), 6);
}
