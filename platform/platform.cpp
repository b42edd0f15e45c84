#include "platform/platform.h"

#include "platform/modal.h"
#include "platform/recorder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <cerrno>
#include <filesystem>
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

std::filesystem::path fsPath(const QString& name) {
    return std::filesystem::path(QFile::encodeName(name).toStdString());
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

QString chooseFolder(QWidget* parent, const QString& startDir, const QString& title) {
    if (Recorder* rec = recorder("folder picker", startDir))
        return rec->answerPicker({DialogKind::Folder, title, {}, startDir, {}});
    return QFileDialog::getExistingDirectory(ownerOr(parent), title, startDir);
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
        if (patterns.isEmpty() || namesPatterns)
            lines << description;
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
    switch (code) {
        case 0:
            return u"エラーはありません"_s;
        case ENOENT:
            return u"ファイルまたはフォルダが見つかりません"_s;
        case EACCES:
        case EPERM:
            return u"アクセスが拒否されました"_s;
        case ENOTDIR:
            return u"フォルダではありません"_s;
        case EISDIR:
            return u"フォルダです"_s;
        case EEXIST:
            return u"同じ名前のファイルがすでにあります"_s;
        case ENOSPC:
            return u"ディスクの空き容量が足りません"_s;
        case EROFS:
            return u"書き込みが禁止されています"_s;
        case ENAMETOOLONG:
            return u"名前が長すぎます"_s;
        case EIO:
            return u"入出力エラーが発生しました"_s;
        case ELOOP:
            return u"シンボリックリンクが多すぎます"_s;
        case EBUSY:
            return u"使用中です"_s;
        case ENOMEDIUM:
            return u"ドライブの準備ができていません"_s;
        default:
            return u"システムエラー %1"_s.arg(code);
    }
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

CopyResult copyFile(const QString& from, const QString& to) {
    namespace fs = std::filesystem;
    const auto fail = [&](int code) {
        return CopyResult{false, u"「%1」を「%2」にコピーできません（%3）"_s.arg(
                                     from, to, systemErrorText(code))};
    };
    if (from.isEmpty() || to.isEmpty()) return fail(ENOENT);
    const fs::path source = fsPath(from);
    const fs::path target = fsPath(to);
    std::error_code ec;
    if (fs::exists(target, ec) && fs::equivalent(source, target, ec)) return fail(EEXIST);
    if (fs::is_directory(target, ec)) return fail(EISDIR);
    ec.clear();
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    if (ec) return fail(ec.value());
    return {true, {}};
}

}  // namespace mz::platform
