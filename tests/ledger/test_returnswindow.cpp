// お返し管理 as the user meets it: the list by due date with the overdue ones marked and the
// budget, its filters, one entry's record edited, several marked 送付済 at once (all or none),
// the rules changed, the list for sending printed, and the reminder of overdue returns.
#include "balancefixture.h"

#include "../printouts/printouttest.h"
#include "data/binaryfile.h"
#include "ledger/TOKAEeditForm.h"
#include "ledger/TOKAErulesForm.h"
#include "ledger/TOKAEshiForm.h"
#include "ledger/returns.h"
#include "ledger/returnslist.h"
#include "platform/modal.h"
#include "platform/recorder.h"
#include "report/TReportPreview.h"
#include "widgets/dbedit.h"
#include "widgets/format.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
namespace rt = mz::ledger::returns;
using mz::data::EngineError;
using rt::Status;
namespace bal = mz::ledger::balance;

namespace {

// The fixture's income entries with the records registration gives them, 5 already sent:
//   1 2020/01/10 山田 太郎  結婚祝 30,000  due 2020/02/10     4 内祝, 2 お中元, 7 手作り: none due
//   3 2022/03/03 山田太郎   香典   10,000  due 2022/04/21     5 佐藤 次郎 結婚祝: 送付済
//   6 2023/02/02 田中 未登録 結婚祝 7,000  due 2023/03/02
struct ReturnWindowTest : BalanceTest {
    ReturnWindowTest() {
        const auto t = rt::openReturnTable();
        const rt::Rules rules = rt::Rules::defaults();
        const bal::PurposeCategories purposes = bal::PurposeCategories::load();
        const std::pair<int, QString> entries[] = {
            {1, u"結婚祝"_s}, {2, u"お中元"_s}, {3, u"香典"_s},  {4, u"内祝"_s},
            {5, u"結婚祝"_s}, {6, u"結婚祝"_s}, {7, u"手作り"_s}};
        const QDate dates[] = {{2020, 1, 10}, {2021, 5, 1}, {2022, 3, 3}, {2021, 6, 1},
                               {2023, 1, 1},  {2023, 2, 2}, {2022, 7, 7}};
        for (size_t i = 0; i < std::size(entries); ++i) {
            rt::Record r =
                rt::defaultsFor(rules, purposes.of(entries[i].second), entries[i].first, dates[i]);
            if (r.incomeNo == 5) {
                r.status = Status::Sent;
                r.sentDate = QDate(2023, 1, 20);
                r.item = u"カタログギフト"_s;
                r.spent = 10000;
            }
            rt::store(*t, r);
        }
        // An address for 山田 太郎; 山田 花子 is two people, 田中 未登録 is no one.
        mz::data::Cursor c;
        c.open(u"Aitesaki.DBF"_s);
        c.setFiltered(true);
        c.setFilter(u"相手先コード= 101"_s);
        c.edit();
        c.setValue(u"〒"_s, u"100-0001"_s);
        c.setValue(u"住所1"_s, u"東京都千代田区千代田1-1"_s);
        c.setValue(u"住所2"_s, u"千代田ハイツ101"_s);
        c.post();
    }
};

std::vector<qint32> numbersOf(const std::vector<rt::Row>& rows) {
    std::vector<qint32> n;
    for (const rt::Row& r : rows) n.push_back(r.incomeNo);
    return n;
}

QString cell(const TOKAEshiForm& w, int row, int column) {
    return w.Grid1->model()->index(row, column).data().toString();
}

// Makes the one write to a file after `after` others fail, as a disk that fills up would.
struct FailWritesTo {
    explicit FailWritesTo(const QString& name, int after = 0) {
        mz::data::BinaryFile::setWriteHook(
            [name, after, seen = 0](const QString& path, qint64, qint64) mutable {
                if (QFileInfo(path).fileName().compare(name, Qt::CaseInsensitive) != 0) return;
                if (++seen == after + 1)
                    throw EngineError(
                        u"ファイル '%1' に書き込めません: No space left on device"_s.arg(name));
            });
    }
    ~FailWritesTo() { mz::data::BinaryFile::setWriteHook({}); }
    FailWritesTo(const FailWritesTo&) = delete;
    FailWritesTo& operator=(const FailWritesTo&) = delete;
};

}  // namespace

// --- the list ---------------------------------------------------------------------------------

