// The windows of the balance as the user meets them: 相手先別の贈答 (its look, a pick in its
// own selection mode, the person and the household, the notes, the totals grid, the statement
// and its pages, Esc), the count and sum under the management windows' grid through a search
// and a delete, and the hint of the expenditure registration window.
#include "balancefixture.h"

#include "../printouts/printouttest.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "ledger/TAITEbetuForm.h"
#include "ledger/TINdelForm.h"
#include "ledger/TINsrSrForm.h"
#include "ledger/TOUTregiForm.h"
#include "ledger/TOUTsrSrForm.h"
#include "ledger/balancestatement.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/recorder.h"
#include "report/TReportPreview.h"
#include "ui_TINsrSrForm.h"
#include "ui_TNAMEsentakuForm.h"
#include "ui_TOUTregiForm.h"
#include "ui_TOUTsrSrForm.h"
#include "widgets/colorbutton.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
namespace bal = mz::ledger::balance;

namespace {

// The texts of a grid's row or column as they are shown.
QStringList row(const QAbstractItemView* t, int r) {
    const QAbstractItemModel* m = t->model();
    QStringList out;
    for (int c = 0; c < m->columnCount(); ++c) out << m->index(r, c).data().toString();
    return out;
}

QStringList column(const QAbstractItemView* t, int c) {
    const QAbstractItemModel* m = t->model();
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, c).data().toString();
    return out;
}

int rows(const QAbstractItemView* t) { return t->model()->rowCount(); }

// A fingerprint of every file of the data directory, to show that nothing was written.
QByteArray dataFingerprint(const QString& dir) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const QString& name : QDir(dir).entryList(QDir::Files, QDir::Name)) {
        QFile f(QDir(dir).filePath(name));
        if (f.open(QIODevice::ReadOnly)) h.addData(name.toUtf8() + f.readAll());
    }
    return h.result();
}

void settle() { QCoreApplication::processEvents(); }

}  // namespace

// --- 相手先別の贈答 ------------------------------------------------------------------------------

TEST_F(BalanceTest, WindowHasTheProgramsLook) {
    TAITEbetuForm w;
    EXPECT_EQ(w.windowTitle(), u"Mizorel - 相手先別の贈答"_s);
    EXPECT_EQ(w.Label11->text(), u"相手先別の贈答"_s);
    EXPECT_EQ(w.Label11->pos(), QPoint(24, 16));
    EXPECT_TRUE(w.Label11->font().bold());
    EXPECT_EQ(w.Label11->font().pixelSize(), 16);
    EXPECT_EQ(w.Label11->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(w.font().family(), u"ＭＳ Ｐゴシック"_s);
    EXPECT_EQ(w.Edit1->font().family(), u"ＭＳ ゴシック"_s);
    EXPECT_EQ(w.ColorButton1->text(), u"印　　刷"_s);
    EXPECT_EQ(w.ColorButton2->text(), u"戻　　る"_s);
    EXPECT_EQ(w.ColorButton2->color(), QColor(0xFF, 0xA2, 0xFF));
    EXPECT_EQ(w.ColorButton5->color(), QColor(0xFF, 0xFF, 0x80));
    EXPECT_TRUE(w.RadioButton1->isChecked());
    EXPECT_EQ(w.Edit1->maxBytes(), 16);
    // Every control lies inside the window and no two controls of the form overlap.
    const QList<QWidget*> controls{w.Edit1, w.ColorButton3, w.RadioButton1, w.RadioButton2,
                                   w.ColorButton5, w.LabelNotes, w.Grid1, w.Grid2, w.LabelLastIncome,
                                   w.LabelLastExpense, w.LabelBalance, w.ColorButton1, w.ColorButton2};
    for (qsizetype i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(w.rect().contains(controls[i]->geometry())) << controls[i]->objectName().toStdString();
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " " << controls[j]->objectName().toStdString();
        }
    }
}

