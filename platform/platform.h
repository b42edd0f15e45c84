#pragma once
// The seam between Mizorel's windows and the desktop: message boxes, questions, the file and
// folder pickers, the process's current directory and file copies.
//
// Windows never call QMessageBox or QFileDialog themselves; they call these functions. In the
// program they show real Qt dialogs. While a test has installed a Recorder (recorder.h), every
// box is recorded instead and every question or picker is answered from the test's script, so
// nothing modal is ever shown in a test.

#include <QString>

#include <stdexcept>

class QWidget;

namespace mz::platform {

// A notice text as every window shows it: the message with two blanks on each side.
QString padded(const QString& message);

// The application's title, the program's name "Mizorel". Captions of plain notices and of the
// error display.
QString applicationTitle();

// A plain message box (no icon, one OK button) with the application's title as caption. The
// text is shown as given; callers pass padded(message).
void notice(QWidget* parent, const QString& text);

// A message box with the error icon and an OK button.
void errorBox(QWidget* parent, const QString& caption, const QString& text);

// A question with the buttons OK and Cancel, no icon. True when the user chose OK; Escape and
// the close box count as Cancel.
bool askOkCancel(QWidget* parent, const QString& title, const QString& text);

// A question with the question icon and the buttons Yes and No (はい / いいえ once the Japanese
// Qt translation is loaded). True when the user chose Yes.
bool askYesNo(QWidget* parent, const QString& caption, const QString& text);

// The open-file picker. `filter` is written as pairs "description|pattern[|description|pattern
// ...]" ("ビットマップ (*.bmp)|*.bmp"); a start folder that does not exist is left to the
// dialog. Returns the chosen path, or an empty string when the user cancelled.
QString openFileName(QWidget* parent, const QString& filter, const QString& startDir,
                     const QString& title = QString());

// The save-file picker, with the same filter form as openFileName; `startPath` is the folder
// and file name offered first. Returns the chosen path, or an empty string when the user
// cancelled.
QString saveFileName(QWidget* parent, const QString& filter, const QString& startPath,
                     const QString& title = QString());

// Turns a "description|pattern|..." filter into the form QFileDialog reads: one line per pair,
// "description (patterns)"; a pattern list separated by ';' becomes blank-separated. A
// description that already names its patterns in parentheses ("画像 (*.bmp;*.png)") gets them
// blank-separated there too, as the dialog reads them from the parentheses.
QString qtFileFilter(const QString& filter);

// A failure of the file system: changing the current directory, most often. The message is
// Japanese and names the path; code() is the system's error number (errno).
class IoError : public std::runtime_error {
public:
    IoError(const QString& message, int code);
    const QString& message() const { return message_; }
    int code() const { return code_; }

private:
    QString message_;
    int code_;
};

// A short Japanese description of a system error number ("ファイルまたはフォルダが見つかりません"),
// as data/syserror.h tells it.
QString systemErrorText(int code);

// The process's current directory, as an absolute path.
QString currentDir();

// Makes `path` the process's current directory. Throws IoError when that fails (the folder does
// not exist, is not a folder, may not be entered), leaving the current directory unchanged.
void setCurrentDir(const QString& path);

// Whether a plain file of this name exists; a relative name is looked up in the current
// directory. A folder is not a file.
bool fileExists(const QString& name);

}  // namespace mz::platform
