#pragma once
// The help command of Mizorel: the built-in viewer of the compiled help file Mizorel_Help.chm.
//
// The help pages are HTML compiled into a CHM archive at build time. ChmArchive reads pages,
// style sheets and images out of the archive with chmlib; HelpViewer shows them in a
// QTextBrowser whose resources all come from the archive (no outside viewer, no network), with
// the table of contents, the keyword index and a text search on the left. The help command
// (app/helpcommand.h) opens it.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

#include <optional>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace mz::app {

// The file name of the help file, looked up without a directory part.
inline constexpr char kHelpFileName[] = "Mizorel_Help.chm";

// One compiled help file, read into memory. chmlib trusts the file it reads and can crash on a
// damaged one, so the archive is unpacked by chmlib in a child process and only its objects
// come back; a file that crashes, hangs or fails there is refused as damaged. Paths inside the
// archive are absolute and case-insensitive ("/index.html").
class ChmArchive {
public:
    // What the archive's /#SYSTEM file says about the help file.
    struct SystemInfo {
        QString contentsFile;  // code 0: the .hhc, relative to the archive's root
        QString indexFile;     // code 1: the .hhk
        QString defaultTopic;  // code 2: the page the help opens at
        QString title;         // code 3
    };

    // Opens the file. False when it cannot be read as a CHM archive (missing, not a CHM,
    // truncated, damaged); the archive is then closed.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return open_; }
    QString path() const { return path_; }

    // The bytes of one object of the archive; nothing when it does not exist.
    std::optional<QByteArray> read(const QString& pathInArchive) const;
    bool contains(const QString& pathInArchive) const;

    // The paths of the ordinary files of the archive (its pages, style sheets, images, the
    // contents and index files), without the archive's own bookkeeping objects.
    QStringList files() const;

    // The parsed /#SYSTEM file; nothing when it is missing.
    std::optional<SystemInfo> systemInfo() const;

    // Parses the bytes of a /#SYSTEM file: a 4-byte version, then records of a 16-bit code,
    // a 16-bit length and that many bytes. A record that runs past the end ends the parse.
    static std::optional<SystemInfo> parseSystem(const QByteArray& bytes);

    // Limits on what a help file may unpack to, so that a damaged directory cannot make the
    // viewer allocate gigabytes, and on how long unpacking may take.
    static constexpr qint64 kMaxObjectSize = 64 * 1024 * 1024;
    static constexpr qint64 kMaxTotalSize = 256 * 1024 * 1024;
    static constexpr int kUnpackTimeoutMs = 20000;

private:
    bool open_ = false;
    QString path_;
    QHash<QString, QByteArray> objects_;  // by lower-case path
    QStringList names_;                   // the paths as stored
};

// One entry of the contents or the keyword index: its title and the page it points to
// (a path inside the archive, possibly with a #fragment).
struct HelpTopic {
    QString name;
    QString local;
    int depth = 0;  // nesting level in the contents, 0 for the top level
};

// Parses the sitemap format of .hhc and .hhk files: <LI><OBJECT type="text/sitemap"> with
// <param name="Name"> and <param name="Local">, nested in <UL> lists. Entries without a name
// are left out.
QList<HelpTopic> parseSitemap(const QString& html);

// Decodes an HTML page by its byte-order mark or its declared charset; UTF-8 otherwise.
QString decodeHtml(const QByteArray& bytes);

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
    void followLink(const QUrl& url);
    QString pageTitle(const QString& html, const QString& fallback) const;

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