TEST_F(BalanceTest, APickInItsOwnModeShowsThePersonThenTheHousehold) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    driver.onOpen<TNAMEsentakuForm>([](TNAMEsentakuForm& s) {
        EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameBalance);
        EXPECT_EQ(s.Label1->text(), u"相手先の選択 ( 贈答 )"_s);
        s.TabControl1->setCurrentIndex(7);  // ヤ
        s.TabControl1Change();
        ASSERT_GE(s.DBGrid1->model()->rowCount(), 1);
        EXPECT_EQ(s.DBGrid1->cellText(1, 0), u"山田 太郎"_s);  // ﾔﾏﾀﾞ ｲﾁﾛｳ, ﾔﾏﾀﾞ ﾀﾛｳ, ...
        s.DBGrid1->selectRow(1);
        s.DBGrid1DblClick();
    });
    driver.onOpen<TAITEbetuForm>([](TAITEbetuForm& w) {
        w.ColorButton3Click();
        EXPECT_EQ(mz::state().NameSelectMode, 0);
        EXPECT_EQ(w.Edit1->text(), u"山田 太郎"_s);
        EXPECT_EQ(column(w.Grid1, 0), (QStringList{u"2019/12/01"_s, u"2020/01/10"_s, u"2021/05/01"_s,
                                                   u"2022/03/03"_s, u"2022/04/04"_s}));
        EXPECT_EQ(row(w.Grid1, 0), (QStringList{u"2019/12/01"_s, u"山田 太郎"_s, u"結婚祝"_s, u"お祝い"_s,
                                                QString(), u"￥50,000"_s}));
        EXPECT_EQ(row(w.Grid1, 2), (QStringList{u"2021/05/01"_s, u"山田　太郎"_s, u"お中元"_s, u"一般行事"_s,
                                                u"￥5,000"_s, QString()}));
        EXPECT_EQ(w.Label2->text(), u"本人：山田 太郎（101）"_s);
        EXPECT_EQ(w.LabelNotes->text(), u"氏名の空白が相手先の登録と異なる記録 3 件も含めています。"_s);
        EXPECT_EQ(row(w.Grid2, 0), (QStringList{u"お祝い"_s, u"￥30,000"_s, u"￥50,000"_s, u"-￥20,000"_s}));
        EXPECT_EQ(row(w.Grid2, 4), (QStringList{u"弔事全般"_s, u"￥10,000"_s, u"￥0"_s, u"￥10,000"_s}));
        EXPECT_EQ(row(w.Grid2, 6), (QStringList{u"合計"_s, u"￥45,000"_s, u"￥60,000"_s, u"-￥15,000"_s}));
        EXPECT_EQ(w.LabelLastIncome->text(), u"2022/03/03　香典　￥10,000"_s);
        EXPECT_EQ(w.LabelLastExpense->text(), u"2022/04/04　病気見舞　￥10,000"_s);
        EXPECT_EQ(w.LabelBalance->text(), u"差引　-￥15,000"_s);

        // 世帯: the whole block at once, with the shared name said.
        w.RadioButton2->click();
        EXPECT_EQ(rows(w.Grid1), 8);
        EXPECT_EQ(w.Label2->text(), u"世帯：山田 太郎（101）、山田 花子（102）、山田 一郎（103）"_s);
        EXPECT_TRUE(w.LabelNotes->text().contains(u"「山田 花子」という氏名の相手先が 2 人います"_s));
        EXPECT_EQ(row(w.Grid1, 6), (QStringList{u"2022/07/07"_s, u"山田 一郎"_s, u"手作り"_s, u"その他"_s,
                                                QString(), QString()}));
        EXPECT_EQ(row(w.Grid2, 5), (QStringList{u"その他"_s, u"￥0"_s, u"￥0"_s, u"￥0"_s}));
        EXPECT_EQ(row(w.Grid2, 6), (QStringList{u"合計"_s, u"￥48,000"_s, u"￥65,000"_s, u"-￥17,000"_s}));
        EXPECT_EQ(w.LabelLastIncome->text(), u"2022/07/07　手作り\n（山田 一郎）"_s);
        w.RadioButton1->click();
        EXPECT_EQ(rows(w.Grid1), 5);
    });
    mz::platform::openModal(nullptr, mz::state().AITEbetuForm);
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(BalanceTest, ATypedUnknownNameIsSaidInTheWindow) {
    mz::platform::Recorder rec;
    TAITEbetuForm w;
    w.Edit1->setText(u"田中　未登録"_s);
    QTest::keyClick(w.Edit1, Qt::Key_Return);
    EXPECT_EQ(rows(w.Grid1), 1);
    EXPECT_EQ(w.LabelNotes->text(),
              u"「田中　未登録」は相手先に登録されていません。台帳の氏名が一致する記録を集計しています。"_s);
    EXPECT_TRUE(w.Label2->text().isEmpty());
    EXPECT_EQ(w.LabelLastExpense->text(), u"なし"_s);

    w.Edit1->setText(u"誰でもない"_s);
    w.ColorButton5Click();
    EXPECT_EQ(rows(w.Grid1), 0);
    EXPECT_TRUE(w.LabelNotes->text().startsWith(u"この相手先の記録はありません。\n"_s));
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(BalanceTest, NoNameAndNothingToPrintAreRefusedWithAMessage) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    driver.onOpen<TNAMEsentakuForm>([](TNAMEsentakuForm& s) { s.ColorButton2Click(); });  // 戻る
    TAITEbetuForm w;
    w.ColorButton1Click();  // 印刷 before anything was shown
    w.Edit1->setText(u"　 "_s);
    w.ColorButton5Click();
    EXPECT_EQ(rec.notices(), (QStringList{u"  データが表示されていません。  "_s,
                                          u"  相手先を入力してください。  "_s}));
    EXPECT_FALSE(w.result().has_value());
    // A cancelled selection leaves the typed name, even after an earlier pick elsewhere.
    mz::state().SelectedName = u"佐藤 次郎"_s;
    w.Edit1->setText(u"山田 花子"_s);
    w.ColorButton3Click();
    EXPECT_EQ(w.Edit1->text(), u"山田 花子"_s);
    EXPECT_FALSE(w.result().has_value());
}