TEST_F(ReturnWindowTest, TheListShowsWhatIsDueAndNotSentByDueDateWithBudgetAndTotals) {
    mz::platform::Recorder rec;
    TOKAEshiForm w;
    EXPECT_EQ(w.ComboBox1->currentText(), u"未送付（要返礼）"_s);
    EXPECT_EQ(numbersOf(w.rows()), (std::vector<qint32>{1, 3, 6}));
    ASSERT_EQ(w.Grid1->model()->rowCount(), 3);
    EXPECT_EQ(cell(w, 0, 0), u"2020/02/10"_s);
    EXPECT_EQ(cell(w, 0, 1), u"未手配・超過"_s);
    EXPECT_EQ(w.Grid1->model()->index(0, 1).data(Qt::ForegroundRole).value<QColor>(),
              QColor(0xCC, 0, 0));
    EXPECT_EQ(cell(w, 0, 5), u"￥30,000"_s);
    EXPECT_EQ(cell(w, 0, 6), u"￥15,000"_s);
    EXPECT_EQ(cell(w, 1, 0), u"2022/04/21"_s);  // 香典: 四十九日
    EXPECT_EQ(cell(w, 1, 6), u"￥3,300～￥5,000"_s);
    EXPECT_EQ(w.LabelTotals->text(),
              u"3 件（期限超過 3 件）　いただいた ￥47,000　予算 ￥21,800～￥23,500　返礼額 ￥0"_s);
    EXPECT_TRUE(rec.dialogs().isEmpty());
}

TEST_F(ReturnWindowTest, FiltersByStatusNamePurposeAndDates) {
    mz::platform::Recorder rec;
    TOKAEshiForm w;
    auto show = [&](rt::StatusFilter status) {
        w.ComboBox1->setCurrentIndex(int(status));
        w.ColorButton5Click();
        return numbersOf(w.rows());
    };
    EXPECT_EQ(show(rt::StatusFilter::Sent), (std::vector<qint32>{5}));
    EXPECT_EQ(show(rt::StatusFilter::NotNeeded), (std::vector<qint32>{2, 4, 7}));
    // Every entry: those with a due date first, by date; then the rest by 収入日.
    EXPECT_EQ(show(rt::StatusFilter::All), (std::vector<qint32>{1, 3, 5, 6, 2, 4, 7}));
    w.Edit1->setText(u"山田　太郎"_s);  // blanks of any width are ignored
    EXPECT_EQ(show(rt::StatusFilter::All), (std::vector<qint32>{1, 3, 2}));
    w.Edit1->clear();
    w.Edit2->setText(u"結婚"_s);
    EXPECT_EQ(show(rt::StatusFilter::All), (std::vector<qint32>{1, 5, 6}));
    w.Edit2->clear();
    w.Edit3->setText(u"2022/01/01"_s);
    w.Edit4->setText(u"2022/12/31"_s);
    EXPECT_EQ(show(rt::StatusFilter::All), (std::vector<qint32>{3, 7}));
    EXPECT_TRUE(rec.dialogs().isEmpty());
    // A box that holds no date is told, and the list stays as it was.
    w.Edit4->setText(u"2022/13/01"_s);
    EXPECT_EQ(show(rt::StatusFilter::Pending), (std::vector<qint32>{3, 7}));
    EXPECT_EQ(rec.notices(), QStringList{u"  収入日は 2024/03/15 のように入力してください。  "_s});
    w.Edit3->setText(u"2023/01/01"_s);
    w.Edit4->setText(u"2022/01/01"_s);
    w.ColorButton5Click();
    EXPECT_EQ(rec.notices().size(), 2);
    EXPECT_EQ(numbersOf(w.rows()), (std::vector<qint32>{3, 7}));
}

