// The controls bound to a cursor, driven as a user drives them (keys, clicks, paste) and as the
// windows drive them (setText, loadFromFile): what they show, when they put the cursor into
// edit state, what reaches the table, and what is refused.
#include "widgets/colorbutton.h"
#include "widgets/datasource.h"
#include "widgets/datetimepicker.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbimage.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/entertab.h"
#include "widgets/maskedit.h"

#include "data/cursor.h"
#include "data/table.h"
#include "testdata.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::data::Cursor;
using mz::data::EngineError;
using mz::widgets::ImeMode;
using State = Cursor::State;

namespace {

class Bound : public ::testing::Test {
protected:
    void SetUp() override {
        keep_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        Cursor c;
        c.open(u"Indata.DBF"_s);
        for (int i = 1; i <= 3; ++i) {
            c.append();
            c.setValue(u"収入番号"_s, double(i));
            c.setValue(u"収入日"_s, QDate(2024, 3, i));
            c.setValue(u"氏名"_s, u"山田%1"_s.arg(i));
            c.setValue(u"金額"_s, 1000.0 * i);
            c.setValue(u"物品"_s, u"品物%1"_s.arg(i));
            c.post();
        }
        table_.open(u"Indata.DBF"_s);
        source_.setDataSet(&table_);
    }
    void TearDown() override {
        window_.hide();
        table_.close();
        QDir::setCurrent(keep_);
    }

    // The window holding the controls, shown and active so that focus and keys work.
    void showWindow() {
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }
    template <class W>
    W* add(W* w) {
        if (!window_.layout()) new QVBoxLayout(&window_);
        window_.layout()->addWidget(w);
        return w;
    }
    // What another cursor reads from the table: what is really stored.
    mz::data::Value stored(int recordNumber, const QString& field) {
        Cursor c;
        c.open(u"Indata.DBF"_s);
        c.setFilter(u"収入番号=%1"_s.arg(recordNumber));
        c.setFiltered(true);
        return c.value(field);
    }

    mz::test::DataDir dir_;
    QString keep_;
    Cursor table_;
    TDataSource source_;
    QWidget window_;
};

// Japanese text as the input method commits it, one character at a time (QTest's key clicks
// know only ASCII).
void commit(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QInputMethodEvent event;
        event.setCommitString(QString(c));
        QApplication::sendEvent(w, &event);
    }
}

TDBEdit* boundEdit(TDataSource* s, const QString& field) {
    auto* e = new TDBEdit;
    e->setDataSource(s);
    e->setDataField(field);
    return e;
}

// ---------------------------------------------------------------------------------------------
// TDBEdit

TEST_F(Bound, EditShowsTheCurrentRecordWithoutEditing) {
    TDBEdit* name = add(boundEdit(&source_, u"氏名"_s));
    TDBEdit* number = add(boundEdit(&source_, u"収入番号"_s));
    TDBEdit* day = add(boundEdit(&source_, u"収入日"_s));
    TDBEdit* amount = add(boundEdit(&source_, u"金額"_s));
    EXPECT_EQ(name->text(), u"山田1"_s);
    EXPECT_EQ(number->text(), u"1"_s);
    EXPECT_EQ(day->text(), u"2024/03/01"_s);
    EXPECT_EQ(amount->text(), u"￥1,000"_s);
    table_.next();
    EXPECT_EQ(name->text(), u"山田2"_s);
    EXPECT_EQ(amount->text(), u"￥2,000"_s);
    EXPECT_EQ(table_.state(), State::Browse);  // showing never edits
    table_.append();
    EXPECT_EQ(name->text(), QString());
    EXPECT_EQ(amount->text(), QString());
    table_.cancel();
    EXPECT_EQ(name->text(), u"山田2"_s);
}

TEST_F(Bound, TypingPutsTheCursorIntoEditAndTheFieldFollows) {
    TDBEdit* name = add(boundEdit(&source_, u"氏名"_s));
    showWindow();
    name->setFocus();
    name->selectAll();
    QSignalSpy states(&table_, &Cursor::stateChanged);
    commit(name, u"佐藤"_s);
    EXPECT_EQ(table_.state(), State::Edit);
    EXPECT_EQ(states.count(), 1);
    EXPECT_EQ(name->text(), u"佐藤"_s);
    EXPECT_EQ(table_.text(u"氏名"_s), u"佐藤"_s);  // the edit buffer follows at once
    EXPECT_EQ(stored(1, u"氏名"_s), mz::data::Value(u"山田1"_s));
    table_.post();
    EXPECT_EQ(stored(1, u"氏名"_s), mz::data::Value(u"佐藤"_s));
    EXPECT_EQ(name->text(), u"佐藤"_s);
}

