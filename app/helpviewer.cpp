#include "app/helpviewer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace mz::app {

namespace {

QString htmlEscape(const QString& s) {
    return s.toHtmlEscaped();
}

}  // namespace

// --- HelpBrowser ----------------------------------------------------------------------------

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
    // Links are followed by the viewer, which keeps everything inside the archive.
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QUrl HelpBrowser::urlOf(const QString& pathInArchive) {
    QUrl url;
    url.setScheme(QLatin1String(kHelpScheme));
    url.setPath(archivePathOf(pathInArchive));
    return url;
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    QUrl url = name;
    if (url.isRelative()) url = source().resolved(name);
    if (url == QUrl(QStringLiteral("about:blank"))) return QStringLiteral("<html></html>");
    if (url.scheme() != QLatin1String(kHelpScheme) || archive_ == nullptr) return {};
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
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpViewer::markContentsItem);
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = archive_.open(path);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        if (archive_.failure() != ChmArchive::Failure::NoUnpacker) return damaged();
        clear();
        showMessage(QStringLiteral("ヘルプを表示できません"),
                    QStringLiteral("<p>ヘルプファイルを読むための補助プログラム %1 が見つからないか、"
                                   "起動できません。</p><p>Mizorel をインストールし直してください。</p>")
                        .arg(QLatin1String(ChmArchive::kUnpackerName)));
        return false;
    }

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
    if (url.scheme() != QLatin1String(kHelpScheme)) return;
    browser_->setSource(url, QTextDocument::HtmlResource);
}

void HelpViewer::markContentsItem(const QUrl& page) {
    // The first entry of the contents for the page shown, however the page was reached (F1,
    // a link, the index, back and forward).
    const QString path = archivePathOf(page.path(QUrl::FullyDecoded));
    for (QTreeWidgetItemIterator it(contentsTree_); *it != nullptr; ++it) {
        if (archivePathOf((*it)->data(0, Qt::UserRole).toString())
                .compare(path, Qt::CaseInsensitive) == 0) {
            const QSignalBlocker quiet(contentsTree_);
            contentsTree_->setCurrentItem(*it);
            contentsTree_->scrollToItem(*it);
            return;
        }
    }
    contentsTree_->clearSelection();
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
        auto* item = new QListWidgetItem(htmlTitle(html, page), searchResults_);
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