TEST_F(ReturnWindowTest, AnEntryFromBeforeTheReturnTableShowsWithoutARecordAndCanGetOne) {
    rt::removeFor(*rt::openReturnTable(), 6);
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    driver.onOpen<TOKAEeditForm>([](TOKAEeditForm& e) {
        // It starts from the defaults of its category.
        EXPECT_TRUE(e.CheckBox1->isChecked());
        EXPECT_EQ(e.Edit1->text(), u"2023/03/02"_s);
        EXPECT_EQ(e.ComboBox1->currentText(), u"未手配"_s);
        EXPECT_EQ(e.LabelBudget->text(), u"予算の目安 ￥3,500"_s);
        e.ColorButton1Click();
    });
    TOKAEshiForm w;
    EXPECT_EQ(numbersOf(w.rows()), (std::vector<qint32>{1, 3}));
    w.ComboBox1->setCurrentIndex(int(rt::StatusFilter::NoRecord));
    w.ColorButton5Click();
    ASSERT_EQ(numbersOf(w.rows()), (std::vector<qint32>{6}));
    EXPECT_EQ(cell(w, 0, 1), u"記録なし"_s);
    w.ColorButton6Click();
    EXPECT_TRUE(w.rows().empty());
    ASSERT_TRUE(rt::find(*rt::openReturnTable(), 6));
}

// --- one entry's record -----------------------------------------------------------------------

TEST_F(ReturnWindowTest, TheEditWindowStoresStatusDateItemAmountAndMemo) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    driver.onOpen<TOKAEeditForm>([](TOKAEeditForm& e) {
        EXPECT_EQ(e.LabelEntry->text(), u"2022/03/03　山田太郎 様　香典　￥10,000"_s);
        EXPECT_EQ(e.Edit1->text(), u"2022/04/21"_s);
        e.ComboBox1->setCurrentIndex(int(Status::Sent));
        e.ComboBox1Change();  // 送付済 fills the empty date with today
        EXPECT_EQ(e.Edit2->text(), mz::format::formatDate(QDate::currentDate()));
        e.Edit2->setText(u"2022/05/01"_s);
        e.Edit3->setText(u"緑茶の詰め合わせ"_s);
        e.Edit4->setText(u"4500"_s);
        e.Memo1->setPlainText(u"忌明けの挨拶状を添えて"_s);
        e.ColorButton1Click();
    });
    TOKAEshiForm w;
    w.selectNumbers({3});
    w.ColorButton6Click();
    EXPECT_EQ(rec.notices(), QStringList{u"  お返しの記録が登録されました。  "_s});
    const std::optional<rt::Record> r = rt::find(*rt::openReturnTable(), 3);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, Status::Sent);
    EXPECT_EQ(r->sentDate, QDate(2022, 5, 1));
    EXPECT_EQ(r->item, u"緑茶の詰め合わせ"_s);
    EXPECT_EQ(r->spent, 4500);
    EXPECT_EQ(r->memo, u"忌明けの挨拶状を添えて"_s);
    EXPECT_EQ(r->dueDate, QDate(2022, 4, 21));
    EXPECT_EQ(numbersOf(w.rows()), (std::vector<qint32>{1, 6}));  // no longer pending
}

TEST_F(ReturnWindowTest, TheEditWindowRefusesBadDatesAmountsAndASendingWithoutADate) {
    mz::platform::Recorder rec;
    mz::state().ReturnIncomeNo = 1;
    const rt::Record before = *rt::find(*rt::openReturnTable(), 1);
    TOKAEeditForm e;
    e.Edit1->setText(u"2020/02/30"_s);
    e.ColorButton1Click();
    e.Edit1->setText(u""_s);  // no fixed date is allowed
    e.Edit4->setText(u"-5"_s);
    e.ColorButton1Click();
    e.Edit4->setText(u"3000"_s);
    e.ComboBox1->setCurrentIndex(int(Status::Sent));
    e.ColorButton1Click();
    EXPECT_EQ(rec.notices(),
              (QStringList{u"  期日は 2024/03/15 のように入力してください（空欄もできます）。  "_s,
                           u"  返礼額は 0 以上の整数で入力してください。  "_s,
                           u"  送付済には送付日を入力してください。  "_s}));
    EXPECT_EQ(*rt::find(*rt::openReturnTable(), 1), before);
    e.ComboBox1->setCurrentIndex(int(Status::Arranged));
    e.ColorButton1Click();
    const rt::Record after = *rt::find(*rt::openReturnTable(), 1);
    EXPECT_EQ(after.status, Status::Arranged);
    EXPECT_FALSE(after.dueDate.isValid());
    EXPECT_EQ(after.spent, 3000);
}

TEST_F(ReturnWindowTest, TheEditWindowOfAnEntryDeletedMeanwhileStoresNothing) {
    mz::platform::Recorder rec;
    mz::state().ReturnIncomeNo = 99;
    TOKAEeditForm e;  // the error is shown; the window opens empty
    EXPECT_EQ(rec.errors().size(), 1);
    EXPECT_THROW(e.ColorButton1Click(), EngineError);
    EXPECT_FALSE(rt::find(*rt::openReturnTable(), 99));
    EXPECT_FALSE(rt::find(*rt::openReturnTable(), 0));
}