TEST_F(BalanceTest, EscapeClosesLikeReturnAndWritesNothing) {
    const QByteArray before = dataFingerprint(dir.path());
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    bool closed = false;
    driver.onOpen<TAITEbetuForm>([&](TAITEbetuForm& w) {
        w.Edit1->setText(u"山田 太郎"_s);
        w.RadioButton2->click();
        w.ColorButton5Click();
        ASSERT_EQ(rows(w.Grid1), 8);
        w.show();
        QTest::keyClick(w.Grid1, Qt::Key_Escape);
        closed = !w.isVisible();
    });
    mz::platform::openModal(nullptr, mz::state().AITEbetuForm);
    EXPECT_TRUE(closed);
    EXPECT_EQ(mz::state().AITEbetuForm, nullptr);
    EXPECT_EQ(mz::state().NameSelectMode, 0);
    EXPECT_EQ(dataFingerprint(dir.path()), before);
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(BalanceTest, PrintShowsTheStatementsPreview) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    int pages = 0;
    driver.onOpen<TReportPreview>([&](TReportPreview& p) { pages = p.pageCount(); });
    TAITEbetuForm w;
    w.Edit1->setText(u"山田 太郎"_s);
    w.ColorButton5Click();
    w.ColorButton1Click();
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(driver.openCount(u"TReportPreview"_s), 1);
}

// --- the statement -------------------------------------------------------------------------

