// Escape in a window that holds typed data: the press ends where a control would have used it
// and never closes the window; the close box and the window's own buttons still do.
#include "platform/keepopen.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A small entry window: a text box and a drop-down list.
struct EntryDialog : QDialog {
    QLineEdit* edit = new QLineEdit(this);
    QComboBox* combo = new QComboBox(this);
    EntryDialog() {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(edit);
        layout->addWidget(combo);
        combo->setEditable(true);
        combo->addItems({u"花子"_s, u"一郎"_s});
    }
};

}  // namespace

TEST(KeepOpenOnEscape, EscapeFromAControlOrTheWindowClosesNothingAndKeepsTheText) {
    // Without it a dialog closes on Escape, and the typed text goes with it.
    {
        EntryDialog plain;
        plain.show();
        QTest::keyClicks(plain.edit, u"yamada"_s);
        QTest::keyClick(plain.edit, Qt::Key_Escape);
        EXPECT_FALSE(plain.isVisible());
        EXPECT_FALSE(mz::platform::keepsOpenOnEscape(&plain));
    }
    EntryDialog w;
    mz::platform::keepOpenOnEscape(&w);
    mz::platform::keepOpenOnEscape(&w);  // a second call adds nothing
    EXPECT_TRUE(mz::platform::keepsOpenOnEscape(&w));
    QSignalSpy finished(&w, &QDialog::finished);
    w.show();
    QTest::keyClicks(w.edit, u"yamada"_s);
    QTest::keyClick(w.edit, Qt::Key_Escape);
    QTest::keyClick(w.edit, Qt::Key_Escape);  // one press too many after a conversion
    QTest::keyClick(w.combo, Qt::Key_Escape);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.edit->text(), u"yamada"_s);
    EXPECT_EQ(finished.count(), 0);
    // Other keys still reach the controls.
    QTest::keyClicks(w.edit, u"!"_s);
    EXPECT_EQ(w.edit->text(), u"yamada!"_s);

    // The close box (a close event) still closes it.
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(finished.count(), 1);
}

TEST(KeepOpenOnEscape, TheWindowsOwnButtonsStillCloseIt) {
    EntryDialog w;
    mz::platform::keepOpenOnEscape(&w);
    w.show();
    w.reject();  // what a 戻る button does
    EXPECT_FALSE(w.isVisible());
    mz::platform::keepOpenOnEscape(nullptr);  // nothing to keep open: nothing happens
    EXPECT_FALSE(mz::platform::keepsOpenOnEscape(nullptr));
}