// --- several at once --------------------------------------------------------------------------

TEST_F(ReturnWindowTest, SeveralAreMarkedSentAtOnceWithOneDate) {
    mz::platform::Recorder rec;
    TOKAEshiForm w;
    w.selectNumbers({1, 6});
    EXPECT_EQ(w.selectedNumbers(), (std::vector<qint32>{1, 6}));
    w.Edit5->setText(u"2024/12/01"_s);
    rec.answerOkCancel(false);  // キャンセル: nothing changes
    w.ColorButton7Click();
    EXPECT_EQ(numbersOf(w.rows()), (std::vector<qint32>{1, 3, 6}));
    rec.answerOkCancel(true);
    w.ColorButton7Click();
    EXPECT_EQ(rec.notices(), QStringList{u"  2 件を送付済にしました。  "_s});
    EXPECT_EQ(numbersOf(w.rows()), (std::vector<qint32>{3}));
    for (qint32 n : {1, 6}) {
        const rt::Record r = *rt::find(*rt::openReturnTable(), n);
        EXPECT_EQ(r.status, Status::Sent) << n;
        EXPECT_EQ(r.sentDate, QDate(2024, 12, 1)) << n;
    }
    // Nothing selected, or no date: told, nothing asked.
    w.Grid1->clearSelection();
    w.ColorButton7Click();
    w.selectNumbers({3});
    w.Edit5->setText(u"いつか"_s);
    w.ColorButton7Click();
    EXPECT_EQ(rec.notices().mid(1),
              (QStringList{u"  お返しを選んでください。  "_s,
                           u"  送付日は 2024/03/15 のように入力してください。  "_s}));
}

TEST_F(ReturnWindowTest, MarkingSeveralIsAllOrNothing) {
    const std::map<qint32, rt::Record> before = rt::loadAll(*rt::openReturnTable());
    {
        // The first record is written, the second write fails: the first is put back.
        const FailWritesTo full(u"Okaeshi.DBF"_s, 3);
        EXPECT_THROW(rt::markSent({1, 3, 6}, QDate(2024, 12, 1)), EngineError);
    }
    EXPECT_EQ(rt::loadAll(*rt::openReturnTable()), before);
    EXPECT_EQ(rt::markSent({1, 3, 6}, QDate(2024, 12, 1)), 3);
    EXPECT_EQ(rt::find(*rt::openReturnTable(), 3)->status, Status::Sent);
}

// --- the rules ---------------------------------------------------------------------------------

TEST_F(ReturnWindowTest, TheRulesWindowShowsTheDefaultsAndStoresChanges) {
    mz::platform::Recorder rec;
    TOKAErulesForm r;
    EXPECT_EQ(r.Grid1->rowCount(), 6);
    EXPECT_EQ(r.Grid1->item(0, 0)->text(), u"お祝い"_s);
    EXPECT_EQ(r.Grid1->item(0, 1)->checkState(), Qt::Checked);
    EXPECT_EQ(r.Grid1->item(0, 2)->text(), u"50"_s);
    EXPECT_EQ(r.Grid1->item(0, 5)->text(), u"1"_s);
    EXPECT_EQ(r.Grid1->item(4, 2)->text(), u"33.33"_s);
    EXPECT_EQ(r.Grid1->item(4, 4)->text(), u"49"_s);
    EXPECT_EQ(r.Grid1->item(1, 1)->checkState(), Qt::Unchecked);
    // Days and months together are refused, and so is a top below the bottom.
    r.Grid1->item(1, 1)->setCheckState(Qt::Checked);
    r.Grid1->item(1, 2)->setText(u"30"_s);
    r.Grid1->item(1, 3)->setText(u"20"_s);
    r.ColorButton1Click();
    r.Grid1->item(1, 3)->setText(u"30"_s);
    r.Grid1->item(1, 4)->setText(u"14"_s);
    r.Grid1->item(1, 5)->setText(u"1"_s);
    r.ColorButton1Click();
    EXPECT_EQ(rec.notices(),
              (QStringList{u"  一般行事：予算の上限は下限から 100 までの数で入力してください。  "_s,
                           u"  一般行事：期日は日数か月数のどちらか一方で入力してください。  "_s}));
    EXPECT_EQ(rt::Rules::load(), rt::Rules::defaults());
    r.Grid1->item(1, 5)->setText(u""_s);
    r.ColorButton1Click();
    const rt::Rule event = rt::Rules::load().of(1);
    EXPECT_TRUE(event.customary);
    EXPECT_EQ(event.lowFraction, 0.3);
    EXPECT_EQ(event.dueDays, 14);
    EXPECT_EQ(rt::Rules::load().of(0), rt::Rules::defaults().of(0));
}

