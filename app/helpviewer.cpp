#include "app/helpviewer.h"

#include <QApplication>
#include <QWindow>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <QElapsedTimer>

#include <chm_lib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace mz::app {

namespace {

constexpr char kScheme[] = "chm";

// --- Unpacking a help file ------------------------------------------------------------------
//
// The child process opens the file with chmlib, checks that the file is as long as its own
// directory says, and writes every ordinary object to a pipe as records of
// [u32 path length][path][u64 data length][data]. It exits with 0 when every object could be
// read in full. Only async-signal-safe calls and chmlib (with malloc, which glibc keeps usable
// after fork) run in the child.

// Where the uncompressed section, which holds every stored object and the compressed stream,
// starts in the file. ITSF header: "ITSF", version, header length, ..., at 0x48 the directory
// offset and length, at 0x58 (version 3 only) the content offset; version 2 puts the content
// right after the directory. Nothing for a header that says something impossible.
std::optional<quint64> contentOffset(const QByteArray& header) {
    if (header.size() < 0x58 || !header.startsWith("ITSF")) return std::nullopt;
    const auto u32 = [&header](int at) {
        quint32 v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(header[at + i]);
        return v;
    };
    const auto u64 = [&header](int at) {
        quint64 v = 0;
        for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(header[at + i]);
        return v;
    };
    const quint32 version = u32(4);
    const quint64 dirOffset = u64(0x48);
    const quint64 dirLength = u64(0x50);
    if (dirOffset > quint64(1) << 40 || dirLength > quint64(1) << 40) return std::nullopt;
    if (version >= 3) {
        if (header.size() < 0x60) return std::nullopt;
        return u64(0x58);
    }
    return dirOffset + dirLength;
}

enum ChildExit { kUnpacked = 0, kNotChm = 2, kTruncated = 3, kUnreadable = 4, kPipeBroken = 5 };

bool writeAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

struct ChildContext {
    int fd = -1;
    quint64 storedEnd = 0;  // the end of the furthest stored object, relative to the content
    int failure = kUnpacked;
};

int measureStored(chmFile*, chmUnitInfo* ui, void* context) {
    auto* c = static_cast<ChildContext*>(context);
    if (ui->space == CHM_UNCOMPRESSED) {
        const quint64 end = ui->start + ui->length;
        // An entry whose end wraps around is as bad as one past the end of the file.
        c->storedEnd = std::max(c->storedEnd, end < ui->start ? ~quint64(0) : end);
    }
    return CHM_ENUMERATOR_CONTINUE;
}

int sendObject(chmFile* file, chmUnitInfo* ui, void* context) {
    auto* c = static_cast<ChildContext*>(context);
    const size_t pathLength = ::strnlen(ui->path, CHM_MAX_PATHLEN);
    // Directories end in a slash.
    if (pathLength == 0 || ui->path[0] != '/' || ui->path[pathLength - 1] == '/')
        return CHM_ENUMERATOR_CONTINUE;
    if (ui->length > static_cast<LONGUINT64>(ChmArchive::kMaxObjectSize)) {
        c->failure = kUnreadable;
        return CHM_ENUMERATOR_FAILURE;
    }
    const auto length = static_cast<size_t>(ui->length);
    auto* data = static_cast<unsigned char*>(::malloc(length + 1));
    if (data == nullptr) {
        c->failure = kUnreadable;
        return CHM_ENUMERATOR_FAILURE;
    }
    const LONGINT64 got =
        length == 0 ? 0 : chm_retrieve_object(file, ui, data, 0, static_cast<LONGINT64>(length));
    if (got != static_cast<LONGINT64>(length)) {
        ::free(data);
        c->failure = kUnreadable;
        return CHM_ENUMERATOR_FAILURE;
    }
    const quint32 pathSize = static_cast<quint32>(pathLength);
    const quint64 dataSize = length;
    const bool sent = writeAll(c->fd, &pathSize, sizeof pathSize) &&
                      writeAll(c->fd, ui->path, pathLength) &&
                      writeAll(c->fd, &dataSize, sizeof dataSize) && writeAll(c->fd, data, length);
    ::free(data);
    if (!sent) {
        c->failure = kPipeBroken;
        return CHM_ENUMERATOR_FAILURE;
    }
    return CHM_ENUMERATOR_CONTINUE;
}

[[noreturn]] void unpackInChild(const char* path, quint64 content, quint64 fileSize, int fd) {
    // A crash report of a damaged file is of no use to anyone reading the program's output.
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0) ::dup2(devNull, STDERR_FILENO);
    chmFile* file = chm_open(path);
    if (file == nullptr) ::_exit(kNotChm);
    ChildContext c;
    c.fd = fd;
    chm_enumerate(file, CHM_ENUMERATE_ALL, measureStored, &c);
    // chmlib reads a truncated file without complaint and hands out whatever the missing part
    // decompresses to; a file shorter than its own directory says is refused instead.
    if (c.storedEnd > fileSize - content) ::_exit(kTruncated);
    // Pages and pictures (normal) and /#SYSTEM with its kin (special); not the ::DataSpace
    // objects, which are the compressed stream itself.
    chm_enumerate(file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_SPECIAL | CHM_ENUMERATE_FILES,
                  sendObject, &c);
    ::_exit(c.failure);
}