TEST_F(Bound, TextTheWindowPutsInGoesToTheRecordOnlyWhileEditing) {
    TDBEdit* number = add(boundEdit(&source_, u"収入番号"_s));
    number->setEnabled(false);
    number->setReadOnly(true);
    number->setText(u"99"_s);  // browse state: only shown
    EXPECT_EQ(table_.state(), State::Browse);
    EXPECT_EQ(table_.number(u"収入番号"_s), 1);
    table_.append();
    EXPECT_EQ(number->text(), QString());
    number->setText(u"4"_s);  // as the registration window numbers the new entry
    EXPECT_EQ(table_.number(u"収入番号"_s), 4);
    table_.post();
    EXPECT_EQ(stored(4, u"収入番号"_s), mz::data::Value(4.0));
}

TEST_F(Bound, TypingIsRefusedWhereThereIsNothingToEdit) {
    TDBEdit* name = add(boundEdit(&source_, u"氏名"_s));
    showWindow();
    table_.setFilter(u"収入番号=99"_s);
    table_.setFiltered(true);
    ASSERT_TRUE(table_.isEmpty());
    name->setFocus();
    QTest::keyClicks(name, u"abc"_s);
    EXPECT_EQ(name->text(), QString());
    EXPECT_EQ(table_.state(), State::Browse);
    // With AutoEdit off the window decides when editing starts.
    table_.setFiltered(false);
    source_.setAutoEdit(false);
    QTest::keyClicks(name, u"x"_s);
    EXPECT_EQ(name->text(), u"山田1"_s);
    table_.edit();
    name->setCursorPosition(name->text().size());
    QTest::keyClicks(name, u"x"_s);
    EXPECT_EQ(table_.text(u"氏名"_s), u"山田1x"_s);
}