// --- the list for sending ----------------------------------------------------------------------

TEST_F(ReturnWindowTest, TheListForSendingMatchesItsGoldenDump) {
    rt::Filter f;
    const std::vector<rt::Row> rows = rt::gatherRows(f);
    const rt::AddressBook book = rt::AddressBook::load();
    EXPECT_EQ(book.addressOf(u"山田太郎"_s),
              u"〒100-0001 東京都千代田区千代田1-1 千代田ハイツ101"_s);
    EXPECT_EQ(book.addressOf(u"山田 花子"_s), u"（同名の相手先が 2 件あります）"_s);
    EXPECT_EQ(book.addressOf(u"田中 未登録"_s), u"（住所録にありません）"_s);
    const std::vector<mz::report::Page> pages =
        rt::sendingListPages(rows, book, QDate(2024, 12, 9), QDate(2024, 12, 9));
    const QString actual = mz::report::dump(pages);
    EXPECT_EQ(actual.toStdString(),
              mz::test::golden(u"returns_sending.txt"_s, actual).toStdString());
    // MIZOREL_PRINTOUT_PDF=DIR also writes it as PDF there, to be looked at.
    if (const QString pdfDir = qEnvironmentVariable("MIZOREL_PRINTOUT_PDF"); !pdfDir.isEmpty()) {
        QDir().mkpath(pdfDir);
        EXPECT_TRUE(mz::report::writePdf(QDir(pdfDir).filePath(u"returns_sending.pdf"_s),
                                         rt::sendingListReport(), pages, {}));
    }
    ASSERT_EQ(pages.size(), 1u);
    const QStringList texts = mz::test::pageTexts(pages)[0];
    EXPECT_EQ(texts.front(), u"お返し送付リスト"_s);
    EXPECT_TRUE(texts.contains(u"山田 太郎 様"_s));
    EXPECT_TRUE(texts.contains(u"2020/02/10"_s));
    EXPECT_EQ(texts.count(u"（超過）"_s), 3);
    EXPECT_TRUE(texts.contains(u"（住所録にありません）"_s));
    EXPECT_TRUE(texts.contains(
        u"3 件（期限超過 3 件）　いただいた ￥47,000　予算 ￥21,800～￥23,500　返礼額 ￥0"_s));
}

TEST_F(ReturnWindowTest, PrintingPreviewsTheListShownAndAnEmptyListIsTold) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    int pages = 0;
    driver.onOpen<TReportPreview>([&](TReportPreview& p) { pages = p.pageCount(); });
    TOKAEshiForm w;
    w.ColorButton1Click();
    EXPECT_EQ(pages, 1);
    w.Edit1->setText(u"誰もいない"_s);
    w.ColorButton5Click();
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{u"  印刷するお返しがありません。  "_s});
    EXPECT_EQ(driver.openCount(u"TReportPreview"_s), 1);
}

// --- the reminder ----------------------------------------------------------------------------

TEST_F(ReturnWindowTest, TheReminderCountsTheOverdueAndNamesTheOldest) {
    const rt::Reminder r = rt::overdueReminder(QDate(2022, 5, 1));
    EXPECT_EQ(r.count, 2);  // 6 is not yet due on that day
    ASSERT_TRUE(r.oldest);
    EXPECT_EQ(r.oldest->incomeNo, 1);
    EXPECT_EQ(
        rt::reminderText(r),
        u"お返しの期限を過ぎたものが 2 件あります（最も古いもの：山田 太郎 様、結婚祝、期日 2020/02/10）。"_s);
    EXPECT_EQ(rt::overdueReminder(QDate(2020, 2, 10)).count, 0);  // due that day is not overdue yet
    EXPECT_TRUE(rt::reminderText(rt::overdueReminder(QDate(2020, 1, 1))).isEmpty());
}
