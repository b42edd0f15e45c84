#include "app/helpcommand.h"

#include "app/TMizorelMenuForm.h"
#include "app/helpviewer.h"
#include "platform/sharedstate.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <QTextStream>

namespace mz::app {

namespace {

// The page of each window the help describes, by class name.
struct WindowTopic {
    const char* className;
    const char* page;
};
constexpr WindowTopic kWindowTopics[] = {
    {"TMizorelMenuForm", "start.html"},     {"TMizorel_verForm", "start.html"},
    {"TINsrSrForm", "ledger_search.html"},  {"TOUTsrSrForm", "ledger_search.html"},
    {"TINregiForm", "ledger_register.html"}, {"TOUTregiForm", "ledger_register.html"},
    {"TINsrchForm", "ledger_view.html"},    {"TOUTsrchForm", "ledger_view.html"},
    {"TINeditForm", "ledger_edit.html"},    {"TOUTeditForm", "ledger_edit.html"},
    {"TINdelForm", "ledger_edit.html"},     {"TOUTdelForm", "ledger_edit.html"},
    {"TNAMEsentakuForm", "counterpart_select.html"},
    {"TNAMEkubunForm", "counterpart_register.html"},
    {"TNAMEregi1Form", "counterpart_register.html"},
    {"TNAMEregi2Form", "counterpart_register.html"},
    {"TNAMEeditForm", "counterpart_edit.html"}, {"TNAMEdelForm", "counterpart_edit.html"},
    {"TNAMEsrchForm", "counterpart_edit.html"},
    {"TMOKUregiForm", "purpose.html"},      {"TMOKUeditForm", "purpose.html"},
    {"TMOKUdelForm", "purpose.html"},       {"TMOKUsentakuForm", "purpose.html"},
    {"TKAZOregiForm", "family.html"},       {"TKAZOeditForm", "family.html"},
    {"TBackupForm", "backup.html"},         {"TReportPreview", "print.html"},
    {"TOKAEshiForm", "returns.html"},       {"TOKAEeditForm", "returns.html"},
    {"TOKAErulesForm", "returns.html"},
    {"TGYOJIsentakuForm", "reception.html"}, {"TUKEregiForm", "reception.html"},
    {"TUKEsimeForm", "reception.html"},
};

// The one viewer of the help command; null once its window has been deleted.
QPointer<HelpViewer>& theViewer() {
    static QPointer<HelpViewer> viewer;
    return viewer;
}

// F1 anywhere in the program. A key press reaches the application's event filters before the
// focused widget, also inside a modal window.
class HelpKey : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
        QWidget* focused = static_cast<QWidget*>(watched)->window();
        // In the viewer itself F1 leaves the page it shows.
        if (focused == theViewer().data()) return true;
        QWidget* owner = mz::state().MizorelMenuForm.data();
        openHelp(owner != nullptr ? owner : focused, helpTopicFor(focused));
        return true;
    }
};

}  // namespace

QStringList helpFileCandidates() {
    QStringList dirs;
    const auto add = [&dirs](const QString& dir) {
        const QString clean = QDir::cleanPath(QDir(dir).absolutePath());
        if (!dir.isEmpty() && !dirs.contains(clean)) dirs << clean;
    };
    add(QDir::currentPath());
    const QString programDir = QCoreApplication::applicationDirPath();
    add(programDir);
    add(programDir + QStringLiteral("/../share/mizorel"));
    QStringList files;
    for (const QString& d : dirs) files << QDir(d).filePath(QLatin1String(kHelpFileName));
    return files;
}

QString helpTopicForClass(QLatin1StringView className) {
    // A class in a namespace is known by its own name.
    if (const qsizetype colon = className.lastIndexOf(QLatin1Char(':')); colon >= 0)
        className = className.sliced(colon + 1);
    for (const WindowTopic& t : kWindowTopics)
        if (className == QLatin1StringView(t.className)) return QString::fromLatin1(t.page);
    return {};
}

QString helpTopicFor(const QWidget* window) {
    for (const QWidget* w = window; w != nullptr; w = w->parentWidget()) {
        const QString topic = helpTopicForClass(QLatin1StringView(w->metaObject()->className()));
        if (!topic.isEmpty()) return topic;
    }
    return {};
}

HelpViewer* openHelp(QWidget* owner, const QString& topic) {
    QString found;
    QStringList searched;
    for (const QString& candidate : helpFileCandidates()) {
        const QFileInfo info(candidate);
        searched << info.absolutePath();
        if (info.isFile()) {
            found = info.absoluteFilePath();
            break;
        }
    }

    QPointer<HelpViewer>& viewer = theViewer();
    if (viewer && viewer->parentWidget() != owner) {
        viewer->close();
        delete viewer.data();
    }
    if (!viewer) {
        viewer = new HelpViewer(owner);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
    }
    HelpViewer* v = viewer.data();
    if (found.isEmpty())
        v->showNotFound(searched);
    else if (!v->isLoaded() || v->fileName() != found)
        v->openFile(found);
    if (v->isLoaded()) v->showTopic(topic.isEmpty() ? v->defaultTopic() : topic);
    v->show();
    v->followModalWindow();
    v->raise();
    v->activateWindow();
    return v;
}

void installHelpKey() {
    static HelpKey* key = nullptr;
    if (key != nullptr || qApp == nullptr) return;
    key = new HelpKey(qApp);
    qApp->installEventFilter(key);
}

int reportHelpCheck(QWidget* mainWindow) {
    HelpViewer* v = openHelp(mainWindow);
    QTextStream out(stdout);
    out << "main window: " << (mainWindow->isVisible() ? "shown" : "hidden") << '\n';
    out << "help file: " << (v->isLoaded() ? v->fileName() : QStringLiteral("(none)")) << '\n';
    out << "help topic: " << v->browser()->source().path() << '\n';
    out << "help title: " << v->browser()->documentTitle() << '\n';
    // Qt's own texts in Japanese show that its translations were found too.
    out << "cancel button: " << QCoreApplication::translate("QPlatformTheme", "Cancel") << '\n';
    out.flush();
    const bool ok = mainWindow->isVisible() && v->isVisible() && v->isLoaded() &&
                    v->browser()->source().path() == v->defaultTopic();
    v->close();
    return ok ? 0 : 1;
}

}  // namespace mz::app