TEST_F(Bound, TextFieldsTakeAtMostTheirWidthInCp932Bytes) {
    TDBEdit* name = add(boundEdit(&source_, u"氏名"_s));  // 16 bytes
    showWindow();
    name->setFocus();
    name->selectAll();
    commit(name, u"山田太郎山田太郎山"_s);  // nine full-width characters typed
    EXPECT_EQ(name->text(), u"山田太郎山田太郎"_s);
    name->selectAll();
    QApplication::clipboard()->setText(u"一二三四五六七八九"_s);  // nine pasted
    name->paste();
    EXPECT_EQ(name->text(), u"一二三四五六七八"_s);
    EXPECT_EQ(table_.text(u"氏名"_s), u"一二三四五六七八"_s);
    // Half-width characters count one: sixteen of them fit.
    name->selectAll();
    QApplication::clipboard()->setText(u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁ"_s);
    name->paste();
    EXPECT_EQ(name->text(), u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀ"_s);
    // An explicit limit holds on an unbound box too.
    auto* plain = add(new TDBEdit);
    plain->setMaxBytes(4);
    plain->setFocus();
    commit(plain, u"あいう"_s);
    EXPECT_EQ(plain->text(), u"あい"_s);
}

TEST_F(Bound, HalfKatakanaModeConvertsWhatIsTypedOrPasted) {
    Cursor people;
    people.open(u"Aitesaki.DBF"_s);
    people.append();
    TDataSource s;
    s.setDataSet(&people);
    TDBEdit* reading = add(boundEdit(&s, u"フリガナ"_s));
    reading->setImeMode(ImeMode::HalfKatakana);
    showWindow();
    reading->setFocus();
    commit(reading, u"やまだ"_s);
    EXPECT_EQ(reading->text(), u"ﾔﾏﾀﾞ"_s);
    QApplication::clipboard()->setText(u" パン・ヴィー"_s);
    reading->paste();
    EXPECT_EQ(reading->text(), u"ﾔﾏﾀﾞ ﾊﾟﾝ･ｳﾞｨｰ"_s);
    EXPECT_EQ(people.text(u"フリガナ"_s), u"ﾔﾏﾀﾞ ﾊﾟﾝ･ｳﾞｨｰ"_s);
    // Converted text counts in half-width bytes: 16 half-width kana fit in フリガナ(16).
    reading->selectAll();
    QApplication::clipboard()->setText(u"あいうえおかきくけこさしすせそたち"_s);
    reading->paste();
    EXPECT_EQ(reading->text(), u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀ"_s);
    people.cancel();
}

TEST_F(Bound, InputMethodModes) {
    TDBEdit* edit = add(boundEdit(&source_, u"収入番号"_s));
    edit->setImeMode(ImeMode::Off);
    EXPECT_FALSE(edit->testAttribute(Qt::WA_InputMethodEnabled));
    // QLineEdit switches the input method back on when its read-only state changes.
    edit->setReadOnly(true);
    edit->setReadOnly(false);
    EXPECT_FALSE(edit->testAttribute(Qt::WA_InputMethodEnabled));
    edit->setImeMode(ImeMode::Hiragana);
    EXPECT_TRUE(edit->testAttribute(Qt::WA_InputMethodEnabled));
    TDateTimePicker picker;
    EXPECT_EQ(picker.imeMode(), ImeMode::Off);
    EXPECT_FALSE(picker.testAttribute(Qt::WA_InputMethodEnabled));
    TComboBox combo;
    combo.setImeMode(ImeMode::Off);
    EXPECT_FALSE(combo.lineEdit()->testAttribute(Qt::WA_InputMethodEnabled));
}

// ---------------------------------------------------------------------------------------------
// Amounts

TEST_F(Bound, AmountShowsYenOutsideEditingAndThePlainNumberWhileEditing) {
    TDBEdit* amount = add(boundEdit(&source_, u"金額"_s));
    TDBEdit* other = add(boundEdit(&source_, u"氏名"_s));
    showWindow();
    other->setFocus();
    EXPECT_EQ(amount->text(), u"￥1,000"_s);
    amount->setFocus();
    EXPECT_EQ(amount->text(), u"1000"_s);
    amount->selectAll();
    QTest::keyClicks(amount, u"12500"_s);
    EXPECT_EQ(table_.number(u"金額"_s), 12500);
    other->setFocus();
    EXPECT_EQ(amount->text(), u"￥12,500"_s);
    // "At most 9 characters" limits typing, never the yen text of a nine-digit amount.
    amount->setMaxLength(9);
    amount->setFocus();
    amount->selectAll();
    QTest::keyClicks(amount, u"1000000000"_s);
    EXPECT_EQ(amount->text(), u"100000000"_s);
    other->setFocus();
    EXPECT_EQ(amount->text(), u"￥100,000,000"_s);
    // A read-only amount shows yen even with the focus.
    amount->setReadOnly(true);
    amount->setFocus();
    EXPECT_EQ(amount->text(), u"￥100,000,000"_s);
}

TEST_F(Bound, AmountTakesOnlyKeysThatContinueANumber) {
    TDBEdit* amount = add(boundEdit(&source_, u"金額"_s));
    showWindow();
    amount->setFocus();
    amount->selectAll();
    QSignalSpy refused(amount, &QLineEdit::inputRejected);
    QTest::keyClicks(amount, u"-12a.5.x"_s);
    EXPECT_EQ(amount->text(), u"-12.5"_s);
    EXPECT_EQ(refused.count(), 3);  // a, the second point, x
    EXPECT_EQ(table_.number(u"金額"_s), -12.5);
    // Pasted text that is no number is refused whole.
    QApplication::clipboard()->setText(u"1,000"_s);
    amount->selectAll();
    amount->paste();
    EXPECT_EQ(amount->text(), u"-12.5"_s);
    EXPECT_EQ(refused.count(), 4);
    // Editing keys still work.
    QTest::keyClick(amount, Qt::Key_Backspace);
    QTest::keyClick(amount, Qt::Key_Home);
    QTest::keyClick(amount, Qt::Key_Delete);
    EXPECT_EQ(amount->text(), u"12."_s);
    // No exponent, typed or pasted: "9e99" would be shown as a hundred-digit amount.
    amount->selectAll();
    QTest::keyClicks(amount, u"9e99"_s);
    EXPECT_EQ(amount->text(), u"999"_s);
    QApplication::clipboard()->setText(u"1E3"_s);
    amount->selectAll();
    amount->paste();
    EXPECT_EQ(amount->text(), u"999"_s);
    EXPECT_EQ(table_.number(u"金額"_s), 999);
}

TEST_F(Bound, AnAmountThatIsNoNumberIsRefusedAtPostWithNothingWritten) {
    TDBEdit* amount = add(boundEdit(&source_, u"金額"_s));
    TDBEdit* name = add(boundEdit(&source_, u"氏名"_s));
    showWindow();
    name->setFocus();
    name->selectAll();
    commit(name, u"佐藤"_s);
    amount->setFocus();
    amount->selectAll();
    QTest::keyClicks(amount, u"-"_s);  // a lone sign: a prefix, but no number
    name->setFocus();
    EXPECT_EQ(amount->text(), u"-"_s);  // kept as typed, not turned into yen
    EXPECT_TRUE(amount->hasUnstoredText());
    try {
        table_.post();
        ADD_FAILURE() << "the post went through";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.message(), u"'-' は正しい数値ではありません"_s);
    }
    EXPECT_EQ(table_.state(), State::Edit);
    EXPECT_EQ(stored(1, u"氏名"_s), mz::data::Value(u"山田1"_s));  // nothing written
    EXPECT_EQ(stored(1, u"金額"_s), mz::data::Value(1000.0));
    EXPECT_EQ(name->text(), u"佐藤"_s);
    EXPECT_EQ(amount->text(), u"-"_s);
    // The window putting in text that is no number is refused the same way.
    amount->setText(u"abc"_s);
    try {
        table_.post();
        ADD_FAILURE() << "the post went through";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.message(), u"'abc' は正しい数値ではありません"_s);
    }
    // Corrected, the post goes through with both fields.
    amount->setText(u"3000"_s);
    table_.post();
    EXPECT_EQ(stored(1, u"金額"_s), mz::data::Value(3000.0));
    EXPECT_EQ(stored(1, u"氏名"_s), mz::data::Value(u"佐藤"_s));
    EXPECT_EQ(amount->text(), u"￥3,000"_s);
}

TEST_F(Bound, TypedTextSurvivesAPostThroughAnotherCursor) {
    TDBEdit* amount = add(boundEdit(&source_, u"金額"_s));
    showWindow();
    amount->setFocus();
    amount->selectAll();
    QTest::keyClicks(amount, u"5."_s);
    Cursor other;
    other.open(u"Indata.DBF"_s);
    other.last();
    other.edit();
    other.setValue(u"氏名"_s, u"別人"_s);
    other.post();  // the table changed: every cursor on it shows its values again
    EXPECT_EQ(amount->text(), u"5."_s);
    EXPECT_EQ(table_.state(), State::Edit);
}

TEST_F(Bound, ABoxGoingAwayTakesItsPostCheckWithIt) {
    auto* amount = boundEdit(&source_, u"金額"_s);
    table_.edit();
    amount->setText(u"x"_s);
    EXPECT_THROW(table_.post(), EngineError);
    delete amount;
    EXPECT_NO_THROW(table_.post());
    // And a cursor going away first leaves the box empty, not dangling.
    auto* c = new Cursor;
    c->open(u"Indata.DBF"_s);
    TDataSource s;
    s.setDataSet(c);
    TDBEdit* name = add(boundEdit(&s, u"氏名"_s));
    EXPECT_EQ(name->text(), u"山田1"_s);
    delete c;
    EXPECT_EQ(s.dataSet(), nullptr);
    EXPECT_EQ(name->text(), QString());
}

TEST_F(Bound, AnUnknownFieldIsAnEngineError) {
    TDBEdit edit;
    edit.setDataSource(&source_);
    EXPECT_THROW(edit.setDataField(u"ありません"_s), EngineError);
}

// ---------------------------------------------------------------------------------------------
// Memo, image, combo box, check box

TEST_F(Bound, MemoTypingEditsAndEnterMakesANewLine) {
    auto* memo = add(new TDBMemo);
    memo->setDataSource(&source_);
    memo->setDataField(u"物品"_s);
    EXPECT_EQ(memo->text(), u"品物1"_s);
    memo->setPlainText(u"shown only"_s);  // browse: shown, not edited
    EXPECT_EQ(table_.state(), State::Browse);
    table_.refresh();
    EXPECT_EQ(memo->text(), u"品物1"_s);
    showWindow();
    memo->setFocus();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    commit(memo, u"タオル"_s);
    EXPECT_EQ(table_.state(), State::Edit);
    EXPECT_EQ(memo->text(), u"品物1\nタオル"_s);
    table_.post();
    EXPECT_EQ(stored(1, u"物品"_s), mz::data::Value(u"品物1\nタオル"_s));
    table_.next();
    EXPECT_EQ(memo->text(), u"品物2"_s);
}

QByteArray writeBitmap(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return bytes;
}

TEST_F(Bound, ImageLoadsABitmapIntoItsFieldAndRefusesAnythingElse) {
    auto* image = add(new TDBImage);
    image->setDataSource(&source_);
    image->setDataField(u"写真"_s);
    image->setFixedSize(120, 80);
    EXPECT_FALSE(image->hasPicture());  // empty field: empty box
    const QByteArray gray = writeBitmap(dir_.file(u"pic.bmp"_s), mz::data::grayBitmap(16, 8));
    writeBitmap(dir_.file(u"bad.bmp"_s), "not a bitmap");
    image->loadFromFile(dir_.file(u"pic.bmp"_s));
    EXPECT_TRUE(image->hasPicture());
    EXPECT_EQ(table_.state(), State::Edit);
    // A file that is no bitmap, or none at all: an error, and the picture stays.
    EXPECT_THROW(image->loadFromFile(dir_.file(u"bad.bmp"_s)), EngineError);
    EXPECT_THROW(image->loadFromFile(dir_.file(u"missing.bmp"_s)), EngineError);
    EXPECT_EQ(image->pictureData(), gray);
    table_.post();
    EXPECT_EQ(stored(1, u"写真"_s), mz::data::Value(gray));
    // Stretched over the whole box.
    showWindow();
    const QImage shot = image->grab().toImage();
    const QRgb expected = QImage::fromData(gray).pixel(0, 0) & 0xFFFFFF;
    EXPECT_EQ(shot.pixel(4, 4) & 0xFFFFFF, expected);
    EXPECT_EQ(shot.pixel(115, 75) & 0xFFFFFF, expected);
    table_.next();
    EXPECT_FALSE(image->hasPicture());
}

TEST_F(Bound, ComboBoxItemsNeverChangeItsTextAndAPickEdits) {
    auto* combo = add(new TDBComboBox);
    combo->setDataSource(&source_);
    combo->setDataField(u"家族名"_s);
    table_.edit();
    combo->addItem(u"本人"_s);  // a plain combo box would take this as its text
    combo->addItems({u"妻"_s, u"長男"_s});
    EXPECT_EQ(combo->text(), QString());
    EXPECT_EQ(table_.value(u"家族名"_s), mz::data::Value());
    table_.cancel();
    showWindow();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);  // picks an item
    EXPECT_EQ(table_.state(), State::Edit);
    EXPECT_EQ(table_.text(u"家族名"_s), combo->text());
    EXPECT_FALSE(combo->text().isEmpty());
    combo->lineEdit()->selectAll();
    commit(combo->lineEdit(), u"祖母祖母祖母"_s);  // 家族名 is 10 bytes
    EXPECT_EQ(combo->text(), u"祖母祖母祖"_s);
    EXPECT_EQ(table_.text(u"家族名"_s), u"祖母祖母祖"_s);
    combo->clear();  // emptying the list keeps the text too
    EXPECT_EQ(combo->text(), u"祖母祖母祖"_s);
}

