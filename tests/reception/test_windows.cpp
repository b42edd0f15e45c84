// The reception windows driven as a user at the desk drives them: keys only for a hundred guests,
// then correction, removal, another PC's entries, the closing count and the CSV of the book.
#include "data/binaryfile.h"
#include "data/cursor.h"
#include "data/table.h"
#include "exchange/csv.h"
#include "ledger/returns.h"
#include "platform/modal.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "reception/TGYOJIsentakuForm.h"
#include "reception/TUKEregiForm.h"
#include "reception/TUKEsimeForm.h"
#include "reception/guestbook.h"
#include "testdata.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace Qt::StringLiterals;
using mz::data::Cursor;

namespace {

// Kana rows for readings: person i of the book reads kBook[i / 10] kRow[i % 10] ﾀﾛｳ, new guest i
// reads kNew[i / 10] kRow[i % 10] ｼﾞﾛｳ, so that two kana pick one person.
const QString kRow = u"あかさたなはまやらわ"_s;
const QString kRowHalf = u"ｱｶｻﾀﾅﾊﾏﾔﾗﾜ"_s;
const QString kBook = u"あかさたな"_s;
const QString kNew = u"はまやらわ"_s;
const QDate kEventDate(2026, 12, 5);

class ReceptionWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir::setCurrent(dir.path());
        mz::state().reset();
        Cursor book;
        book.open(u"Aitesaki.DBF"_s);
        for (int i = 0; i < 50; ++i) {
            book.append();
            book.setValue(u"相手先コード"_s, double((i + 1) * 100 + 1));
            book.setValue(u"氏名"_s, u"名簿 %1"_s.arg(i));
            book.setValue(u"フリガナ"_s, QString(kRowHalf[i / 10]) + kRowHalf[i % 10] + u"ﾀﾛｳ"_s);
            book.setValue(u"住所1"_s, u"東京都港区%1-1"_s.arg(i));
            book.post();
        }
        Cursor purposes;
        purposes.open(u"Moku.dbf"_s);
        purposes.append();
        purposes.setValue(u"目的コード"_s, 1.0);
        purposes.setValue(u"目的"_s, u"香典"_s);
        purposes.setValue(u"目的区分"_s, u"弔事全般"_s);
        purposes.setValue(u"区分番号"_s, 4.0);
        purposes.post();
        const auto e = mz::reception::createEvent({0, u"故 山田太郎 告別式"_s, kEventDate, u"香典"_s, u"本人"_s});
        mz::state().CurrentEvent = e.number;
        mz::state().DeskName = u"受付A"_s;
    }
    void TearDown() override {
        QDir::setCurrent(before);
        mz::state().reset();
    }

    // Typed text as key presses carrying it (kana and kanji as the input method hands them on).
    static void type(const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, c.unicode() < 0x80 ? QChar(c).toUpper().unicode() : 0, Qt::NoModifier,
                            QString(c));
            QApplication::sendEvent(QApplication::focusWidget(), &press);
            QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(c));
            QApplication::sendEvent(QApplication::focusWidget(), &release);
        }
    }
    static void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }
    static void enter() { key(Qt::Key_Return); }

    QString before = QDir::currentPath();
    mz::test::DataDir dir;
};

void show(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
}

double amountOf(int guest) { return 1000.0 * (guest % 7 + 1) + (guest % 2 ? 0 : 10000); }

}  // namespace