// Runs the child and collects what it sends; nothing when it fails, crashes or takes too long.
std::optional<QByteArray> unpack(const QString& path, quint64 content, quint64 fileSize) {
    const QByteArray nativePath = QFile::encodeName(path);
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(fds[0]);
        unpackInChild(nativePath.constData(), content, fileSize, fds[1]);
    }
    ::close(fds[1]);

    QByteArray stream;
    bool ok = true;
    QElapsedTimer timer;
    timer.start();
    char buffer[65536];
    for (;;) {
        const qint64 left = ChmArchive::kUnpackTimeoutMs - timer.elapsed();
        if (left <= 0) {
            ok = false;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            ok = false;
            break;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;  // the child is done
        if (stream.size() + n > ChmArchive::kMaxTotalSize) {
            ok = false;
            break;
        }
        stream.append(buffer, n);
    }
    ::close(fds[0]);
    if (!ok) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != kUnpacked) return std::nullopt;
    return stream;
}

QString htmlEscape(const QString& s) {
    return s.toHtmlEscaped();
}

// Replaces the character references a sitemap attribute may hold.
QString decodeEntities(QString s) {
    static const QRegularExpression entity(
        QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    static const QHash<QString, QString> named = {{QStringLiteral("amp"), QStringLiteral("&")},
                                                  {QStringLiteral("lt"), QStringLiteral("<")},
                                                  {QStringLiteral("gt"), QStringLiteral(">")},
                                                  {QStringLiteral("quot"), QStringLiteral("\"")},
                                                  {QStringLiteral("apos"), QStringLiteral("'")},
                                                  {QStringLiteral("nbsp"), QString(QChar(0xA0))}};
    QString out;
    qsizetype last = 0;
    auto it = entity.globalMatch(s);
    while (it.hasNext()) {
        const auto m = it.next();
        out += QStringView(s).mid(last, m.capturedStart() - last);
        const QString body = m.captured(1);
        QString replacement = m.captured(0);
        if (body.startsWith(u'#')) {
            bool ok = false;
            const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
            const uint code = hex ? body.mid(2).toUInt(&ok, 16) : body.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t c = code;
                replacement = QString::fromUcs4(&c, 1);
            }
        } else if (const auto found = named.constFind(body.toLower()); found != named.cend()) {
            replacement = *found;
        }
        out += replacement;
        last = m.capturedEnd();
    }
    out += QStringView(s).mid(last);
    return out;
}

