// The ledger entry windows as the user meets them: registration one entry after another with
// its numbering, required data and pictures; the view with its printout; the edit and delete
// windows working on the management window's current entry; whole roads from the management
// window and back.
#include "counterparts/TNAMEsentakuForm.h"
#include "data/cursor.h"
#include "data/types.h"
#include "ledger/TINdelForm.h"
#include "ledger/TINeditForm.h"
#include "ledger/TINregiForm.h"
#include "ledger/TINsrSrForm.h"
#include "ledger/TINsrchForm.h"
#include "ledger/TOUTdelForm.h"
#include "ledger/TOUTeditForm.h"
#include "ledger/TOUTregiForm.h"
#include "ledger/TOUTsrSrForm.h"
#include "ledger/TOUTsrchForm.h"
#include "masters/TMOKUsentakuForm.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "printouts/printoutforms.h"
#include "report/TReportPreview.h"
#include "report/report.h"
#include "records.h"
#include "testdata.h"
#include "widgets/colorbutton.h"
#include "widgets/datetimepicker.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbimage.h"
#include "widgets/dbmemo.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::data::Cursor;
using mz::data::EngineError;

namespace {

const QString kMissing = u"  相手先等のデータが設定されていません。  "_s;
const QString kInRegistered = u"  収入データが登録されました。  "_s;
const QString kOutRegistered = u"  支出データが登録されました。  "_s;

using Entry = mz::test::LedgerEntry;
using mz::test::addEntries;
using mz::test::addFamily;
using mz::test::addPerson;


// One stored record of a ledger, by its number.
struct Stored {
    bool found = false;
    QDate date;
    QString name, purpose, family, memo, remark;
    double amount = 0;
    QByteArray picture;
};

Stored stored(const QString& table, int number) {
    Cursor c;
    c.open(table);
    const bool income = table == u"Indata.DBF"_s;
    for (c.first(); !c.eof(); c.next()) {
        if (c.number(income ? u"収入番号"_s : u"支出番号"_s) != number) continue;
        Stored s;
        s.found = true;
        s.date = c.date(income ? u"収入日"_s : u"支出日"_s);
        s.name = c.text(u"氏名"_s);
        s.purpose = c.text(u"目的"_s);
        if (income) s.family = c.text(u"家族名"_s);
        s.memo = c.text(u"物品"_s);
        s.remark = c.text(u"物品／備考"_s);
        s.amount = c.number(u"金額"_s);
        const mz::data::Value v = c.value(u"写真"_s);
        if (const auto* b = std::get_if<QByteArray>(&v)) s.picture = *b;
        return s;
    }
    return {};
}

int storedCount(const QString& table) {
    Cursor c;
    c.open(table);
    return c.recordCount();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A small bitmap file of one colour.
QString writeBitmap(const QString& path, QColor colour) {
    QImage image(8, 6, QImage::Format_RGB888);
    image.fill(colour);
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
}

struct EntryWindowTest : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    EntryWindowTest() {
        mz::state().reset();
        QDir::setCurrent(dir.path());
        mz::state().DataDir = dir.path();
    }
    ~EntryWindowTest() override {
        QDir::setCurrent(cwd);
        mz::state().reset();
    }
    QString gray() const { return dir.file(u"Gray.bmp"_s); }
};

// Types one character as the keyboard (or the input method's commit) would.
void typeChar(QWidget* w, QChar ch) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &release);
}

// Fills the income form with a complete entry.
template <class W>
void fillIncome(W& w, const QString& name, const QString& amount = u"5000"_s) {
    w.DBEdit4->setText(name);
    w.DBEdit5->setText(u"結婚祝"_s);
    w.DBComboBox1->setEditText(u"花子"_s);
    w.DBEdit7->setText(amount);
}

}  // namespace

// --- registration: numbering and the next entry -----------------------------------------------

TEST_F(EntryWindowTest, EmptyLedgerNumbersOneThenTwoAndEachEntryTakesThePickersDate) {
    addFamily(1, u"花子"_s);
    addFamily(2, u"一郎"_s);
    mz::platform::Recorder rec;
    TINregiForm w;
    EXPECT_EQ(w.DBEdit2->text(), u"1"_s);
    EXPECT_EQ(mz::state().IncomeNo, 1);
    EXPECT_EQ(w.DateTimePicker1->date(), QDate::currentDate());
    EXPECT_EQ(w.DateTimePicker1->displayFormat(), u"yyyy/MM/dd"_s);
    EXPECT_EQ(w.DBComboBox1->count(), 2);
    EXPECT_EQ(w.DBComboBox1->itemText(1), u"一郎"_s);
    EXPECT_EQ(w.Table1->state(), Cursor::State::Insert);

    fillIncome(w, u"山田太郎"_s);
    w.DateTimePicker1->setDate(QDate(2024, 5, 3));
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{kInRegistered});
    // The next entry is ready at once: number up by one, today, empty controls, focus on 氏名.
    EXPECT_EQ(w.DBEdit2->text(), u"2"_s);
    EXPECT_EQ(mz::state().IncomeNo, 2);
    EXPECT_EQ(w.DateTimePicker1->date(), QDate::currentDate());
    EXPECT_TRUE(w.DBEdit4->text().isEmpty());
    EXPECT_TRUE(w.DBEdit7->text().isEmpty());
    EXPECT_TRUE(w.DBComboBox1->text().isEmpty());
    EXPECT_EQ(w.DBComboBox1->count(), 2);
    EXPECT_EQ(w.focusWidget(), w.DBEdit4);
    EXPECT_EQ(w.Table1->state(), Cursor::State::Insert);

    fillIncome(w, u"佐藤一郎"_s, u"3000"_s);
    w.DateTimePicker1->setDate(QDate(2023, 1, 15));
    w.ColorButton1Click();
    EXPECT_EQ(w.DBEdit2->text(), u"3"_s);

    const Stored first = stored(u"Indata.DBF"_s, 1);
    ASSERT_TRUE(first.found);
    EXPECT_EQ(first.date, QDate(2024, 5, 3));
    EXPECT_EQ(first.name, u"山田太郎"_s);
    EXPECT_EQ(first.purpose, u"結婚祝"_s);
    EXPECT_EQ(first.family, u"花子"_s);
    EXPECT_EQ(first.amount, 5000);
    EXPECT_TRUE(first.remark.isEmpty());
    EXPECT_TRUE(first.picture.isEmpty());  // no picture action: 写真 stays empty
    const Stored second = stored(u"Indata.DBF"_s, 2);
    EXPECT_EQ(second.date, QDate(2023, 1, 15));
    EXPECT_EQ(second.name, u"佐藤一郎"_s);

    // 戻る drops the started third entry.
    w.DBEdit4->setText(u"未登録"_s);
    w.ColorButton2Click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(storedCount(u"Indata.DBF"_s), 2);
}

