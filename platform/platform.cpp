#include "platform/platform.h"

#include "platform/modal.h"
#include "platform/recorder.h"

#include "data/syserror.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <cerrno>
#include <system_error>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace mz::platform {

namespace {

// The window a box belongs to when the caller names none: the modal window on top, else the
// active window.
QWidget* ownerOr(QWidget* parent) {
    if (parent) return parent;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// The recorder that answers for the desktop, or null in the program. A test that drives windows
// but installed no recorder would otherwise stop at a real message box: that fails the test.
Recorder* recorder(const char* what, const QString& text) {
    Recorder* rec = Recorder::active();
    if (!rec && (ModalDriver::active() || neverBlock()))
        testFailure(
            u"%1 \"%2\" shown in a test without a Recorder"_s.arg(QLatin1StringView(what), text));
    return rec;
}

}  // namespace

QString padded(const QString& message) {
    return u"  "_s + message + u"  "_s;
}

QString applicationTitle() {
    // The program's name as the user knows it, whatever the file is called on disk (the Linux
    // program file is the lower-case "mizorel", a test executable has its own name).
    return u"Mizorel"_s;
}

void notice(QWidget* parent, const QString& text) {
    if (Recorder* rec = recorder("notice", text)) {
        rec->record({DialogKind::Notice, applicationTitle(), text, {}, {}});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok,
                    ownerOr(parent));
    box.exec();
}

void errorBox(QWidget* parent, const QString& caption, const QString& text) {
    if (Recorder* rec = recorder("error box", text)) {
        rec->record({DialogKind::Error, caption, text, {}, {}});
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, ownerOr(parent));
    box.exec();
}

bool askOkCancel(QWidget* parent, const QString& title, const QString& text) {
    if (Recorder* rec = recorder("OK/Cancel question", text))
        return rec->answerQuestion({DialogKind::OkCancel, title, text, {}, {}});
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    ownerOr(parent));
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

bool askYesNo(QWidget* parent, const QString& caption, const QString& text) {
    if (Recorder* rec = recorder("Yes/No question", text))
        return rec->answerQuestion({DialogKind::YesNo, caption, text, {}, {}});
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    ownerOr(parent));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString openFileName(QWidget* parent, const QString& filter, const QString& startDir,
                     const QString& title) {
    if (Recorder* rec = recorder("open-file picker", filter))
        return rec->answerPicker({DialogKind::OpenFile, title, filter, startDir, {}});
    return QFileDialog::getOpenFileName(ownerOr(parent), title, startDir, qtFileFilter(filter));
}

QString saveFileName(QWidget* parent, const QString& filter, const QString& startPath,
                     const QString& title) {
    if (Recorder* rec = recorder("save-file picker", filter))
        return rec->answerPicker({DialogKind::SaveFile, title, filter, startPath, {}});
    return QFileDialog::getSaveFileName(ownerOr(parent), title, startPath, qtFileFilter(filter));
}

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList lines;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = i + 1 < parts.size()
                                     ? parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ')
                                     : QString();
        if (description.isEmpty() && patterns.isEmpty()) continue;
        const bool namesPatterns = description.endsWith(u')') && description.contains(u'(');
        if (patterns.isEmpty())
            lines << description;
        else if (namesPatterns)  // the dialog reads the patterns from the parentheses, blank-separated
            lines << description.left(description.lastIndexOf(u'(')).trimmed() + u" ("_s +
                         patterns + u')';
        else if (description.isEmpty())
            lines << patterns;
        else
            lines << description + u" ("_s + patterns + u')';
    }
    return lines.join(u";;"_s);
}

IoError::IoError(const QString& message, int code)
    : std::runtime_error(message.toStdString()), message_(message), code_(code) {}

QString systemErrorText(int code) {
    return mz::data::systemErrorText(code);
}

QString currentDir() {
    return QDir::currentPath();
}

void setCurrentDir(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty() || ::chdir(native.constData()) != 0) {
        const int code = path.isEmpty() ? ENOENT : errno;
        throw IoError(u"フォルダ「%1」に移動できません（%2）"_s.arg(path, systemErrorText(code)),
                      code);
    }
}

bool fileExists(const QString& name) {
    if (name.isEmpty()) return false;
    const QFileInfo info(name);
    return info.exists() && !info.isDir();
}

}  // namespace mz::platform