QHash<QString, QString> attributes(const QString& text) {
    static const QRegularExpression attr(QStringLiteral(
        R"re(([A-Za-z_:][-A-Za-z0-9_:.]*)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s"'>]+)))re"));
    QHash<QString, QString> out;
    auto it = attr.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        QString value = m.captured(2);
        if (m.capturedStart(3) >= 0) value = m.captured(3);
        if (m.capturedStart(4) >= 0) value = m.captured(4);
        out.insert(m.captured(1).toLower(), decodeEntities(value));
    }
    return out;
}

// The path of a page inside the archive, from a sitemap's Local value or a link: leading
// "./" and a "chm:" prefix removed, always starting with a slash.
QString archivePathOf(const QString& local) {
    QString p = local.trimmed();
    const qsizetype hash = p.indexOf(u'#');
    if (hash >= 0) p.truncate(hash);
    const QUrl url(p);
    if (url.scheme() == QLatin1String(kScheme)) p = url.path(QUrl::FullyDecoded);
    while (p.startsWith(QLatin1String("./"))) p.remove(0, 2);
    if (!p.startsWith(u'/')) p.prepend(u'/');
    return p;
}

}  // namespace

// --- ChmArchive -----------------------------------------------------------------------------

bool ChmArchive::open(const QString& path) {
    close();
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) return false;
    QFile raw(info.absoluteFilePath());
    if (!raw.open(QIODevice::ReadOnly)) return false;
    const auto content = contentOffset(raw.read(0x60));
    const auto fileSize = static_cast<quint64>(raw.size());
    raw.close();
    if (!content || *content > fileSize) return false;

    const auto stream = unpack(info.absoluteFilePath(), *content, fileSize);
    if (!stream) return false;

    // The records the child wrote; a stream that does not add up is refused as a whole.
    QHash<QString, QByteArray> objects;
    QStringList names;
    qsizetype at = 0;
    const auto take = [&stream, &at](void* out, qsizetype size) {
        if (stream->size() - at < size) return false;
        std::memcpy(out, stream->constData() + at, static_cast<size_t>(size));
        at += size;
        return true;
    };
    while (at < stream->size()) {
        quint32 pathSize = 0;
        quint64 dataSize = 0;
        if (!take(&pathSize, sizeof pathSize) || pathSize > CHM_MAX_PATHLEN ||
            stream->size() - at < static_cast<qsizetype>(pathSize))
            return false;
        const QString name = QString::fromUtf8(stream->constData() + at, pathSize);
        at += pathSize;
        if (!take(&dataSize, sizeof dataSize) ||
            dataSize > static_cast<quint64>(stream->size() - at))
            return false;
        objects.insert(name.toLower(), stream->mid(at, static_cast<qsizetype>(dataSize)));
        names << name;
        at += static_cast<qsizetype>(dataSize);
    }
    objects_ = std::move(objects);
    names_ = std::move(names);
    path_ = info.absoluteFilePath();
    open_ = true;
    return true;
}

void ChmArchive::close() {
    open_ = false;
    path_.clear();
    objects_.clear();
    names_.clear();
}

std::optional<QByteArray> ChmArchive::read(const QString& pathInArchive) const {
    QString key = pathInArchive.toLower();
    if (!key.startsWith(u'/')) key.prepend(u'/');
    const auto it = objects_.constFind(key);
    if (it == objects_.cend()) return std::nullopt;
    return *it;
}

bool ChmArchive::contains(const QString& pathInArchive) const {
    return read(pathInArchive).has_value();
}

QStringList ChmArchive::files() const {
    QStringList list;
    // The archive's bookkeeping objects start with # or $.
    for (const QString& name : names_)
        if (!name.startsWith(u"/#") && !name.startsWith(u"/$")) list << name;
    return list;
}

std::optional<ChmArchive::SystemInfo> ChmArchive::systemInfo() const {
    const auto bytes = read(QStringLiteral("/#SYSTEM"));
    if (!bytes) return std::nullopt;
    return parseSystem(*bytes);
}

std::optional<ChmArchive::SystemInfo> ChmArchive::parseSystem(const QByteArray& bytes) {
    if (bytes.size() < 4) return std::nullopt;
    const auto u16 = [&bytes](qsizetype at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    };
    // A record's text ends at its first NUL.
    const auto text = [&bytes](qsizetype at, qsizetype len) {
        QByteArray raw = bytes.mid(at, len);
        const qsizetype nul = raw.indexOf('\0');
        if (nul >= 0) raw.truncate(nul);
        return QString::fromUtf8(raw);
    };
    SystemInfo info;
    qsizetype at = 4;
    while (at + 4 <= bytes.size()) {
        const unsigned code = u16(at);
        const qsizetype len = u16(at + 2);
        const qsizetype data = at + 4;
        if (data + len > bytes.size()) break;
        switch (code) {
            case 0:
                info.contentsFile = text(data, len);
                break;
            case 1:
                info.indexFile = text(data, len);
                break;
            case 2:
                info.defaultTopic = text(data, len);
                break;
            case 3:
                info.title = text(data, len);
                break;
            default:
                break;
        }
        at = data + len;
    }
    return info;
}