TEST_F(Bound, CheckBoxFollowsALogicalField) {
    Cursor people;
    people.open(u"Aitesaki.DBF"_s);
    people.append();
    people.setValue(u"相手先コード"_s, 100.0);
    people.post();
    TDataSource s;
    s.setDataSet(&people);
    auto* box = add(new TDBCheckBox(u"世帯代表"_s));
    box->setDataSource(&s);
    box->setDataField(u"世帯代表"_s);
    EXPECT_FALSE(box->isChecked());  // empty shows as clear
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(people.state(), State::Edit);
    EXPECT_TRUE(people.logical(u"世帯代表"_s));
    people.post();
    people.append();
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);  // as the registration window marks a representative
    EXPECT_TRUE(people.logical(u"世帯代表"_s));
    people.cancel();
}

// ---------------------------------------------------------------------------------------------
// Masked date edit, date picker

TEST(MaskEdit, AnUntouchedDateEditReadsBlanksAndSlashes) {
    TMaskEdit edit;
    edit.setEditMask(u"9999/99/99;1; "_s);
    EXPECT_EQ(edit.maskedText(), u"    /  /  "_s);
    EXPECT_TRUE(edit.isBlank());
    QWidget w;
    auto* layout = new QVBoxLayout(&w);
    layout->addWidget(&edit);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    edit.setFocus();
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, u"2024"_s);
    EXPECT_EQ(edit.maskedText(), u"2024/  /  "_s);
    EXPECT_FALSE(edit.isBlank());
    QTest::keyClicks(&edit, u"0315"_s);
    EXPECT_EQ(edit.maskedText(), u"2024/03/15"_s);
    QTest::keyClicks(&edit, u"x"_s);  // letters do not fit the mask
    EXPECT_EQ(edit.maskedText(), u"2024/03/15"_s);
    edit.setMaskedText(u"    /  /  "_s);
    EXPECT_EQ(edit.maskedText(), u"    /  /  "_s);
    edit.setMaskedText(u"2024/13/40"_s);  // the mask takes digits; dates are checked by windows
    EXPECT_EQ(edit.maskedText(), u"2024/13/40"_s);
    edit.clearMask();
    EXPECT_TRUE(edit.isBlank());
    layout->removeWidget(&edit);
    edit.setParent(nullptr);
    w.hide();
}