TEST_F(EntryWindowTest, TheNextNumberFollowsTheLastStoredRecordWhateverIsMissing) {
    addEntries(u"Outdata.DBF"_s,
               {{3, QDate(2024, 1, 1), u"甲"_s}, {41, QDate(2020, 1, 1), u"乙"_s}});
    addEntries(u"Indata.DBF"_s,
               {{41, QDate(2024, 1, 1), u"甲"_s}, {7, QDate(2020, 1, 1), u"乙"_s}});
    {
        TOUTregiForm w;
        EXPECT_EQ(w.DBEdit2->text(), u"42"_s);
        EXPECT_EQ(mz::state().ExpenseNo, 42);
    }
    {
        TINregiForm w;  // stored order, not the largest number
        EXPECT_EQ(w.DBEdit2->text(), u"8"_s);
    }
    {
        // A window closed without registering changes nothing; the next one gives the same number.
        mz::platform::Recorder rec;
        TOUTregiForm w;
        w.DBEdit4->setText(u"丙"_s);
        w.DBEdit5->setText(u"香典"_s);
        w.DBEdit7->setText(u"1000"_s);
        w.ColorButton1Click();
        EXPECT_EQ(rec.notices(), QStringList{kOutRegistered});
        EXPECT_EQ(w.DBEdit2->text(), u"43"_s);
        EXPECT_EQ(stored(u"Outdata.DBF"_s, 42).name, u"丙"_s);
    }
}

// --- registration: required data ---------------------------------------------------------------

TEST_F(EntryWindowTest, IncomeNeedsNamePurposeFamilyAndAmountOrMemo) {
    mz::platform::Recorder rec;
    TINregiForm w;
    // Name, purpose and family without amount or memo: refused, nothing written, entry kept.
    w.DBEdit4->setText(u"山田"_s);
    w.DBEdit5->setText(u"香典"_s);
    w.DBComboBox1->setEditText(u"花子"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{kMissing});
    EXPECT_EQ(storedCount(u"Indata.DBF"_s), 0);
    EXPECT_EQ(w.DBEdit4->text(), u"山田"_s);
    EXPECT_EQ(w.Table1->state(), Cursor::State::Insert);

    // Everything but the family member: refused.
    w.DBEdit7->setText(u"3000"_s);
    w.DBComboBox1->setEditText(QString());
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), (QStringList{kMissing, kMissing}));
    EXPECT_EQ(storedCount(u"Indata.DBF"_s), 0);

    // A memo only (no amount) is enough, and marks 物品／備考.
    w.DBEdit7->setText(QString());
    w.DBComboBox1->setEditText(u"花子"_s);
    w.DBMemo1->setPlainText(u"タオル"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices().last(), kInRegistered);
    EXPECT_EQ(stored(u"Indata.DBF"_s, 1).remark, u"有り"_s);
    EXPECT_EQ(stored(u"Indata.DBF"_s, 1).memo, u"タオル"_s);

    // A memo of blanks counts as text.
    w.DBEdit4->setText(u"佐藤"_s);
    w.DBEdit5->setText(u"香典"_s);
    w.DBComboBox1->setEditText(u"花子"_s);
    w.DBMemo1->setPlainText(u"   "_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices().last(), kInRegistered);
    EXPECT_EQ(stored(u"Indata.DBF"_s, 2).remark, u"有り"_s);
}

TEST_F(EntryWindowTest, ExpenditureNeedsNoFamilyAndAnAmountThatIsANumber) {
    mz::platform::Recorder rec;
    TOUTregiForm w;
    EXPECT_EQ(w.findChild<QWidget*>(u"DBComboBox1"_s), nullptr);
    EXPECT_EQ(w.Table2, nullptr);
    w.DBEdit4->setText(u"山田"_s);
    w.DBEdit5->setText(u"香典"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{kMissing});

    // A lone sign is no amount: the post is refused, nothing written, the entry stays.
    w.DBEdit7->setText(u"-"_s);
    EXPECT_THROW(w.ColorButton1Click(), EngineError);
    EXPECT_EQ(storedCount(u"Outdata.DBF"_s), 0);
    EXPECT_EQ(w.Table1->state(), Cursor::State::Insert);
    EXPECT_EQ(w.DBEdit4->text(), u"山田"_s);

    w.DBEdit7->setText(u"5000"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), (QStringList{kMissing, kOutRegistered}));
    const Stored s = stored(u"Outdata.DBF"_s, 1);
    EXPECT_EQ(s.amount, 5000);
    EXPECT_TRUE(s.remark.isEmpty());
    EXPECT_EQ(s.date, QDate::currentDate());
}

// --- keys and text limits ------------------------------------------------------------------------