TEST_F(ReceptionWindowTest, AHundredGuestsByKeysAloneHalfFromTheBookHalfNew) {
    mz::platform::Recorder rec;
    TUKEregiForm w;
    show(w);
    ASSERT_EQ(QApplication::focusWidget(), w.Edit1);
    double total = 0;
    for (int g = 0; g < 100; ++g) {
        const int i = g / 2;
        if (g % 2 == 0) {
            type(QString(kBook[i / 10]) + kRow[i % 10]);  // two kana of the reading
            ASSERT_EQ(w.ListWidget1->currentRow(), 0);
            enter();
            ASSERT_EQ(w.Edit1->text(), u"名簿 %1"_s.arg(i)) << "guest " << g;
            EXPECT_EQ(w.Label5->text(), u"東京都港区%1-1"_s.arg(i));
        } else {
            type(QString(kNew[i / 10]) + kRow[i % 10] + u"じろう"_s);
            ASSERT_EQ(w.ListWidget1->count(), 1) << "only 新しい相手先";
            enter();
            ASSERT_EQ(QApplication::focusWidget(), w.Edit2) << "typed kana went to the reading";
            type(u"新規 %1"_s.arg(i));
            enter();
            enter();  // the reading is there already
            type(u"1050011"_s);
            enter();
            type(u"東京都港区芝公園%1"_s.arg(i));
            enter();
            enter();  // 住所2
            enter();  // 電話
        }
        ASSERT_EQ(QApplication::focusWidget(), w.Edit8) << "guest " << g;
        type(QString::number(amountOf(g)));
        enter();
        if (g % 5 == 0) type(u"親族"_s);
        enter();
        if (g % 10 == 0) type(u"供花"_s);
        enter();
        total += amountOf(g);
        ASSERT_EQ(QApplication::focusWidget(), w.Edit1) << "ready for the next guest after " << g;
        ASSERT_TRUE(w.Edit1->text().isEmpty());
    }
    EXPECT_TRUE(rec.notices().isEmpty()) << rec.notices().join(u" / "_s).toStdString();
    EXPECT_EQ(w.TableWidget1->rowCount(), 100);
    EXPECT_EQ(w.TableWidget1->item(0, 0)->text(), u"受付A-0100"_s) << "newest first";
    EXPECT_EQ(w.desk().total(), total);
    EXPECT_TRUE(w.Label17->text().contains(u"100 件"_s));
    w.close();

    // The ledger: one income entry per guest, dated and purposed by the event.
    Cursor in;
    in.open(u"Indata.DBF"_s);
    ASSERT_EQ(in.recordCount(), 100);
    std::set<double> numbers;
    double sum = 0;
    int goods = 0;
    for (in.first(); !in.eof(); in.next()) {
        numbers.insert(in.number(u"収入番号"_s));
        sum += in.number(u"金額"_s);
        EXPECT_EQ(in.date(u"収入日"_s), kEventDate);
        EXPECT_EQ(in.text(u"目的"_s), u"香典"_s);
        EXPECT_EQ(in.text(u"家族名"_s), u"本人"_s);
        goods += in.text(u"物品"_s) == u"供花"_s;
    }
    EXPECT_EQ(numbers.size(), 100u);
    EXPECT_EQ(sum, total);
    EXPECT_EQ(goods, 10);

    // The address book: fifty new households, readings half-width.
    Cursor book;
    book.open(u"Aitesaki.DBF"_s);
    ASSERT_EQ(book.recordCount(), 100);
    book.last();
    EXPECT_EQ(book.text(u"氏名"_s), u"新規 49"_s);
    EXPECT_EQ(book.text(u"フリガナ"_s), u"ﾜﾜｼﾞﾛｳ"_s);
    EXPECT_EQ(book.text(u"〒"_s), u"1050011"_s);
    EXPECT_EQ(book.number(u"相手先コード"_s), 100 * 100 + 1);

    // The desk entries: numbers 1 to 100 of this desk, 関係 where typed.
    Cursor u;
    u.open(u"Uketsuke.DBF"_s);
    ASSERT_EQ(u.recordCount(), 100);
    int relatives = 0;
    std::set<QString> receptionNumbers;
    for (u.first(); !u.eof(); u.next()) {
        receptionNumbers.insert(u.text(u"受付番号"_s));
        relatives += u.text(u"関係"_s) == u"親族"_s;
    }
    EXPECT_EQ(receptionNumbers.size(), 100u);
    EXPECT_TRUE(receptionNumbers.count(u"受付A-0001"_s));
    EXPECT_EQ(relatives, 20);

    // Every guest has a return record, due after the forty-ninth day.
    auto returns = mz::ledger::returns::openReturnTable();
    const auto records = mz::ledger::returns::loadAll(*returns);
    ASSERT_EQ(records.size(), 100u);
    const QDate due =
        mz::ledger::returns::dueDateFor(mz::ledger::returns::Rules::defaults().of(4), kEventDate);
    ASSERT_TRUE(due.isValid());
    EXPECT_GE(kEventDate.daysTo(due), 49);
    for (const auto& [no, r] : records) {
        EXPECT_TRUE(r.due);
        EXPECT_EQ(r.dueDate, due);
    }
}