TEST_F(BalanceTest, StatementOfAHouseholdMatchesItsGoldenDump) {
    const bal::Result r = bal::gather(u"山田 太郎"_s, bal::Scope::Household);
    const std::vector<mz::report::Page> pages = bal::statementPages(r);
    const QString actual = mz::report::dump(pages);
    EXPECT_EQ(actual.toStdString(), mz::test::golden(u"balance_household.txt"_s, actual).toStdString());
    ASSERT_EQ(pages.size(), 1u);
    const QStringList texts = mz::test::pageTexts(pages)[0];
    EXPECT_EQ(texts.front(), u"相手先別の贈答"_s);
    EXPECT_TRUE(texts.contains(u"相手先：山田 太郎 の世帯"_s));
    EXPECT_TRUE(texts.contains(u"-￥17,000"_s));
    EXPECT_EQ(texts.back(), u"Page 1"_s);
}

TEST_F(BalanceTest, ALongStatementRepeatsTheColumnTitlesAndKeepsTheTotalsTogether) {
    std::vector<mz::test::LedgerEntry> many;
    for (int i = 0; i < 90; ++i)
        many.push_back({100 + i, QDate(2000, 1, 1).addDays(i * 30), u"佐藤 次郎"_s, u"お中元"_s, {}, 1000});
    mz::test::addEntries(u"Indata.DBF"_s, many);
    const bal::Result r = bal::gather(u"佐藤 次郎"_s, bal::Scope::Person);
    ASSERT_EQ(r.entries.size(), 91u);
    const std::vector<mz::report::Page> pages = bal::statementPages(r);
    ASSERT_GE(pages.size(), 2u);
    const std::vector<QStringList> texts = mz::test::pageTexts(pages);
    for (size_t p = 0; p < pages.size(); ++p) {
        EXPECT_EQ(texts[p].back(), u"Page %1"_s.arg(p + 1));
        // Nothing runs into the page footer or off the paper.
        for (const mz::report::PageItem& item : pages[p].items) {
            EXPECT_LE(item.y + item.h, 297 - 15 + 0.01);
            EXPECT_GE(item.x, 15 - 0.01);
            EXPECT_LE(item.x + item.w, 195 + 0.01);
        }
    }
    EXPECT_EQ(texts[1].count(u"日付"_s), 1);  // the column titles again on the next page
    EXPECT_EQ(texts.front().count(u"相手先：佐藤 次郎"_s), 1);
    // The totals block on one page: its title row, 合計 and the last gifts together.
    const QStringList& last = texts.back();
    EXPECT_TRUE(last.contains(u"差引"_s));
    EXPECT_TRUE(last.contains(u"合計"_s));
    EXPECT_TRUE(last.contains(u"最後にいただいた物：2023/01/01　結婚祝　￥20,000"_s));
    int rows = 0;
    for (const QStringList& t : texts) rows += static_cast<int>(t.filter(QRegularExpression(u"^\\d{4}/"_s)).size());
    EXPECT_EQ(rows, 91);
}

// --- the line under the management windows' grid -------------------------------------------