TEST_F(EntryWindowTest, EnterMovesOnExceptInTheMemoAndNamesStopAtTheFieldWidth) {
    TINregiForm w;
    w.show();
    QApplication::setActiveWindow(&w);
    w.DBEdit4->setFocus();
    QTest::keyClick(w.DBEdit4, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w.DBEdit5);
    QTest::keyClick(w.DBEdit5, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w.DBEdit7);
    QTest::keyClick(w.DBEdit7, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w.DBMemo1);
    QTest::keyClicks(w.DBMemo1, u"a"_s);
    QTest::keyClick(w.DBMemo1, Qt::Key_Return);
    QTest::keyClicks(w.DBMemo1, u"b"_s);
    EXPECT_EQ(QApplication::focusWidget(), w.DBMemo1);
    EXPECT_EQ(w.DBMemo1->text(), u"a\nb"_s);

    // 氏名 holds 16 bytes: eight full-width characters, the ninth is refused.
    w.DBEdit4->setFocus();
    for (QChar ch : u"あいうえおかきくけ"_s) typeChar(w.DBEdit4, ch);
    EXPECT_EQ(w.DBEdit4->text(), u"あいうえおかきく"_s);
    w.close();
}

// --- selection windows -------------------------------------------------------------------------

TEST_F(EntryWindowTest, PickedNameAndPurposeFillTheEntryCancellingKeepsWhatWasTyped) {
    addPerson(100, u"山田太郎"_s, u"ﾔﾏﾀﾞﾀﾛｳ"_s);
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    qint32 nameMode = -1, purposeMode = -1;
    driver.onOpen<TNAMEsentakuForm>([&](TNAMEsentakuForm& s) {
        nameMode = mz::state().NameSelectMode;
        s.TabControl1->setCurrentIndex(7);  // ヤ
        s.ColorButton1Click();
    });
    driver.onOpen<TMOKUsentakuForm>([&](TMOKUsentakuForm& s) {
        purposeMode = mz::state().PurposeSelectMode;
        mz::state().EntryPurpose = u"出産祝"_s;  // as its pick does
        s.close();
    });
    TINregiForm in;
    in.ColorButton3Click();
    EXPECT_EQ(nameMode, mz::mode::kNameEntry);
    EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle);
    EXPECT_EQ(in.DBEdit4->text(), u"山田太郎"_s);
    EXPECT_EQ(in.focusWidget(), in.DBEdit5);
    in.ColorButton4Click();
    EXPECT_EQ(purposeMode, mz::mode::kPurposeEntry);
    EXPECT_EQ(mz::state().PurposeSelectMode, mz::mode::kPurposeIdle);
    EXPECT_EQ(in.DBEdit5->text(), u"出産祝"_s);
    EXPECT_EQ(in.focusWidget(), in.DBComboBox1);

    // Closed without a pick: the typed name stays, and the last pick is still there for others.
    driver.onOpen<TNAMEsentakuForm>([](TNAMEsentakuForm& s) { s.ColorButton2Click(); });
    driver.onOpen<TMOKUsentakuForm>([](TMOKUsentakuForm& s) { s.ColorButton2Click(); });
    mz::state().EntryName = u"前の人"_s;
    in.DBEdit4->setText(u"佐藤"_s);
    in.ColorButton3Click();
    EXPECT_EQ(in.DBEdit4->text(), u"佐藤"_s);
    EXPECT_EQ(mz::state().EntryName, u"前の人"_s);
    in.DBEdit5->setText(u"香典"_s);
    in.ColorButton4Click();
    EXPECT_EQ(in.DBEdit5->text(), u"香典"_s);

    // Leaving the name and purpose edits of a registration window forgets the last picks.
    in.DBEdit4Exit();
    in.DBEdit5Exit();
    EXPECT_TRUE(mz::state().EntryName.isEmpty());
    EXPECT_TRUE(mz::state().EntryPurpose.isEmpty());

    // The expenditure window goes on to the amount after the purpose.
    TOUTregiForm out;
    out.ColorButton4Click();
    EXPECT_EQ(out.focusWidget(), out.DBEdit7);
    // The edit window has no exit handlers.
    EXPECT_EQ(TINeditForm::staticMetaObject.indexOfSlot("DBEdit4Exit()"), -1);
    EXPECT_NE(TINregiForm::staticMetaObject.indexOfSlot("DBEdit4Exit()"), -1);
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(EntryWindowTest, AnErrorInTheSelectionWindowLeavesTheModeIdleAndTheLastPick) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    auto fail = [](auto&) { throw EngineError(u"壊れた画面"_s); };
    driver.onOpen<TNAMEsentakuForm>(fail);
    driver.onOpen<TMOKUsentakuForm>(fail);
    mz::state().EntryName = u"前の人"_s;
    mz::state().EntryPurpose = u"前の目的"_s;
    TOUTregiForm w;
    EXPECT_THROW(w.ColorButton3Click(), EngineError);
    EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle);
    EXPECT_EQ(mz::state().EntryName, u"前の人"_s);
    EXPECT_THROW(w.ColorButton4Click(), EngineError);
    EXPECT_EQ(mz::state().PurposeSelectMode, mz::mode::kPurposeIdle);
    EXPECT_EQ(mz::state().EntryPurpose, u"前の目的"_s);
}

// --- pictures ----------------------------------------------------------------------------------