// --- Sitemaps and pages ---------------------------------------------------------------------

QList<HelpTopic> parseSitemap(const QString& html) {
    static const QRegularExpression tag(
        QStringLiteral(R"re(<\s*(/?)\s*(ul|object|param)\b([^>]*)>)re"),
        QRegularExpression::CaseInsensitiveOption);
    QList<HelpTopic> topics;
    int depth = -1;  // the first <UL> is the top level
    bool inObject = false;
    bool sitemap = false;
    HelpTopic current;
    auto it = tag.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        const bool closing = !m.captured(1).isEmpty();
        const QString name = m.captured(2).toLower();
        if (name == QLatin1String("ul")) {
            depth = closing ? std::max(-1, depth - 1) : depth + 1;
        } else if (name == QLatin1String("object")) {
            if (!closing) {
                inObject = true;
                sitemap = attributes(m.captured(3))
                              .value(QStringLiteral("type"))
                              .compare(QLatin1String("text/sitemap"), Qt::CaseInsensitive) == 0;
                current = HelpTopic{};
                current.depth = std::max(0, depth);
            } else if (inObject) {
                inObject = false;
                if (sitemap && !current.name.isEmpty()) topics.append(current);
            }
        } else if (inObject && !closing) {
            const auto attrs = attributes(m.captured(3));
            const QString key = attrs.value(QStringLiteral("name")).toLower();
            const QString value = attrs.value(QStringLiteral("value"));
            // An index entry that names several pages keeps its first one.
            if (key == QLatin1String("name") && current.name.isEmpty()) current.name = value;
            if (key == QLatin1String("local") && current.local.isEmpty()) current.local = value;
        }
    }
    return topics;
}

QString decodeHtml(const QByteArray& bytes) {
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        // A page whose declared charset lies: UTF-8 is what the help pages are written in.
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(bytes);
    }
    return text;
}

// --- HelpBrowser ----------------------------------------------------------------------------

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
    // Links are followed by the viewer, which keeps everything inside the archive.
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QUrl HelpBrowser::urlOf(const QString& pathInArchive) {
    QUrl url;
    url.setScheme(QLatin1String(kScheme));
    url.setPath(archivePathOf(pathInArchive));
    return url;
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    QUrl url = name;
    if (url.isRelative()) url = source().resolved(name);
    if (url == QUrl(QStringLiteral("about:blank"))) return QStringLiteral("<html></html>");
    if (url.scheme() != QLatin1String(kScheme) || archive_ == nullptr) return {};
    const QString path = url.path(QUrl::FullyDecoded);
    const auto bytes = archive_->read(path);
    if (!bytes) {
        missing_.append(url.toString());
        if (type == QTextDocument::HtmlResource)
            return QStringLiteral(
                       "<html><body><h1>ページが見つかりません</h1>"
                       "<p>ページ %1 はヘルプファイルの中にありません。</p></body></html>")
                .arg(htmlEscape(path));
        return {};
    }
    switch (type) {
        case QTextDocument::HtmlResource:
            return decodeHtml(*bytes);
        case QTextDocument::StyleSheetResource:
            return QString::fromUtf8(*bytes);
        default:
            return *bytes;  // images: the document decodes the bytes itself
    }
}