TEST_F(BalanceTest, TotalsUnderTheGridFollowSearchAndDeleteWithoutMovingTheLayout) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    driver.onOpen<TINdelForm>([](TINdelForm& d) { d.ColorButton1Click(); });
    driver.onOpen<TINsrSrForm>([](TINsrSrForm& w) {
        settle();
        EXPECT_EQ(w.LabelTotals->text(), u"該当 7 件　合計 ￥75,000（金額なし 1 件）"_s);
        // Under the grid and the buttons, inside the frame, clear of every control.
        EXPECT_EQ(w.DBGrid1->geometry(), QRect(30, 175, 486, 208));
        EXPECT_GE(w.LabelTotals->geometry().top(), w.ColorButton2->geometry().bottom());
        EXPECT_TRUE(w.Bevel2->geometry().contains(w.LabelTotals->geometry()));
        for (QWidget* c : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (c != w.LabelTotals && c != w.Bevel2 && c->isVisibleTo(&w)) {
                EXPECT_FALSE(c->geometry().intersects(w.LabelTotals->geometry())) << c->objectName().toStdString();
            }

        w.Edit1->setText(u"山田*"_s);
        w.ColorButton5Click();
        settle();
        EXPECT_EQ(w.DBGrid1->model()->rowCount(), 5);
        EXPECT_EQ(w.LabelTotals->text(), u"該当 5 件　合計 ￥48,000（金額なし 1 件）"_s);

        w.DBGrid1->selectRow(0);  // 2020/01/10 山田 太郎 ￥30,000
        w.ColorButton9Click();    // 削除
        settle();
        EXPECT_EQ(w.LabelTotals->text(), u"該当 4 件　合計 ￥18,000（金額なし 1 件）"_s);

        w.Edit1->setText(u"いない"_s);
        w.ColorButton5Click();
        settle();
        EXPECT_EQ(w.LabelTotals->text(), u"該当 0 件　合計 ￥0"_s);
    });
    mz::platform::openModal(nullptr, mz::state().INsrSrForm);

    TOUTsrSrForm out;
    settle();
    EXPECT_EQ(out.LabelTotals->text(), u"該当 4 件　合計 ￥69,000"_s);
    EXPECT_TRUE(out.Bevel2->geometry().contains(out.LabelTotals->geometry()));
}

// --- the hint of the expenditure registration window -----------------------------------------

TEST_F(BalanceTest, TheRegistrationHintShowsWhatIsKnownAndFillsNothing) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    driver.onOpen<TNAMEsentakuForm>([](TNAMEsentakuForm& s) {
        s.TabControl1->setCurrentIndex(2);  // サ
        s.TabControl1Change();
        s.DBGrid1->selectRow(0);            // ｻﾄｳ ｼﾞﾛｳ
        s.DBGrid1DblClick();
    });
    TOUTregiForm w;
    EXPECT_TRUE(w.LabelHint->text().isEmpty());
    EXPECT_TRUE(w.rect().contains(w.LabelHint->geometry()));
    for (QWidget* c : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (c != w.LabelHint) {
            EXPECT_FALSE(c->geometry().intersects(w.LabelHint->geometry())) << c->objectName().toStdString();
        }

    w.DBEdit4->setText(u"山田太郎"_s);  // typed, blanks aside
    EXPECT_EQ(w.LabelHint->text(), u"前回いただいた物：2022/03/03　香典　￥10,000\n"
                                   u"これまでにいただいた合計：￥45,000（3件）\n"
                                   u"これまでにお贈りした合計：￥60,000（2件）"_s);
    w.DBEdit4->setText(u"山田 花子"_s);
    EXPECT_TRUE(w.LabelHint->text().endsWith(u"※同じ氏名の相手先が 2 人います"_s));
    w.DBEdit4->setText(u"知らない人"_s);
    EXPECT_TRUE(w.LabelHint->text().isEmpty());

    w.ColorButton3Click();  // picked: 佐藤 次郎
    EXPECT_EQ(w.DBEdit4->text(), u"佐藤 次郎"_s);
    EXPECT_TRUE(w.LabelHint->text().startsWith(u"前回いただいた物：2023/01/01　結婚祝　￥20,000\n"_s));
    // The hint fills nothing: the purpose and the amount stay empty.
    EXPECT_TRUE(w.DBEdit5->text().isEmpty());
    EXPECT_TRUE(w.DBEdit7->text().isEmpty());

    // Someone only ever given to: said so, with the totals.
    w.DBEdit4->setText(u"佐藤 花子"_s);
    EXPECT_EQ(w.LabelHint->text(), u"いただいた記録はありません。\n"
                                   u"これまでにいただいた合計：￥0（0件）\n"
                                   u"これまでにお贈りした合計：￥4,000（1件）"_s);
    w.DBEdit4->clear();
    EXPECT_TRUE(w.LabelHint->text().isEmpty());
}