TEST_F(EntryWindowTest, DeletingAPictureAsksOnceAndPutsTheGrayPictureIn) {
    QTemporaryDir pics;
    const QString red = writeBitmap(pics.filePath(u"red.bmp"_s), Qt::red);
    mz::platform::Recorder rec;
    TINregiForm w;
    // Bitmaps, JPEG and PNG pictures, all three shown at first.
    const QString filter =
        u"すべての画像 (*.bmp;*.jpg;*.jpeg;*.png)|*.bmp;*.jpg;*.jpeg;*.png|ビットマップ (*.bmp)|*.bmp|"
        u"JPEG 画像 (*.jpg;*.jpeg)|*.jpg;*.jpeg|PNG 画像 (*.png)|*.png"_s;
    EXPECT_EQ(w.findChild<QObject*>(u"OpenPictureDialog1"_s)->property("Filter").toString(), filter);

    w.BitBtnGazoDelClick();  // an empty box: nothing, not even a question
    EXPECT_TRUE(rec.dialogs().isEmpty());

    rec.answerOpenFile(red);
    w.BitBtnGazoClick();
    ASSERT_EQ(rec.dialogs().size(), 1);
    EXPECT_EQ(rec.dialogs()[0].text, filter);
    EXPECT_TRUE(w.DBImage1->hasPicture());
    EXPECT_EQ(w.DBImage1->pictureData(), readFile(red));
    EXPECT_EQ(w.PictureFile, red);

    // Cancel keeps the picture.
    rec.answerOkCancel(false);
    w.BitBtnGazoDelClick();
    EXPECT_EQ(w.DBImage1->pictureData(), readFile(red));
    ASSERT_EQ(rec.dialogs().size(), 2);
    EXPECT_EQ(rec.dialogs()[1].kind, mz::platform::DialogKind::OkCancel);
    EXPECT_EQ(rec.dialogs()[1].caption, u"確認メッセージ"_s);
    EXPECT_EQ(rec.dialogs()[1].text, u"現在表示の画像を削除しますか?"_s);

    // OK: the gray picture of the data directory, found even after the current directory moved.
    QDir::setCurrent(pics.path());
    rec.answerOkCancel(true);
    w.BitBtnGazoDelClick();
    EXPECT_EQ(w.DBImage1->pictureData(), readFile(gray()));
    EXPECT_TRUE(w.PictureCleared);
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(dir.path()).canonicalPath());

    // A second 画像削除 does nothing.
    w.BitBtnGazoDelClick();
    EXPECT_EQ(rec.dialogs().size(), 3);

    // The gray picture is what the entry stores.
    fillIncome(w, u"山田"_s);
    w.ColorButton1Click();
    EXPECT_EQ(stored(u"Indata.DBF"_s, 1).picture, readFile(gray()));
    // The next entry starts without a picture and with a fresh picture state.
    EXPECT_FALSE(w.DBImage1->hasPicture());
    EXPECT_FALSE(w.PictureCleared);
    EXPECT_TRUE(w.PictureFile.isEmpty());
}

TEST_F(EntryWindowTest, TheGrayPictureItselfCannotBeDeletedBadFilesKeepThePicture) {
    QTemporaryDir pics;
    const QString blue = writeBitmap(pics.filePath(u"blue.bmp"_s), Qt::blue);
    const QString text = pics.filePath(u"note.bmp"_s);
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("no picture");
    }
    mz::platform::Recorder rec;
    TOUTregiForm w;
    rec.answerOpenFile(gray());
    w.BitBtnGazoClick();
    EXPECT_TRUE(w.DBImage1->hasPicture());
    w.BitBtnGazoDelClick();  // the neutral picture chosen by hand: no question
    EXPECT_EQ(rec.dialogs().size(), 1);

    rec.answerOpenFile(blue);
    w.BitBtnGazoClick();
    // A file that is no bitmap: the error display, the picture and its file stay.
    rec.answerOpenFile(text);
    EXPECT_THROW(w.BitBtnGazoClick(), EngineError);
    EXPECT_EQ(w.DBImage1->pictureData(), readFile(blue));
    EXPECT_EQ(w.PictureFile, blue);

    // The picker cancelled: nothing changes.
    rec.answerOpenFile(QString());
    w.BitBtnGazoClick();
    EXPECT_EQ(w.PictureFile, blue);

    // No Gray.bmp in the data directory: the error display, the picture stays, still removable.
    ASSERT_TRUE(QFile::remove(gray()));
    rec.answerOkCancel(true);
    EXPECT_THROW(w.BitBtnGazoDelClick(), EngineError);
    EXPECT_EQ(w.DBImage1->pictureData(), readFile(blue));
    EXPECT_FALSE(w.PictureCleared);
}

TEST_F(EntryWindowTest, APhonePhotoIsStoredAsAnUprightBitmapOfTheStoredSize) {
    // 2000 × 1500 as the camera wrote it, with the tag that says "turn right": the entry holds
    // an upright 960 × 1280 bitmap.
    QTemporaryDir pics;
    QImage photo(2000, 1500, QImage::Format_RGB32);
    photo.fill(Qt::blue);
    for (int y = 0; y < 1500; ++y)
        for (int x = 0; x < 1000; ++x) photo.setPixel(x, y, qRgb(255, 0, 0));
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(photo.save(&buffer, "JPEG", 90));
    }
    // EXIF with one tag, orientation 6, right after the start marker.
    const QByteArray exif("\xFF\xE1\x00\x22"
                          "Exif\x00\x00"
                          "MM\x00\x2A\x00\x00\x00\x08"
                          "\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                          "\x00\x00\x00\x00",
                          36);
    const QString path = pics.filePath(u"IMG_0042.JPG"_s);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(jpeg.left(2) + exif + jpeg.mid(2));
    }
    addEntries(u"Indata.DBF"_s, {{1, QDate(2024, 1, 1), u"甲"_s, u"香典"_s, u"花子"_s, 1000}});
    const qint64 memoBefore = QFileInfo(dir.file(u"Indata.DBT"_s)).size();
    mz::platform::Recorder rec;
    mz::state().IncomeNo = 1;
    {
        TINeditForm w;
        rec.answerOpenFile(path);
        w.BitBtnGazoClick();
        EXPECT_EQ(w.PictureFile, path);
        w.ColorButton1Click();
    }
    const QByteArray picture = stored(u"Indata.DBF"_s, 1).picture;
    ASSERT_EQ(picture.left(2), QByteArray("BM"));
    EXPECT_EQ(quint8(picture[28]), 24);
    const QImage upright = QImage::fromData(picture, "BMP");
    ASSERT_EQ(upright.size(), QSize(960, 1280));
    EXPECT_GT(qRed(upright.pixel(480, 100)), 200);   // the left half of the photo is on top
    EXPECT_GT(qBlue(upright.pixel(480, 1180)), 200);
    // The memo file grows by about the bitmap: 960 × 1280 × 3 bytes and a header.
    const qint64 growth = QFileInfo(dir.file(u"Indata.DBT"_s)).size() - memoBefore;
    EXPECT_GE(growth, 960 * 1280 * 3 + 54);
    EXPECT_LT(growth, 960 * 1280 * 3 + 54 + 1024);
}