// --- HelpViewer -----------------------------------------------------------------------------

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Mizorel - ヘルプ"));
    resize(880, 620);

    auto* backButton = new QToolButton(this);
    backButton->setText(QStringLiteral("戻る"));
    backButton->setObjectName(QStringLiteral("BackButton"));
    auto* forwardButton = new QToolButton(this);
    forwardButton->setText(QStringLiteral("進む"));
    forwardButton->setObjectName(QStringLiteral("ForwardButton"));
    auto* homeButton = new QToolButton(this);
    homeButton->setText(QStringLiteral("最初のページ"));
    homeButton->setObjectName(QStringLiteral("HomeButton"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(backButton);
    bar->addWidget(forwardButton);
    bar->addWidget(homeButton);
    bar->addStretch(1);

    tabs_ = new QTabWidget(this);
    contentsTree_ = new QTreeWidget(tabs_);
    contentsTree_->setObjectName(QStringLiteral("ContentsTree"));
    contentsTree_->setHeaderHidden(true);
    tabs_->addTab(contentsTree_, QStringLiteral("目次"));

    auto* indexPage = new QWidget(tabs_);
    indexEdit_ = new QLineEdit(indexPage);
    indexEdit_->setObjectName(QStringLiteral("IndexEdit"));
    indexEdit_->setPlaceholderText(QStringLiteral("キーワードを入力"));
    indexList_ = new QListWidget(indexPage);
    indexList_->setObjectName(QStringLiteral("IndexList"));
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(2, 2, 2, 2);
    indexLayout->addWidget(indexEdit_);
    indexLayout->addWidget(indexList_);
    tabs_->addTab(indexPage, QStringLiteral("キーワード"));

    auto* searchPage = new QWidget(tabs_);
    searchEdit_ = new QLineEdit(searchPage);
    searchEdit_->setObjectName(QStringLiteral("SearchEdit"));
    searchEdit_->setPlaceholderText(QStringLiteral("探す言葉を入力"));
    auto* searchButton = new QPushButton(QStringLiteral("検索"), searchPage);
    searchButton->setObjectName(QStringLiteral("SearchButton"));
    searchResults_ = new QListWidget(searchPage);
    searchResults_->setObjectName(QStringLiteral("SearchResults"));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchEdit_, 1);
    searchRow->addWidget(searchButton);
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->setContentsMargins(2, 2, 2, 2);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(searchResults_);
    tabs_->addTab(searchPage, QStringLiteral("検索"));

    browser_ = new HelpBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setArchive(&archive_);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 640});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);

    connect(backButton, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forwardButton, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(homeButton, &QToolButton::clicked, this, [this] {
        if (isLoaded()) showTopic(defaultTopic_);
    });
    connect(browser_, &QTextBrowser::backwardAvailable, backButton, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forwardButton, &QToolButton::setEnabled);
    backButton->setEnabled(false);
    forwardButton->setEnabled(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpViewer::followLink);
    connect(contentsTree_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item, int) { openContentsItem(item); });
    connect(contentsTree_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { openContentsItem(item); });
    connect(indexEdit_, &QLineEdit::textChanged, this, &HelpViewer::filterIndex);
    connect(indexList_, &QListWidget::itemActivated, this, &HelpViewer::openIndexItem);
    connect(indexList_, &QListWidget::itemClicked, this, &HelpViewer::openIndexItem);
    connect(searchEdit_, &QLineEdit::returnPressed, this, [this] { search(searchEdit_->text()); });
    connect(searchButton, &QPushButton::clicked, this, [this] { search(searchEdit_->text()); });
    connect(searchResults_, &QListWidget::itemActivated, this, &HelpViewer::openSearchItem);
    connect(searchResults_, &QListWidget::itemClicked, this, &HelpViewer::openSearchItem);
}

HelpViewer::~HelpViewer() = default;

void HelpViewer::clear() {
    archive_.close();
    defaultTopic_.clear();
    contents_.clear();
    keywords_.clear();
    contentsTree_->clear();
    indexList_->clear();
    searchResults_->clear();
    // A new file may hold a page of the same name as the one shown; leaving the old page makes
    // the browser load the new one instead of keeping what it shows.
    browser_->setSource(QUrl(QStringLiteral("about:blank")), QTextDocument::HtmlResource);
    browser_->clearHistory();
    browser_->clearMissingResources();
}

void HelpViewer::showMessage(const QString& title, const QString& bodyHtml) {
    browser_->clear();
    browser_->setHtml(
        QStringLiteral("<html><body><h2 style=\"color:#0000c0\">%1</h2>%2</body></html>")
            .arg(htmlEscape(title), bodyHtml));
}