TEST_F(ReceptionWindowTest, MissingInputIsToldAndEscGivesUpTheGuestNotTheWindow) {
    mz::platform::Recorder rec;
    TUKEregiForm w;
    show(w);
    enter();  // nothing typed: nothing happens
    EXPECT_EQ(QApplication::focusWidget(), w.Edit1);
    type(u"あか"_s);
    enter();
    enter();  // no amount
    enter();
    enter();
    EXPECT_EQ(rec.notices().size(), 1);
    EXPECT_EQ(QApplication::focusWidget(), w.Edit8);
    EXPECT_EQ(w.desk().count(), 0);
    type(u"3000"_s);
    EXPECT_EQ(w.Label13->text(), u"￥3,000"_s);
    type(u"x"_s);
    EXPECT_EQ(w.Edit8->text(), u"3000"_s) << "digits only";
    key(Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), w.Edit1);
    EXPECT_TRUE(w.Edit8->text().isEmpty());

    // A new person without a reading is refused with the address book's message.
    type(u"鈴木"_s);
    enter();
    EXPECT_EQ(w.Edit2->text(), u"鈴木"_s) << "a typed name goes to the name";
    EXPECT_EQ(QApplication::focusWidget(), w.Edit3);
    w.Edit1->setFocus();
    enter();
    EXPECT_EQ(QApplication::focusWidget(), w.Edit2) << "Enter on the search box goes on to the new person";
    EXPECT_EQ(w.Edit2->text(), u"鈴木"_s);
    w.Edit3->setFocus();
    for (int k = 0; k < 5; ++k) enter();
    type(u"5000"_s);
    enter();
    enter();
    enter();
    EXPECT_EQ(rec.notices().size(), 2);
    EXPECT_EQ(QApplication::focusWidget(), w.Edit3);
    EXPECT_EQ(w.desk().count(), 0);
    w.close();
}

// A guest whose desk entry is stored although a write failed is shown in the list, the error is
// told, and the form is cleared, so that a second Enter does not take the same guest twice.
TEST_F(ReceptionWindowTest, AGuestStoredDespiteAFailedWriteIsShownAndNotTakenTwice) {
    mz::platform::Recorder rec;
    TUKEregiForm w;
    show(w);
    bool failing = false;
    struct Unhook {
        ~Unhook() { mz::data::BinaryFile::setWriteHook({}); }
    } unhook;
    mz::data::BinaryFile::setWriteHook([&](const QString& path, qint64, qint64) {
        if (path.endsWith(u"Uketsuke.MDX"_s)) failing = true;
        if (failing && QFileInfo(path).fileName().startsWith(u"Uketsuke."_s))
            throw mz::data::EngineError(u"Input/output error"_s);
    });
    type(u"あか"_s);
    enter();
    type(u"3000"_s);
    enter();
    enter();
    enter();
    mz::data::BinaryFile::setWriteHook({});
    EXPECT_TRUE(failing);
    EXPECT_EQ(rec.errors().size(), 1);
    EXPECT_EQ(w.desk().count(), 1);
    EXPECT_EQ(w.TableWidget1->rowCount(), 1);
    EXPECT_TRUE(w.Edit8->text().isEmpty()) << "the form is cleared";
    EXPECT_EQ(QApplication::focusWidget(), w.Edit1);
    enter();
    EXPECT_EQ(w.desk().count(), 1) << "the guest is not taken a second time";
    w.close();
}

TEST_F(ReceptionWindowTest, CorrectRemoveAndOtherDesksEntries) {
    mz::platform::Recorder rec;
    TUKEregiForm w;
    show(w);
    for (const QString& reading : {u"あか"_s, u"あさ"_s}) {
        type(reading);
        enter();
        type(u"5000"_s);
        enter();
        enter();
        enter();
    }
    // 修正 of the newest: the amount and the memo.
    w.TableWidget1->setCurrentCell(0, 0);
    w.ColorButton1Click();
    ASSERT_TRUE(w.editing());
    EXPECT_EQ(QApplication::focusWidget(), w.Edit8);
    w.Edit8->selectAll();
    type(u"30000"_s);
    enter();
    enter();
    type(u"弔電"_s);
    enter();
    EXPECT_FALSE(w.editing());
    EXPECT_EQ(w.desk().total(), 35000);
    EXPECT_EQ(w.TableWidget1->item(0, 2)->text(), u"￥30,000"_s);
    EXPECT_EQ(w.TableWidget1->item(0, 4)->text(), u"弔電"_s);

    // Another PC stores a guest: the timer's next look shows it.
    mz::reception::Desk other(mz::state().CurrentEvent, u"受付B"_s);
    mz::reception::Guest g;
    g.code = 101;
    g.amount = 10000;
    other.store(g);
    w.Timer1Timer();
    EXPECT_EQ(w.TableWidget1->rowCount(), 3);
    EXPECT_EQ(w.TableWidget1->item(0, 0)->text(), u"受付B-0003"_s);
    EXPECT_EQ(w.desk().total(), 45000);

    // 削除 asks first; No keeps the entry.
    w.TableWidget1->setCurrentCell(1, 0);
    rec.answerYesNo(false);
    w.ColorButton2Click();
    EXPECT_EQ(w.desk().count(), 3);
    rec.answerYesNo(true);
    w.ColorButton2Click();
    EXPECT_EQ(w.desk().count(), 2);
    EXPECT_EQ(w.desk().total(), 15000);
    Cursor in;
    in.open(u"Indata.DBF"_s);
    EXPECT_EQ(in.recordCount(), 2);
    EXPECT_EQ(mz::ledger::returns::loadAll(*mz::ledger::returns::openReturnTable()).size(), 2u);
    w.close();
}

