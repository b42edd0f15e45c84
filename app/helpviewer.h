#pragma once
// The built-in viewer of the compiled help file Mizorel_Help.chm.
//
// The help pages are HTML compiled into a CHM archive at build time. ChmArchive
// (app/helparchive.h) holds the pages, style sheets and images of the archive; HelpViewer
// shows them in a QTextBrowser whose resources all come from the archive (no outside viewer,
// no network), with the table of contents, the keyword index and a text search on the left.
// The help command (app/helpcommand.h) opens it.

#include "app/helparchive.h"
#include "app/helpformat.h"

#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace mz::app {

// The file name of the help file, looked up without a directory part.
inline constexpr char kHelpFileName[] = "Mizorel_Help.chm";

// The browser of the viewer: every resource a page asks for is read from the archive.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget* parent = nullptr);

    void setArchive(const ChmArchive* archive) { archive_ = archive; }

    // Every resource a page asked for that the archive does not hold, as URLs, since the
    // last clear.
    QStringList missingResources() const { return missing_; }
    void clearMissingResources() { missing_.clear(); }

    // The URL of a page inside the archive ("chm:///index.html").
    static QUrl urlOf(const QString& pathInArchive);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    const ChmArchive* archive_ = nullptr;
    QStringList missing_;
};

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    // The viewer is a window of its own, also when it has a parent.
    explicit HelpViewer(QWidget* parent = nullptr);
    ~HelpViewer() override;

    // Opens a help file and shows its default topic. When the file cannot be read, the viewer
    // shows a message page saying so and returns false.
    bool openFile(const QString& path);
    // Shows the message page for a help file that was not found in any of these places.
    void showNotFound(const QStringList& searched);

    bool isLoaded() const { return archive_.isOpen(); }
    QString fileName() const { return archive_.path(); }
    // The page the file opens at, as a path inside the archive ("/index.html").
    QString defaultTopic() const { return defaultTopic_; }
    const QList<HelpTopic>& contents() const { return contents_; }
    const QList<HelpTopic>& keywords() const { return keywords_; }

    HelpBrowser* browser() const { return browser_; }
    QTreeWidget* contentsTree() const { return contentsTree_; }
    QListWidget* indexList() const { return indexList_; }
    QListWidget* searchResults() const { return searchResults_; }
    QLineEdit* searchEdit() const { return searchEdit_; }

    // Shows a page of the archive; a path relative to the root is taken as from the root.
    void showTopic(const QString& local);
    // Lists the pages whose text holds every word of the query (blank-separated, letter case
    // ignored) and returns how many were found.
    int search(const QString& query);

    // Makes the viewer a transient child of the modal window on top, if there is one, so that
    // the modal window does not block it. Runs by itself whenever a modal window blocks the
    // viewer.
    void followModalWindow();

protected:
    bool event(QEvent* event) override;

private:
    void clear();
    void showMessage(const QString& title, const QString& bodyHtml);
    void fillContents();
    void filterIndex(const QString& text);
    void openIndexItem(QListWidgetItem* item);
    void openSearchItem(QListWidgetItem* item);
    void openContentsItem(QTreeWidgetItem* item);
    void markContentsItem(const QUrl& page);
    void followLink(const QUrl& url);

    ChmArchive archive_;
    QString defaultTopic_;
    QList<HelpTopic> contents_;
    QList<HelpTopic> keywords_;

    QTabWidget* tabs_ = nullptr;
    QTreeWidget* contentsTree_ = nullptr;
    QLineEdit* indexEdit_ = nullptr;
    QListWidget* indexList_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QListWidget* searchResults_ = nullptr;
    HelpBrowser* browser_ = nullptr;
};

}  // namespace mz::app