// --- view and print ----------------------------------------------------------------------------

TEST_F(EntryWindowTest, ViewShowsEntrySeventeenAndHandsItToTheSingleEntryPrintout) {
    std::vector<Entry> entries;
    for (int i = 1; i <= 20; ++i)
        entries.push_back({i, QDate(2024, 1, i), u"人%1"_s.arg(i), u"結婚祝"_s, u"花子"_s,
                           1000.0 * i, i == 17 ? u"タオル"_s : QString()});
    addEntries(u"Indata.DBF"_s, entries);
    TRepIn2Form rep;
    mz::state().RepIn2Form = &rep;
    rep.MasterTable->setFiltered(false);
    mz::state().IncomeNo = 17;

    TINsrchForm w;
    EXPECT_EQ(w.Table1->filter(), u"収入番号= 17"_s);
    EXPECT_TRUE(w.Table1->filtered());
    EXPECT_EQ(w.Table1->recordCount(), 1);
    EXPECT_EQ(w.DBEdit2->text(), u"17"_s);
    EXPECT_EQ(w.DBEdit1->text(), u"2024/01/17"_s);
    EXPECT_EQ(w.DBEdit4->text(), u"人17"_s);
    EXPECT_EQ(w.DBEdit3->text(), u"花子"_s);
    EXPECT_EQ(w.DBEdit7->text(), u"￥17,000"_s);
    EXPECT_EQ(w.DBMemo1->text(), u"タオル"_s);
    EXPECT_TRUE(w.DBEdit4->isReadOnly());
    EXPECT_TRUE(w.DBMemo1->isReadOnly());
    EXPECT_EQ(w.Table1->state(), Cursor::State::Browse);

    // 印刷: straight to the printer, the printout filtered to the entry.
    QTemporaryDir out;
    const QString pdf = out.filePath(u"printer.pdf"_s);
    const mz::report::PrinterChooser previous = mz::report::setPrinterChooser([&](QPrinter& p) {
        p.setOutputFileName(pdf);
        return true;
    });
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    w.ColorButton1Click();
    mz::report::setPrinterChooser(previous);
    EXPECT_TRUE(rep.MasterTable->filtered());
    EXPECT_EQ(rep.MasterTable->filter(), u"収入番号= 17"_s);
    EXPECT_EQ(rep.MasterTable->recordCount(), 1);
    EXPECT_EQ(readFile(pdf).left(5), QByteArray("%PDF-"));
    EXPECT_TRUE(driver.opened().isEmpty());  // no preview

    // プレビュー: the same entry, the handler returns when the preview is closed.
    rep.MasterTable->setFilter(QString());
    int previews = 0;
    driver.onOpen<TReportPreview>([&](TReportPreview&) { ++previews; });
    w.ColorButton3Click();
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(rep.MasterTable->filter(), u"収入番号= 17"_s);
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(EntryWindowTest, ExpenditureViewUsesItsOwnNumberAndPrintout) {
    addEntries(u"Outdata.DBF"_s,
               {{5, QDate(2024, 3, 1), u"甲"_s}, {6, QDate(2024, 3, 2), u"乙"_s}});
    TRepOut2Form rep;
    mz::state().RepOut2Form = &rep;
    mz::state().ExpenseNo = 6;
    TOUTsrchForm w;
    EXPECT_EQ(w.Table1->filter(), u"支出番号= 6"_s);
    EXPECT_EQ(w.DBEdit4->text(), u"乙"_s);
    EXPECT_EQ(w.findChild<QWidget*>(u"DBEdit3"_s), nullptr);
    mz::platform::ModalDriver driver;
    driver.onOpen<TReportPreview>([](TReportPreview&) {});
    w.ColorButton3Click();
    EXPECT_EQ(rep.MasterTable->filter(), u"支出番号= 6"_s);
}

// --- edit --------------------------------------------------------------------------------------

TEST_F(EntryWindowTest, EditingTheMemoTogglesTheRemarkBothWays) {
    addEntries(u"Indata.DBF"_s, {{1, QDate(2024, 1, 1), u"甲"_s}, {2, QDate(2024, 2, 2), u"乙"_s}});
    addFamily(1, u"花子"_s);
    mz::platform::Recorder rec;
    mz::state().IncomeNo = 2;
    {
        TINeditForm w;
        EXPECT_EQ(w.Table1->filter(), u"収入番号= 2"_s);
        EXPECT_EQ(w.Table1->state(), Cursor::State::Edit);
        EXPECT_EQ(w.DateTimePicker1->date(), QDate(2024, 2, 2));
        EXPECT_EQ(w.DBComboBox1->count(), 1);
        EXPECT_EQ(w.DBEdit2->text(), u"2"_s);
        w.DBMemo1->setPlainText(u"果物"_s);
        w.ColorButton1Click();
        EXPECT_FALSE(w.isVisible());
    }
    EXPECT_EQ(rec.notices(), QStringList{u"  収入データが修正されました。  "_s});
    Stored s = stored(u"Indata.DBF"_s, 2);
    EXPECT_EQ(s.remark, u"有り"_s);
    EXPECT_EQ(s.memo, u"果物"_s);
    EXPECT_EQ(s.date, QDate(2024, 2, 2));
    EXPECT_EQ(s.name, u"乙"_s);
    {
        TINeditForm w;
        w.DBMemo1->setPlainText(QString());
        w.ColorButton1Click();
    }
    s = stored(u"Indata.DBF"_s, 2);
    EXPECT_TRUE(s.remark.isEmpty());
    EXPECT_TRUE(s.memo.isEmpty());
    EXPECT_EQ(storedCount(u"Indata.DBF"_s), 2);
    EXPECT_EQ(stored(u"Indata.DBF"_s, 1).name, u"甲"_s);
}

TEST_F(EntryWindowTest, EditRefusesAMissingFamilyMemberAndCancelLeavesTheEntry) {
    QTemporaryDir pics;
    const QString red = writeBitmap(pics.filePath(u"red.bmp"_s), Qt::red);
    addEntries(u"Indata.DBF"_s,
               {{1, QDate(2024, 1, 1), u"甲"_s, u"香典"_s, u"花子"_s, 1000, {}, readFile(red)}});
    addEntries(u"Outdata.DBF"_s, {{1, QDate(2024, 1, 1), u"甲"_s}});
    mz::platform::Recorder rec;
    mz::state().IncomeNo = 1;
    {
        TINeditForm w;
        w.DBComboBox1->setEditText(QString());
        w.ColorButton1Click();
        EXPECT_EQ(rec.notices(), QStringList{kMissing});
        EXPECT_EQ(w.Table1->state(), Cursor::State::Edit);

        // A stored picture can be removed in the edit window at once.
        EXPECT_EQ(w.DBImage1->pictureData(), readFile(red));
        rec.answerOkCancel(true);
        w.BitBtnGazoDelClick();
        EXPECT_EQ(w.DBImage1->pictureData(), readFile(gray()));

        // 戻る after changes: nothing is written.
        w.DBEdit4->setText(u"別人"_s);
        w.DateTimePicker1->setDate(QDate(2020, 1, 1));
        w.ColorButton2Click();
    }
    const Stored s = stored(u"Indata.DBF"_s, 1);
    EXPECT_EQ(s.name, u"甲"_s);
    EXPECT_EQ(s.family, u"花子"_s);
    EXPECT_EQ(s.date, QDate(2024, 1, 1));
    EXPECT_EQ(s.picture, readFile(red));

    // An expenditure entry has no family member to require.
    mz::state().ExpenseNo = 1;
    TOUTeditForm out;
    out.DBEdit7->setText(u"2500"_s);
    out.ColorButton1Click();
    EXPECT_EQ(rec.notices().last(), u"  支出データが修正されました。  "_s);
    EXPECT_EQ(stored(u"Outdata.DBF"_s, 1).amount, 2500);
}

TEST_F(EntryWindowTest, EditingAnEntryThatIsGoneReportsInsteadOfClaimingSuccess) {
    mz::platform::Recorder rec;
    mz::state().IncomeNo = 99;
    TINeditForm w;  // the creation error is shown; the window opens empty
    EXPECT_EQ(rec.errors().size(), 1);
    fillIncome(w, u"甲"_s);
    EXPECT_THROW(w.ColorButton1Click(), EngineError);
    EXPECT_TRUE(rec.notices().isEmpty());
    EXPECT_EQ(storedCount(u"Indata.DBF"_s), 0);
}

// --- roads through the management window ---------------------------------------------------------

TEST_F(EntryWindowTest, RegisterTwoEntriesFromTheManagementWindowAndFindThem) {
    addFamily(1, u"花子"_s);
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    driver.onOpen<TINregiForm>([](TINregiForm& w) {
        fillIncome(w, u"山田太郎"_s, u"10000"_s);
        w.DateTimePicker1->setDate(QDate(2024, 5, 3));
        w.ColorButton1Click();
        fillIncome(w, u"山田次郎"_s, u"20000"_s);
        w.DateTimePicker1->setDate(QDate(2023, 4, 1));
        w.ColorButton1Click();
        w.ColorButton2Click();
    });
    QStringList found;
    driver.onOpen<TINsrSrForm>([&](TINsrSrForm& m) {
        m.ColorButton7Click();  // 新規登録
        EXPECT_TRUE(m.isVisible());
        m.Edit1->setText(u"山田*"_s);
        m.ColorButton5Click();  // 検索開始
        for (int r = 0; r < m.DBGrid1->model()->rowCount(); ++r)
            found << m.DBGrid1->cellText(r, 1) + u' ' + m.DBGrid1->cellText(r, 0);
    });
    mz::platform::openModal(nullptr, mz::state().INsrSrForm);
    EXPECT_EQ(found, (QStringList{u"2023/04/01 山田次郎"_s, u"2024/05/03 山田太郎"_s}));
    EXPECT_EQ(rec.notices(), (QStringList{kInRegistered, kInRegistered}));
    EXPECT_EQ(driver.opened(), (QStringList{u"TINsrSrForm"_s, u"TINregiForm"_s}));
}

TEST_F(EntryWindowTest, EditFromTheGridMovesTheEntryAndDeleteRemovesIt) {
    addEntries(u"Indata.DBF"_s, {{1, QDate(2024, 1, 1), u"甲"_s},
                                 {2, QDate(2024, 2, 1), u"乙"_s},
                                 {3, QDate(2024, 3, 1), u"丙"_s}});
    addEntries(u"Outdata.DBF"_s,
               {{1, QDate(2024, 1, 1), u"甲"_s}, {2, QDate(2024, 2, 1), u"乙"_s}});
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    auto names = [](const TDBGrid* g) {
        QStringList n;
        for (int r = 0; r < g->model()->rowCount(); ++r) n << g->cellText(r, 0);
        return n;
    };
    driver.onOpen<TINeditForm>([](TINeditForm& w) {
        EXPECT_EQ(w.DBEdit4->text(), u"甲"_s);
        w.DateTimePicker1->setDate(QDate(2024, 12, 31));
        w.DBEdit4->setText(u"甲田"_s);
        w.ColorButton1Click();
    });
    driver.onOpen<TINdelForm>([](TINdelForm& w) {
        EXPECT_EQ(w.Table1->state(), Cursor::State::Edit);
        EXPECT_EQ(w.DBEdit4->text(), u"乙"_s);
        w.ColorButton1Click();  // at the first press, no question
    });
    driver.onOpen<TINsrSrForm>([&](TINsrSrForm& m) {
        EXPECT_EQ(names(m.DBGrid1), (QStringList{u"甲"_s, u"乙"_s, u"丙"_s}));
        m.DBGrid1->selectRow(0);
        m.ColorButton8Click();  // 修正
        EXPECT_EQ(names(m.DBGrid1), (QStringList{u"乙"_s, u"丙"_s, u"甲田"_s}));
        EXPECT_EQ(m.DBGrid1->cellText(2, 1), u"2024/12/31"_s);
        m.DBGrid1->selectRow(0);
        m.ColorButton9Click();  // 削除
        EXPECT_EQ(names(m.DBGrid1), (QStringList{u"丙"_s, u"甲田"_s}));
    });
    mz::platform::openModal(nullptr, mz::state().INsrSrForm);
    EXPECT_EQ(rec.notices(), (QStringList{u"  収入データが修正されました。  "_s,
                                          u"  収入データが削除されました。  "_s}));
    EXPECT_FALSE(stored(u"Indata.DBF"_s, 2).found);

    // Expenditure: a double click views, 取消 in the delete window changes nothing.
    driver.onOpen<TOUTsrchForm>([](TOUTsrchForm& w) { EXPECT_EQ(w.DBEdit4->text(), u"乙"_s); });
    driver.onOpen<TOUTdelForm>([](TOUTdelForm& w) { w.ColorButton2Click(); });
    driver.onOpen<TOUTsrSrForm>([&](TOUTsrSrForm& m) {
        m.DBGrid1->selectRow(1);
        m.DBGrid1DblClick();
        m.ColorButton9Click();
        EXPECT_EQ(names(m.DBGrid1), (QStringList{u"甲"_s, u"乙"_s}));
    });
    mz::platform::openModal(nullptr, mz::state().OUTsrSrForm);
    EXPECT_EQ(storedCount(u"Outdata.DBF"_s), 2);
    EXPECT_EQ(driver.openCount(u"TOUTsrchForm"_s), 1);
    EXPECT_EQ(driver.openCount(u"TOUTdelForm"_s), 1);
}

// After 新規登録 the grid keeps the rows it had: the new entries show at the next 検索開始. A
// change made through 修正 or 削除 shows at once, and so do entries registered before it.
TEST_F(EntryWindowTest, NewEntriesReachTheGridAtTheNextSearchEditsAtOnce) {
    addFamily(1, u"花子"_s);
    addEntries(u"Indata.DBF"_s, {{1, QDate(2024, 1, 1), u"甲"_s}});
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    auto names = [](const TDBGrid* g) {
        QStringList n;
        for (int r = 0; r < g->model()->rowCount(); ++r) n << g->cellText(r, 0);
        return n;
    };
    driver.onOpen<TINregiForm>([](TINregiForm& w) {
        fillIncome(w, u"乙"_s);
        w.DateTimePicker1->setDate(QDate(2023, 1, 1));  // sorts before 甲
        w.ColorButton1Click();
        w.ColorButton2Click();
    });
    driver.onOpen<TINsrchForm>([](TINsrchForm& w) { EXPECT_EQ(w.DBEdit4->text(), u"甲"_s); });
    driver.onOpen<TINsrSrForm>([&](TINsrSrForm& m) {
        m.ColorButton7Click();  // 新規登録
        EXPECT_EQ(names(m.DBGrid1), QStringList{u"甲"_s});
        m.ColorButton1Click();  // 個別表示 still views the entry of the row shown
        emit m.DBGrid1->dblClick();  // so does a double click, on the income grid as well
        m.MaskEditDate1->setMaskedText(u"2000/01/01"_s);
        m.ColorButton5Click();  // 検索開始
        EXPECT_EQ(names(m.DBGrid1), (QStringList{u"乙"_s, u"甲"_s}));
    });
    mz::platform::openModal(nullptr, mz::state().INsrSrForm);
    EXPECT_EQ(driver.openCount(u"TINsrchForm"_s), 2);

    // On an empty ledger the result stays empty until the search.
    mz::test::DataDir empty;
    QDir::setCurrent(empty.path());
    driver.onOpen<TOUTregiForm>([](TOUTregiForm& w) {
        w.DBEdit4->setText(u"丙"_s);
        w.DBEdit5->setText(u"結婚祝"_s);
        w.DBEdit7->setText(u"1000"_s);
        w.ColorButton1Click();
    });
    driver.onOpen<TOUTeditForm>([](TOUTeditForm& w) {
        w.DBEdit4->setText(u"丙田"_s);
        w.ColorButton1Click();
    });
    driver.onOpen<TOUTsrSrForm>([&](TOUTsrSrForm& m) {
        m.ColorButton7Click();
        EXPECT_TRUE(names(m.DBGrid1).isEmpty());
        m.ColorButton1Click();  // 修正 on the empty result
        EXPECT_EQ(rec.notices().last(), u"  データが選択されていません。  "_s);
        m.ColorButton7Click();  // a second entry
        m.Edit2->setText(u"結婚祝"_s);
        m.ColorButton5Click();
        EXPECT_EQ(names(m.DBGrid1), (QStringList{u"丙"_s, u"丙"_s}));
        m.DBGrid1->selectRow(0);
        m.ColorButton1Click();  // 修正: shown at once
        EXPECT_EQ(names(m.DBGrid1).count(u"丙田"_s), 1);
    });
    mz::platform::openModal(nullptr, mz::state().OUTsrSrForm);
    QDir::setCurrent(dir.path());
}

// Escape ends an input-method conversion; a press too many must not close the window and lose
// the entry. The window stays, with what was typed, and registers it afterwards. Windows that
// hold no typed data (the view) close on Escape as their 戻る would.
TEST_F(EntryWindowTest, EscapeKeepsEntryWindowsOpenWithWhatWasTyped) {
    addFamily(1, u"花子"_s);
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    bool stayed = false;
    driver.onOpen<TINregiForm>([&](TINregiForm& w) {
        QApplication::setActiveWindow(&w);
        w.DBEdit4->setFocus();
        for (QChar ch : u"山田"_s) typeChar(w.DBEdit4, ch);
        QTest::keyClick(w.DBEdit4, Qt::Key_Escape);
        QTest::keyClick(w.DBEdit4, Qt::Key_Escape);
        w.DBMemo1->setFocus();
        QTest::keyClicks(w.DBMemo1, u"pen"_s);
        QTest::keyClick(w.DBMemo1, Qt::Key_Escape);
        QTest::keyClick(w.DateTimePicker1, Qt::Key_Escape);
        QTest::keyClick(w.DBComboBox1, Qt::Key_Escape);
        stayed = w.isVisible();
        EXPECT_EQ(w.DBEdit4->text(), u"山田"_s);
        EXPECT_EQ(w.DBMemo1->text(), u"pen"_s);
        EXPECT_EQ(w.Table1->state(), Cursor::State::Insert);
        w.DBEdit5->setText(u"結婚祝"_s);
        w.DBComboBox1->setEditText(u"花子"_s);
        w.ColorButton1Click();
        w.ColorButton2Click();
    });
    bool viewClosed = false;
    driver.onOpen<TINsrchForm>([&](TINsrchForm& w) {
        QTest::keyClick(w.DBEdit4, Qt::Key_Escape);
        viewClosed = !w.isVisible();
    });
    bool managementStayed = false;
    driver.onOpen<TINsrSrForm>([&](TINsrSrForm& m) {
        m.ColorButton7Click();
        m.Edit2->setFocus();
        for (QChar ch : u"結婚"_s) typeChar(m.Edit2, ch);
        QTest::keyClick(m.Edit2, Qt::Key_Escape);  // the typed criteria stay too
        managementStayed = m.isVisible() && m.Edit2->text() == u"結婚"_s;
        m.Edit2->clear();
        m.MaskEditDate1->setMaskedText(u"2000/01/01"_s);
        m.ColorButton5Click();  // 検索開始 shows the new entry
        m.ColorButton1Click();  // 個別表示
    });
    mz::platform::openModal(nullptr, mz::state().INsrSrForm);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(managementStayed);
    EXPECT_TRUE(viewClosed);
    const Stored s = stored(u"Indata.DBF"_s, 1);
    EXPECT_EQ(s.name, u"山田"_s);
    EXPECT_EQ(s.memo, u"pen"_s);
    EXPECT_EQ(rec.notices(), QStringList{kInRegistered});
    // Every other entry window of both ledgers stays open the same way.
    addEntries(u"Outdata.DBF"_s, {{1, QDate(2024, 1, 1), u"甲"_s}});
    mz::state().IncomeNo = 1;
    mz::state().ExpenseNo = 1;
    TINeditForm inEdit;
    TOUTregiForm outRegi;
    TOUTeditForm outEdit;
    TOUTsrSrForm outManage;
    for (QDialog* w : std::initializer_list<QDialog*>{&inEdit, &outRegi, &outEdit, &outManage}) {
        SCOPED_TRACE(w->metaObject()->className());
        w->show();
        QTest::keyClick(w, Qt::Key_Escape);
        EXPECT_TRUE(w->isVisible());
        w->close();
    }
}

// --- layout --------------------------------------------------------------------------------------

// The "（円）" after the amount box is not hidden under the box's border in any window that shows
// an amount.
TEST_F(EntryWindowTest, TheYenLabelStandsClearOfTheAmountBox) {
    addEntries(u"Indata.DBF"_s, {{1, QDate(2024, 1, 1), u"甲"_s}});
    addEntries(u"Outdata.DBF"_s, {{1, QDate(2024, 1, 1), u"甲"_s}});
    mz::state().IncomeNo = 1;
    mz::state().ExpenseNo = 1;
    const auto check = [](const auto& w) {
        SCOPED_TRACE(w.metaObject()->className());
        EXPECT_EQ(w.Label1->text(), u"（円）"_s);
        EXPECT_FALSE(w.Label1->geometry().intersects(w.DBEdit7->geometry()));
        EXPECT_EQ(w.Label1->y(), w.DBEdit7->y() + 6);
    };
    check(TINeditForm());
    check(TINsrchForm());
    check(TINdelForm());
    check(TOUTeditForm());
    check(TOUTsrchForm());
    check(TOUTdelForm());
    check(TINregiForm());  // numbers the next entry: IncomeNo moves on
    check(TOUTregiForm());
}

TEST_F(EntryWindowTest, LayoutsFollowTheirSides) {
    TINregiForm in;
    EXPECT_EQ(in.windowTitle(), u"Mizorel - 収入の新規登録"_s);
    EXPECT_EQ(in.size(), QSize(602, 353));
    EXPECT_EQ(in.DBImage1->geometry(), QRect(348, 114, 217, 153));
    EXPECT_EQ(in.ColorButton1->color(), QColor(0x88, 0xFF, 0x88));
    EXPECT_FALSE(in.DBEdit2->isEnabled());
    EXPECT_EQ(in.focusWidget(), in.DBEdit4);
    TOUTregiForm out;
    EXPECT_EQ(out.size(), QSize(588, 321));
    EXPECT_EQ(out.DBEdit7->geometry(), QRect(101, 149, 81, 20));
    EXPECT_EQ(out.ColorButton2->text(), u"取　　消"_s);
    EXPECT_EQ(out.BitBtnGazo->geometry(), QRect(388, 254, 65, 25));
    mz::state().IncomeNo = 1;
    mz::platform::Recorder rec;  // the entry is missing: the creation errors are recorded
    TINdelForm del;
    EXPECT_EQ(del.windowTitle(), u"Mizorel - 収入の削除"_s);
    EXPECT_EQ(del.ColorButton1->geometry(), QRect(178, 296, 89, 33));
    TOUTsrchForm view;
    EXPECT_EQ(view.ColorButton2->geometry(), QRect(376, 272, 89, 33));
    EXPECT_EQ(view.ColorButton3->text(), u"プレビュー"_s);
}