void HelpViewer::showNotFound(const QStringList& searched) {
    clear();
    QString places;
    for (const QString& dir : searched)
        places += QStringLiteral("<li>%1</li>").arg(htmlEscape(QDir::toNativeSeparators(dir)));
    showMessage(
        QStringLiteral("ヘルプファイル %1 が見つかりません").arg(QLatin1String(kHelpFileName)),
        QStringLiteral("<p>次の場所を探しましたが、ヘルプファイルがありませんでした。</p>"
                       "<ul>%1</ul>"
                       "<p>ヘルプファイルをこのどれかの場所に置いてから、もう一度"
                       "「ヘルプ」メニューの「目次と検索」を選んでください。</p>")
            .arg(places));
}

bool HelpViewer::openFile(const QString& path) {
    clear();
    const auto damaged = [this, &path] {
        clear();
        showMessage(
            QStringLiteral("ヘルプファイルを読み込めません"),
            QStringLiteral("<p>ヘルプファイル %1 は壊れているか、ヘルプファイルではありません。</p>"
                           "<p>プログラムと一緒に配布された %2 に置き換えてください。</p>")
                .arg(htmlEscape(QDir::toNativeSeparators(path)), QLatin1String(kHelpFileName)));
        return false;
    };
    if (!QFileInfo(path).isFile()) {
        showNotFound({QFileInfo(path).absolutePath()});
        return false;
    }
    if (!archive_.open(path)) return damaged();

    const auto system = archive_.systemInfo();
    if (!system) return damaged();

    // The contents: the file /#SYSTEM names, otherwise the first .hhc of the archive.
    const QStringList files = archive_.files();
    const auto firstWithSuffix = [&files](const QString& suffix) {
        for (const QString& f : files)
            if (f.endsWith(suffix, Qt::CaseInsensitive)) return f;
        return QString();
    };
    QString contentsFile = system->contentsFile;
    if (contentsFile.isEmpty() || !archive_.contains(contentsFile))
        contentsFile = firstWithSuffix(QStringLiteral(".hhc"));
    if (!contentsFile.isEmpty()) {
        if (const auto hhc = archive_.read(contentsFile))
            contents_ = parseSitemap(decodeHtml(*hhc));
    }
    QString indexFile = system->indexFile;
    if (indexFile.isEmpty() || !archive_.contains(indexFile))
        indexFile = firstWithSuffix(QStringLiteral(".hhk"));
    if (!indexFile.isEmpty()) {
        if (const auto hhk = archive_.read(indexFile)) keywords_ = parseSitemap(decodeHtml(*hhk));
    }

    // The default topic of /#SYSTEM; failing that the first page of the contents, then
    // /index.html.
    QStringList candidates;
    if (!system->defaultTopic.isEmpty()) candidates << system->defaultTopic;
    for (const HelpTopic& t : contents_)
        if (!t.local.isEmpty()) {
            candidates << t.local;
            break;
        }
    candidates << QStringLiteral("/index.html");
    for (const QString& c : candidates)
        if (archive_.read(archivePathOf(c))) {
            defaultTopic_ = archivePathOf(c);
            break;
        }
    if (defaultTopic_.isEmpty()) return damaged();

    fillContents();
    showTopic(defaultTopic_);
    browser_->clearHistory();
    return true;
}

void HelpViewer::fillContents() {
    contentsTree_->clear();
    QList<QTreeWidgetItem*> parents;  // the last item seen at each depth
    for (const HelpTopic& t : contents_) {
        const int depth = std::min<int>(t.depth, static_cast<int>(parents.size()));
        parents.resize(depth);
        auto* item =
            depth == 0 ? new QTreeWidgetItem(contentsTree_) : new QTreeWidgetItem(parents.back());
        item->setText(0, t.name);
        item->setData(0, Qt::UserRole, t.local);
        parents.append(item);
    }
    contentsTree_->expandAll();

    indexList_->clear();
    for (const HelpTopic& t : keywords_) {
        auto* item = new QListWidgetItem(t.name, indexList_);
        item->setData(Qt::UserRole, t.local);
    }
}