TEST_F(ReceptionWindowTest, ClosingCountsTheCashAndWritesTheBook) {
    mz::reception::Desk desk(mz::state().CurrentEvent, u"受付A"_s);
    for (double a : {10000.0, 5000.0, 3000.0}) {
        mz::reception::Guest g;
        g.code = 101;
        g.amount = a;
        desk.store(g);
    }
    mz::platform::Recorder rec;
    TUKEsimeForm w;
    EXPECT_EQ(w.ColorButton1->text(), u"香典帳の印刷"_s);
    w.SpinBox1->setValue(1);
    w.SpinBox2->setValue(1);
    w.SpinBox4->setValue(2);
    EXPECT_EQ(w.Label14->text(), u"￥17,000"_s);
    EXPECT_EQ(w.Label18->text(), u"-￥1,000"_s);
    w.Edit1->setText(u"1000"_s);
    EXPECT_EQ(w.Label18->text(), u"￥0"_s);
    EXPECT_EQ(w.cash().total(), 18000);

    const QString csv = dir.file(u"book.csv"_s);
    rec.answerSaveFile(csv);
    w.ColorButton2Click();
    const auto rows = mz::exchange::parseCsv(
        mz::exchange::decodeText(mz::exchange::readFileBytes(csv), mz::exchange::Encoding::Utf8Bom));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].value(0), u"受付A-0001"_s) << "in the order taken";
    EXPECT_EQ(rows[1].value(2), u"東京都港区0-1"_s);
    EXPECT_EQ(rows[3].value(4), u"3000"_s);
}

TEST_F(ReceptionWindowTest, EventWindowStartsANewEventUnderTheDeskName) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    qint32 opened = 0;
    driver.onOpen<TUKEregiForm>([&](TUKEregiForm& w) { opened = w.desk().event().number; });
    TGYOJIsentakuForm w;
    ASSERT_EQ(w.TableWidget1->rowCount(), 1);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices().size(), 1) << "no name";
    w.Edit1->setText(u"通夜"_s);
    w.Edit2->setText(u"受付C"_s);
    w.ColorButton1Click();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(mz::state().DeskName, u"受付C"_s);
    EXPECT_EQ(w.TableWidget1->rowCount(), 2);
    EXPECT_EQ(w.TableWidget1->item(0, 2)->text(), u"通夜"_s);
    EXPECT_EQ(w.TableWidget1->item(0, 3)->text(), u"香典"_s) << "香典 offered first";
    // Resuming the older one: Enter on the list.
    w.TableWidget1->setCurrentCell(1, 0);
    QTest::keyClick(w.TableWidget1, Qt::Key_Return);
    EXPECT_EQ(opened, 1);
}

TEST_F(ReceptionWindowTest, BookPagesCarryTheirTotalsAndLongAddressesStayInTheirColumn) {
    mz::reception::Event e{1, u"故 山田太郎 告別式"_s, kEventDate, u"香典"_s, {}};
    std::vector<mz::reception::BookLine> lines;
    for (int i = 1; i <= 80; ++i) {
        mz::reception::BookLine l;
        l.entry.serial = i;
        l.entry.number = mz::reception::receptionNumber(u"受付A"_s, i);
        l.entry.name = u"名簿 %1"_s.arg(i);
        l.entry.amount = 1000;
        l.address = u"東京都世田谷区桜新町四丁目九番二号グランドハイツ桜新町１０２号室"_s;
        lines.push_back(l);
    }
    const auto pages = mz::reception::bookPages(e, lines);
    ASSERT_GE(pages.size(), 2u);
    int counted = 0;
    QStringList totals;
    for (const auto& p : pages)
        for (const auto& item : p.items) {
            if (item.text.startsWith(u"受付A-"_s)) ++counted;
            if (item.text.startsWith(u"￥"_s) && item.font.bold) totals << item.text;
            if (item.text.startsWith(u"東京都"_s)) {
                EXPECT_TRUE(item.text.endsWith(u"…"_s));
                EXPECT_LE(item.text.size(), 21);
            }
        }
    EXPECT_EQ(counted, 80);
    // Each page's own total, then the event's on the last page.
    EXPECT_EQ(totals.size(), static_cast<qsizetype>(pages.size() + 1));
    EXPECT_EQ(totals.last(), u"￥80,000"_s);
}