TEST(MaskEdit, MasksAsTheLayoutsWriteThemBecomeQtMasks) {
    EXPECT_EQ(TMaskEdit::qtInputMask(u"9999/99/99;1; "_s), u"0000/00/00; "_s);
    EXPECT_EQ(TMaskEdit::qtInputMask(u"000-0000;1;_"_s), u"999-9999;_"_s);
    EXPECT_EQ(TMaskEdit::qtInputMask(u"LLaa;0;*"_s), u"AAnn;*"_s);
    EXPECT_EQ(TMaskEdit::qtInputMask(u"\\A9"_s), u"\\A0;_"_s);
    EXPECT_EQ(TMaskEdit::qtInputMask(u"Nr.99"_s), u"\\Nr.00;_"_s);  // fixed N is escaped
    EXPECT_EQ(TMaskEdit::qtInputMask(QString()), QString());
}

TEST_F(Bound, DatePickerShowsYearMonthDayAndWritesWhenBound) {
    TDateTimePicker picker;
    EXPECT_EQ(picker.displayFormat(), u"yyyy/MM/dd"_s);
    EXPECT_TRUE(picker.calendarPopup());
    EXPECT_EQ(picker.date(), QDate::currentDate());
    picker.setDate(QDate(2024, 5, 6));
    EXPECT_EQ(picker.text(), u"2024/05/06"_s);
    EXPECT_EQ(table_.state(), State::Browse);  // unbound: nothing to write
    picker.setDataSource(&source_);
    picker.setDataField(u"収入日"_s);
    EXPECT_EQ(picker.date(), QDate(2024, 3, 1));
    picker.setDate(QDate(2024, 12, 24));
    EXPECT_EQ(table_.state(), State::Edit);
    table_.post();
    EXPECT_EQ(stored(1, u"収入日"_s), mz::data::Value(QDate(2024, 12, 24)));
}

