#pragma once
// Test side of the desktop seam (platform.h). A Recorder installed by a test sees every
// message box that a window shows and answers every question and picker from the test's
// script, in order. Installing is RAII: the constructor installs, the destructor restores what
// was installed before, so recorders nest.
//
// A question or picker that the script does not answer, or answers with an answer of another
// kind, is a mistake of the test: it is recorded in failures() and raised as TestFailure, so the
// test fails loudly instead of waiting for a user.
//
//     mz::platform::Recorder rec;
//     rec.answerOkCancel(true);
//     window.BitBtnGazoDelClick();
//     EXPECT_EQ(rec.notices(), QStringList{u"  収入データが登録されました。  "_s});

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>

namespace mz::platform {

enum class DialogKind { Notice, Error, OkCancel, YesNo, OpenFile, SaveFile };

struct RecordedDialog {
    DialogKind kind;
    QString caption;  // caption or title; for pickers the picker's title
    QString text;     // message text; for the file picker the filter as the window passed it
    QString detail;   // for pickers the start folder
    QString answer;   // for questions "OK"/"Cancel"/"Yes"/"No", for pickers the path returned
};

// Raised by the platform seam when a test drives a window into something the test did not
// script (an unanswered question, a window opened with no driver). Never caught by the
// error display.
class TestFailure : public std::logic_error {
public:
    explicit TestFailure(const QString& message);
};

// Records `message` as a failure of the running test (in the active recorder, and through the
// failure hook if one is set) and throws TestFailure.
[[noreturn]] void testFailure(const QString& message);

// A function called with the text of every test failure before it is thrown; the GUI test main
// may set one that reports it to GoogleTest. Also called for answers left over when a Recorder
// goes away. Returns the previous hook.
// In the test programs nothing may wait for a user: with this on, a message box shown without a
// Recorder, or a window opened without a ModalDriver, fails the test instead of showing.
void setNeverBlock(bool on);
bool neverBlock();

using FailureHook = std::function<void(const QString&)>;
FailureHook setFailureHook(FailureHook hook);

class Recorder {
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // The recorder that is installed now, or null in the program.
    static Recorder* active();

    // Script: the answers to the next questions and pickers, in the order they will be asked.
    Recorder& answerOkCancel(bool ok);
    Recorder& answerYesNo(bool yes);
    Recorder& answerOpenFile(const QString& path);  // empty: the user cancels
    Recorder& answerSaveFile(const QString& path);  // empty: the user cancels
    qsizetype pendingAnswers() const;

    // What was shown, in order.
    const QList<RecordedDialog>& dialogs() const;
    QStringList texts(DialogKind kind) const;
    QStringList notices() const { return texts(DialogKind::Notice); }
    QStringList errors() const { return texts(DialogKind::Error); }
    void clearDialogs();

    const QStringList& failures() const;

    // Used by the seam: record a box, or record a question and take its scripted answer.
    void record(RecordedDialog dialog);
    bool answerQuestion(RecordedDialog dialog);
    QString answerPicker(RecordedDialog dialog);
    void addFailure(const QString& message);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace mz::platform