void HelpViewer::showTopic(const QString& local) {
    if (!isLoaded() || local.isEmpty()) return;
    QUrl url = HelpBrowser::urlOf(local);
    const qsizetype hash = local.indexOf(u'#');
    if (hash >= 0) url.setFragment(local.mid(hash + 1));
    browser_->setSource(url, QTextDocument::HtmlResource);
}

void HelpViewer::followLink(const QUrl& link) {
    const QUrl url = link.isRelative() ? browser_->source().resolved(link) : link;
    // Only pages of the help file are shown; anything else stays outside the viewer.
    if (url.scheme() != QLatin1String(kScheme)) return;
    browser_->setSource(url, QTextDocument::HtmlResource);
}

void HelpViewer::openContentsItem(QTreeWidgetItem* item) {
    if (item == nullptr) return;
    showTopic(item->data(0, Qt::UserRole).toString());
}

void HelpViewer::filterIndex(const QString& text) {
    const QString needle = text.trimmed();
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < indexList_->count(); ++i) {
        QListWidgetItem* item = indexList_->item(i);
        const bool match = needle.isEmpty() || item->text().contains(needle, Qt::CaseInsensitive);
        item->setHidden(!match);
        if (match && first == nullptr) first = item;
    }
    if (first != nullptr) indexList_->setCurrentItem(first);
}

void HelpViewer::openIndexItem(QListWidgetItem* item) {
    if (item != nullptr) showTopic(item->data(Qt::UserRole).toString());
}

void HelpViewer::openSearchItem(QListWidgetItem* item) {
    if (item != nullptr) showTopic(item->data(Qt::UserRole).toString());
}

QString HelpViewer::pageTitle(const QString& html, const QString& fallback) const {
    static const QRegularExpression title(
        QStringLiteral(R"re(<title[^>]*>(.*?)</title>)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = title.match(html);
    const QString t = m.hasMatch() ? decodeEntities(m.captured(1)).simplified() : QString();
    return t.isEmpty() ? fallback : t;
}

int HelpViewer::search(const QString& query) {
    searchResults_->clear();
    const QStringList words = query.simplified().split(u' ', Qt::SkipEmptyParts);
    if (!isLoaded() || words.isEmpty()) return 0;
    // The pages in the order of the contents, then any page the contents do not list.
    QStringList pages;
    for (const HelpTopic& t : contents_) {
        const QString p = archivePathOf(t.local);
        if (!t.local.isEmpty() && !pages.contains(p, Qt::CaseInsensitive)) pages << p;
    }
    for (const QString& f : archive_.files()) {
        if ((f.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
             f.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive)) &&
            !pages.contains(f, Qt::CaseInsensitive))
            pages << f;
    }
    for (const QString& page : pages) {
        const auto bytes = archive_.read(page);
        if (!bytes) continue;
        const QString html = decodeHtml(*bytes);
        QTextDocument doc;
        doc.setHtml(html);
        const QString text = doc.toPlainText();
        const bool all = std::all_of(words.cbegin(), words.cend(), [&text](const QString& w) {
            return text.contains(w, Qt::CaseInsensitive);
        });
        if (!all) continue;
        auto* item = new QListWidgetItem(pageTitle(html, page), searchResults_);
        item->setData(Qt::UserRole, page);
    }
    if (searchResults_->count() == 0) {
        auto* item = new QListWidgetItem(QStringLiteral("見つかりませんでした"), searchResults_);
        item->setFlags(Qt::NoItemFlags);
        return 0;
    }
    return searchResults_->count();
}

void HelpViewer::followModalWindow() {
    QWindow* own = windowHandle();
    if (own == nullptr || !isVisible()) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == this) return;
    QWindow* top = modal->window()->windowHandle();
    if (top != nullptr && own->transientParent() != top) own->setTransientParent(top);
}

bool HelpViewer::event(QEvent* event) {
    // Blocked by a modal window that was opened after the viewer: follow it once the blocking
    // has been delivered.
    if (event->type() == QEvent::WindowBlocked)
        QMetaObject::invokeMethod(this, &HelpViewer::followModalWindow, Qt::QueuedConnection);
    return QWidget::event(event);
}

}  // namespace mz::app