// A click on the year, month or day of the picker selects that part, so that what is typed
// replaces it (a desktop date box does so; without it the digits were refused one by one and
// nothing changed). A drag selects what it went over.
TEST(DatePicker, TypingAfterAClickReplacesTheClickedPart) {
    TDateTimePicker picker;
    picker.setDate(QDate(2026, 12, 9));
    picker.resize(120, 22);
    picker.show();
    QApplication::setActiveWindow(&picker);
    picker.setFocus();
    auto* edit = picker.findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    // The middle of the character at position k of "yyyy/MM/dd".
    const auto pointAt = [&](int k) {
        const QFontMetrics fm(edit->font());
        const QString text = edit->text();
        const int left = edit->contentsRect().left() + edit->textMargins().left() + 2;
        return QPoint(left + fm.horizontalAdvance(text.left(k)) +
                          fm.horizontalAdvance(text.at(k)) / 2,
                      edit->height() / 2);
    };
    QTest::mouseClick(edit, Qt::LeftButton, {}, pointAt(2));  // inside the year
    EXPECT_EQ(picker.currentSection(), QDateTimeEdit::YearSection);
    QTest::keyClicks(&picker, u"2024"_s);
    EXPECT_EQ(picker.date(), QDate(2024, 12, 9));
    QTest::mouseClick(edit, Qt::LeftButton, {}, pointAt(6));  // the month's second digit
    QTest::keyClicks(&picker, u"03"_s);
    EXPECT_EQ(picker.date(), QDate(2024, 3, 9));
    QTest::mouseClick(edit, Qt::LeftButton, {}, pointAt(8));  // the day's first digit
    QTest::keyClicks(&picker, u"15"_s);
    EXPECT_EQ(picker.date(), QDate(2024, 3, 15));
    // A drag over the text keeps the dragged selection.
    QTest::mousePress(edit, Qt::LeftButton, {}, pointAt(0));
    QMouseEvent move(QEvent::MouseMove, pointAt(9), edit->mapToGlobal(pointAt(9)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &move);
    QTest::mouseRelease(edit, Qt::LeftButton, {}, pointAt(9));
    EXPECT_GT(edit->selectedText().size(), 2);
    picker.close();
}

// ---------------------------------------------------------------------------------------------
// Navigator, Enter as Tab

TEST_F(Bound, NavigatorMovesTheCursorAndSaysSoAfterwards) {
    TDBNavigator nav;
    nav.setDataSource(&source_);
    EXPECT_FALSE(nav.button(TDBNavigator::nbFirst)->isEnabled());
    EXPECT_FALSE(nav.button(TDBNavigator::nbPrior)->isEnabled());
    EXPECT_TRUE(nav.button(TDBNavigator::nbNext)->isEnabled());
    std::vector<std::pair<TDBNavigator::NavigateBtn, int>> seen;
    QObject::connect(&nav, &TDBNavigator::clicked, &nav,
                     [&](TDBNavigator::NavigateBtn b) { seen.emplace_back(b, table_.row()); });
    nav.button(TDBNavigator::nbNext)->click();
    nav.button(TDBNavigator::nbLast)->click();
    EXPECT_FALSE(nav.button(TDBNavigator::nbNext)->isEnabled());
    EXPECT_FALSE(nav.button(TDBNavigator::nbLast)->isEnabled());
    nav.button(TDBNavigator::nbPrior)->click();
    nav.button(TDBNavigator::nbFirst)->click();
    using N = TDBNavigator;
    const std::vector<std::pair<N::NavigateBtn, int>> expected{
        {N::nbNext, 1}, {N::nbLast, 2}, {N::nbPrior, 1}, {N::nbFirst, 0}};
    EXPECT_EQ(seen, expected);
    // The buttons follow moves made elsewhere, and an empty cursor disables them all.
    table_.last();
    EXPECT_TRUE(nav.button(TDBNavigator::nbFirst)->isEnabled());
    EXPECT_FALSE(nav.button(TDBNavigator::nbLast)->isEnabled());
    table_.setFilter(u"収入番号=99"_s);
    table_.setFiltered(true);
    for (auto b : {N::nbFirst, N::nbPrior, N::nbNext, N::nbLast})
        EXPECT_FALSE(nav.button(b)->isEnabled());
    nav.click(N::nbNext);  // unavailable: nothing happens
    EXPECT_EQ(seen.size(), 4u);
}

TEST(EnterAsTab, EnterMovesOnExceptInMemosAndOnButtons) {
    QWidget w;
    auto* layout = new QVBoxLayout(&w);
    auto* first = new TDBEdit;
    auto* memo = new TDBMemo;
    auto* combo = new TComboBox;
    auto* button = new TColorButton(u"登　　録"_s);
    auto* last = new TDBEdit;
    for (QWidget* c : std::initializer_list<QWidget*>{first, memo, combo, button, last})
        layout->addWidget(c);
    mz::widgets::EnterAsTab::install(&w);
    QSignalSpy pressed(button, &QPushButton::clicked);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_TRUE(memo->hasFocus());
    QTest::keyClicks(memo, u"a"_s);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, u"b"_s);
    EXPECT_TRUE(memo->hasFocus());
    EXPECT_EQ(memo->text(), u"a\nb"_s);
    memo->clearFocus();
    combo->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(button->hasFocus());
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(pressed.count(), 1);
    EXPECT_TRUE(button->hasFocus());
    // The typed Enter never reaches the edit it left.
    QSignalSpy returned(last, &QLineEdit::returnPressed);
    last->setFocus();
    QTest::keyClick(last, Qt::Key_Return);
    EXPECT_EQ(returned.count(), 0);
    EXPECT_TRUE(first->hasFocus());  // wraps around to the first control
    w.hide();
}

}  // namespace
