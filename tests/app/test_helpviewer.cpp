// The help viewer over the help file that the build compiles: it opens at the default topic the
// file names, shows Japanese text, resolves every page, style sheet and image from the archive,
// follows links, and answers a missing or damaged file with its own message page.
#include "app/helpviewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace {

using mz::app::ChmArchive;
using mz::app::HelpBrowser;
using mz::app::HelpViewer;

const QString kBuiltHelp = QStringLiteral(MIZOREL_BINARY_DIR "/share/mizorel/Mizorel_Help.chm");

// Deletes a viewer at the end of a test, as closing it with the help command would.
struct ViewerDeleter {
    void operator()(HelpViewer* v) const {
        v->close();
        delete v;
    }
};
using ViewerPtr = std::unique_ptr<HelpViewer, ViewerDeleter>;

ViewerPtr newViewer() {
    return ViewerPtr(new HelpViewer);
}

QString shownText(const HelpViewer& v) {
    return v.browser()->document()->toPlainText();
}
QString shownPath(const HelpViewer& v) {
    return v.browser()->source().path();
}

// Every link target of the page shown, resolved against it.
QList<QUrl> linksOnPage(const HelpViewer& v) {
    QList<QUrl> links;
    const QTextDocument* doc = v.browser()->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isAnchor() && !f.anchorHref().isEmpty()) {
                const QUrl url = v.browser()->source().resolved(QUrl(f.anchorHref()));
                if (!links.contains(url)) links << url;
            }
        }
    return links;
}

class BuiltHelp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(kBuiltHelp))
            << "the help file is built by the target help_chm: " << kBuiltHelp.toStdString();
    }
};

// --- the file the build compiles ------------------------------------------------------------

TEST_F(BuiltHelp, SystemFileNamesTheDefaultTopicAndTheContents) {
    ChmArchive chm;
    ASSERT_TRUE(chm.open(kBuiltHelp));
    const auto sys = chm.systemInfo();
    ASSERT_TRUE(sys.has_value());
    EXPECT_EQ(sys->defaultTopic, QStringLiteral("index.html"));
    EXPECT_EQ(sys->contentsFile, QStringLiteral("Mizorel_Help.hhc"));
    EXPECT_EQ(sys->indexFile, QStringLiteral("Mizorel_Help.hhk"));
    EXPECT_EQ(sys->title, QStringLiteral("Mizorel ヘルプ"));
    EXPECT_TRUE(chm.contains(QStringLiteral("/index.html")));
    EXPECT_TRUE(chm.contains(QStringLiteral("/INDEX.HTML")));  // names ignore letter case
    EXPECT_FALSE(chm.read(QStringLiteral("/no-such-page.html")).has_value());
    EXPECT_TRUE(chm.files().contains(QStringLiteral("/help.css")));
}

TEST_F(BuiltHelp, OpensAtTheDefaultTopicWithJapaneseText) {
    auto v = newViewer();
    ASSERT_TRUE(v->openFile(kBuiltHelp));
    EXPECT_TRUE(v->isLoaded());
    EXPECT_EQ(v->windowTitle(), QStringLiteral("Mizorel - ヘルプ"));
    EXPECT_EQ(v->defaultTopic(), QStringLiteral("/index.html"));
    EXPECT_EQ(shownPath(*v), QStringLiteral("/index.html"));
    const QString text = shownText(*v);
    EXPECT_TRUE(text.contains(QStringLiteral("Mizorel ヘルプ"))) << text.left(200).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("冠婚葬祭")));
    EXPECT_FALSE(text.contains(QChar::ReplacementCharacter));
    EXPECT_EQ(v->browser()->documentTitle(), QStringLiteral("Mizorel ヘルプ - はじめに"));
    // Laying the page out asks for its style sheet and its picture.
    (void)v->grab();
    EXPECT_TRUE(v->browser()->missingResources().isEmpty())
        << v->browser()->missingResources().join(u' ').toStdString();
    const QVariant picture = v->browser()->document()->resource(
        QTextDocument::ImageResource, HelpBrowser::urlOf(QStringLiteral("mizorel.png")));
    EXPECT_TRUE(picture.isValid());
}

TEST_F(BuiltHelp, ButtonCaptionsKeepTheirFullWidthBlanks) {
    auto v = newViewer();
    ASSERT_TRUE(v->openFile(kBuiltHelp));
    v->showTopic(QStringLiteral("ledger_search.html"));
    const QString text = shownText(*v);
    EXPECT_TRUE(text.contains(QStringLiteral("戻　　る")));
    EXPECT_TRUE(text.contains(QStringLiteral("Mizorel - 収入管理")));
}

TEST_F(BuiltHelp, EveryContentsAndIndexEntryAndEveryLinkResolves) {
    auto v = newViewer();
    ASSERT_TRUE(v->openFile(kBuiltHelp));
    ASSERT_GE(v->contents().size(), 13);
    ASSERT_FALSE(v->keywords().isEmpty());

    QStringList pages;
    for (const auto& t : v->contents() + v->keywords()) {
        SCOPED_TRACE(t.name.toStdString());
        ASSERT_FALSE(t.local.isEmpty());
        v->browser()->clearMissingResources();
        v->showTopic(t.local);
        (void)v->browser()->document()->size();  // laying the page out loads its resources
        EXPECT_TRUE(v->browser()->missingResources().isEmpty())
            << v->browser()->missingResources().join(u' ').toStdString();
        EXPECT_FALSE(v->browser()->documentTitle().isEmpty());
        if (!pages.contains(shownPath(*v))) pages << shownPath(*v);
    }
    // Every page links only to pages of the file, and each of them exists.
    ChmArchive chm;
    ASSERT_TRUE(chm.open(kBuiltHelp));
    for (const QString& page : pages) {
        v->showTopic(page);
        for (const QUrl& link : linksOnPage(*v)) {
            EXPECT_EQ(link.scheme(), QStringLiteral("chm")) << page.toStdString();
            EXPECT_TRUE(chm.contains(link.path()))
                << page.toStdString() << " -> " << link.toString().toStdString();
        }
    }
    // Every page of the file is reachable from the contents.
    for (const QString& f : chm.files()) {
        if (f.endsWith(QLatin1String(".html"))) {
            EXPECT_TRUE(pages.contains(f)) << f.toStdString();
        }
    }
}

TEST_F(BuiltHelp, ContentsTreeAndLinksMoveBetweenPages) {
    auto v = newViewer();
    ASSERT_TRUE(v->openFile(kBuiltHelp));
    QTreeWidget* tree = v->contentsTree();
    ASSERT_GT(tree->topLevelItemCount(), 5);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("はじめに"));
    // Nested entries sit under their heading.
    bool nested = false;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        nested = nested || tree->topLevelItem(i)->childCount() > 0;
    EXPECT_TRUE(nested);

    emit tree->itemClicked(tree->topLevelItem(tree->topLevelItemCount() - 1), 0);
    EXPECT_EQ(shownPath(*v), QStringLiteral("/messages.html"));

    // A link on a page, relative to that page.
    emit v->browser()->anchorClicked(QUrl(QStringLiteral("backup.html")));
    EXPECT_EQ(shownPath(*v), QStringLiteral("/backup.html"));
    // The contents mark the page shown, however it was reached.
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("データのバックアップ"));
    EXPECT_TRUE(shownText(*v).contains(QStringLiteral("バックアップ")));
    v->browser()->backward();
    EXPECT_EQ(shownPath(*v), QStringLiteral("/messages.html"));

    // Links that leave the help file are not followed.
    emit v->browser()->anchorClicked(QUrl(QStringLiteral("https://example.com/")));
    EXPECT_EQ(shownPath(*v), QStringLiteral("/messages.html"));

    // A page the file does not hold shows a message instead of an empty window.
    v->showTopic(QStringLiteral("no-such-page.html"));
    EXPECT_TRUE(shownText(*v).contains(QStringLiteral("ページが見つかりません")));
}

TEST_F(BuiltHelp, KeywordIndexAndTextSearchFindPages) {
    auto v = newViewer();
    ASSERT_TRUE(v->openFile(kBuiltHelp));

    v->findChild<QLineEdit*>(QStringLiteral("IndexEdit"))->setText(QStringLiteral("バックアップ"));
    QListWidgetItem* current = v->indexList()->currentItem();
    ASSERT_NE(current, nullptr);
    EXPECT_TRUE(current->text().contains(QStringLiteral("バックアップ")));
    emit v->indexList()->itemClicked(current);
    EXPECT_EQ(shownPath(*v), QStringLiteral("/backup.html"));

    const int found = v->search(QStringLiteral("香典"));
    ASSERT_GT(found, 0);
    QStringList foundPages;
    for (int i = 0; i < v->searchResults()->count(); ++i)
        foundPages << v->searchResults()->item(i)->data(Qt::UserRole).toString();
    EXPECT_TRUE(foundPages.contains(QStringLiteral("/index.html")));
    // Several words: only the pages that hold all of them.
    const int backup = v->search(QStringLiteral("バックアップ"));
    const int both = v->search(QStringLiteral("バックアップ　上書き"));  // full-width blank too
    EXPECT_GT(both, 0);
    EXPECT_LT(both, backup);
    EXPECT_EQ(v->search(QStringLiteral("存在しない言葉ＸＹＺ")), 0);
    EXPECT_EQ(v->search(QStringLiteral("   ")), 0);
}

// --- default topic, from a file compiled for the test ---------------------------------------

class CompiledHere : public ::testing::Test {
protected:
    // Compiles a two-page help file with the given [OPTIONS] lines; empty when no compiler.
    QString compile(const QString& options) {
        const QString chmcmd = QStandardPaths::findExecutable(QStringLiteral("chmcmd"));
        if (chmcmd.isEmpty()) return {};
        EXPECT_TRUE(dir_.isValid());
        const auto write = [this](const QString& name, const QString& text) {
            QFile f(dir_.filePath(name));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(text.toUtf8());
        };
        const auto page = [](const QString& title) {
            return QStringLiteral(
                       "<html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                       "<body><h1>%1</h1></body></html>")
                .arg(title);
        };
        write(QStringLiteral("a.html"), page(QStringLiteral("最初の項目")));
        write(QStringLiteral("b.html"), page(QStringLiteral("既定のページ")));
        write(QStringLiteral("t.hhc"),
              QStringLiteral("<html><body><ul>"
                             "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"A\">"
                             "<param name=\"Local\" value=\"a.html\"></object>"
                             "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"B\">"
                             "<param name=\"Local\" value=\"b.html\"></object>"
                             "</ul></body></html>"));
        write(QStringLiteral("t.hhp"),
              QStringLiteral("[OPTIONS]\nCompiled file=t.chm\nContents file=t.hhc\n%1\n"
                             "[FILES]\na.html\nb.html\n")
                  .arg(options));
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start(chmcmd, {QStringLiteral("t.hhp")});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
        return dir_.filePath(QStringLiteral("t.chm"));
    }

    QTemporaryDir dir_;
};

TEST_F(CompiledHere, DefaultTopicComesFromTheSystemFile) {
    const QString chm = compile(QStringLiteral("Default topic=b.html"));
    if (chm.isEmpty()) GTEST_SKIP() << "chmcmd is not installed";
    auto v = newViewer();
    ASSERT_TRUE(v->openFile(chm));
    EXPECT_EQ(v->defaultTopic(), QStringLiteral("/b.html"));
    EXPECT_TRUE(shownText(*v).contains(QStringLiteral("既定のページ")));
}

TEST_F(CompiledHere, WithoutDefaultTopicTheFirstContentsPageIsShown) {
    const QString chm = compile(QString());
    if (chm.isEmpty()) GTEST_SKIP() << "chmcmd is not installed";
    auto v = newViewer();
    ASSERT_TRUE(v->openFile(chm));
    EXPECT_EQ(v->defaultTopic(), QStringLiteral("/a.html"));
    EXPECT_TRUE(shownText(*v).contains(QStringLiteral("最初の項目")));
}

// --- missing and damaged files --------------------------------------------------------------

TEST(HelpFileMissing, MessagePageListsThePlacesSearched) {
    auto v = newViewer();
    v->showNotFound({QStringLiteral("/data/家計"), QStringLiteral("/opt/mizorel/bin")});
    EXPECT_FALSE(v->isLoaded());
    const QString text = shownText(*v);
    EXPECT_TRUE(text.contains(QStringLiteral("ヘルプファイル Mizorel_Help.chm が見つかりません")));
    EXPECT_TRUE(text.contains(QStringLiteral("/data/家計")));
    EXPECT_TRUE(text.contains(QStringLiteral("/opt/mizorel/bin")));
    // A file that is gone by the time it is opened gives the same page.
    EXPECT_FALSE(v->openFile(QStringLiteral("/nonexistent/Mizorel_Help.chm")));
    EXPECT_TRUE(shownText(*v).contains(QStringLiteral("が見つかりません")));
}

class DamagedFile : public ::testing::Test {
protected:
    QString writeFile(const QByteArray& bytes) {
        const QString path = dir_.filePath(QStringLiteral("Mizorel_Help.chm"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    static void expectDamagedPage(HelpViewer& v) {
        EXPECT_FALSE(v.isLoaded());
        EXPECT_TRUE(shownText(v).contains(QStringLiteral("ヘルプファイルを読み込めません")))
            << shownText(v).toStdString();
        EXPECT_EQ(v.contentsTree()->topLevelItemCount(), 0);
        EXPECT_EQ(v.search(QStringLiteral("ヘルプ")), 0);
        v.showTopic(QStringLiteral("index.html"));  // nothing to show, nothing breaks
    }
    static QByteArray built() {
        QFile f(kBuiltHelp);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir_;
};

TEST_F(DamagedFile, RandomBytesEmptyFileAndDirectoryGiveTheMessagePage) {
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    QRandomGenerator gen(20240315);
    for (char& c : noise) c = static_cast<char>(gen.bounded(256));
    auto v = newViewer();
    EXPECT_FALSE(v->openFile(writeFile(noise)));
    expectDamagedPage(*v);

    EXPECT_FALSE(v->openFile(writeFile(QByteArray())));
    expectDamagedPage(*v);

    // A CHM signature followed by noise.
    EXPECT_FALSE(v->openFile(writeFile(QByteArray("ITSF\x03\x00\x00\x00", 8) + noise)));
    expectDamagedPage(*v);

    // A directory of that name is no help file either.
    EXPECT_FALSE(v->openFile(dir_.path()));
    EXPECT_FALSE(v->isLoaded());
}

TEST_F(DamagedFile, EveryTruncatedCopyGivesTheMessagePage) {
    const QByteArray whole = built();
    ASSERT_FALSE(whole.isEmpty());
    auto v = newViewer();
    // The file ends with its last stored object, so a copy cut anywhere lacks part of one.
    // Pages read from such a copy would be whatever the missing bytes decompress to.
    for (int i = 0; i < 64; ++i) {
        const qsizetype size = whole.size() * i / 64 + (i % 7);
        SCOPED_TRACE(size);
        EXPECT_FALSE(v->openFile(writeFile(whole.left(size))));
        expectDamagedPage(*v);
    }
    EXPECT_FALSE(v->openFile(writeFile(whole.left(whole.size() - 1))));
    expectDamagedPage(*v);
    // The whole file again opens as before, although the page it opens at has the name of the
    // page the viewer showed before the damaged copies.
    ASSERT_TRUE(v->openFile(writeFile(whole)));
    EXPECT_TRUE(shownText(*v).contains(QStringLiteral("Mizorel ヘルプ")));
}

TEST_F(DamagedFile, BytesChangedInPlaceNeverBringTheProgramDown) {
    // chmlib itself crashes on some of these (a zero block length, a broken LZX window); the
    // viewer survives all of them and shows either the message page or what it could read.
    const QByteArray whole = built();
    ASSERT_GT(whole.size(), 0x1000);
    QRandomGenerator gen(7);
    auto v = newViewer();
    int refused = 0;
    for (int i = 0; i < 80; ++i) {
        QByteArray copy = whole;
        const int changes = 1 + gen.bounded(8);
        for (int k = 0; k < changes; ++k)
            copy[0x60 + gen.bounded(static_cast<int>(copy.size()) - 0x60)] =
                static_cast<char>(gen.bounded(256));
        SCOPED_TRACE(i);
        if (v->openFile(writeFile(copy))) {
            EXPECT_FALSE(v->defaultTopic().isEmpty());
            for (const auto& t : v->contents()) v->showTopic(t.local);
            v->search(QStringLiteral("ヘルプ"));
        } else {
            ++refused;
            expectDamagedPage(*v);
        }
    }
    EXPECT_GT(refused, 0);
}

TEST_F(DamagedFile, BrokenCompressionParametersGiveTheMessagePage) {
    // The LZX control data: "LZXC", then version, reset interval and window size as 32-bit
    // numbers. chmlib crashes on a version other than 2 and divides by a window size of 0.
    const QByteArray whole = built();
    const qsizetype lzxc = whole.indexOf("LZXC");
    ASSERT_GT(lzxc, 0);
    auto v = newViewer();
    for (const auto& [offset, value] : {std::pair{4, 0}, std::pair{4, 7}, std::pair{12, 0}}) {
        SCOPED_TRACE(offset);
        QByteArray copy = whole;
        copy[lzxc + offset] = static_cast<char>(value);
        for (int i = 1; i < 4; ++i) copy[lzxc + offset + i] = 0;
        EXPECT_FALSE(v->openFile(writeFile(copy)));
        expectDamagedPage(*v);
    }
}

TEST_F(DamagedFile, ReopeningShowsTheNewFileNotTheOldPage) {
    // Two files with a page of the same name: the second one's page is shown.
    auto v = newViewer();
    ASSERT_TRUE(v->openFile(kBuiltHelp));
    ASSERT_TRUE(shownText(*v).contains(QStringLiteral("Mizorel ヘルプ")));
    EXPECT_FALSE(v->openFile(writeFile(QByteArray(100, 'x'))));
    EXPECT_TRUE(shownText(*v).contains(QStringLiteral("ヘルプファイルを読み込めません")));
    ASSERT_TRUE(v->openFile(kBuiltHelp));
    EXPECT_TRUE(shownText(*v).contains(QStringLiteral("Mizorel ヘルプ")));
    EXPECT_FALSE(v->browser()->isBackwardAvailable());
}

// --- the unpacker ---------------------------------------------------------------------------

// Runs each test with a stand-in for the helper, written as a shell script, and puts the real
// one and its time limit back afterwards.
class Unpacker : public ::testing::Test {
protected:
    ~Unpacker() override {
        ChmArchive::setUnpacker(QString());
        ChmArchive::setTimeLimit(ChmArchive::kDefaultTimeLimitMs);
    }
    QString script(const QByteArray& body) {
        const QString path = dir_.filePath(QStringLiteral("unpacker.sh"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body + "\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QTemporaryDir dir_;
};

TEST_F(Unpacker, TheBuiltHelperIsFoundWhereItIsInstalledRelativeToTheProgram) {
    const QStringList c = ChmArchive::unpackerCandidates();
    ASSERT_EQ(c.size(), 2);
    EXPECT_TRUE(c[1].endsWith(QStringLiteral("/libexec/mizorel/mizorel-helpunpack")));
    EXPECT_TRUE(QFileInfo(c[1]).isExecutable()) << c[1].toStdString();
    // Called wrongly, it says how it is used and fails.
    QProcess p;
    p.start(c[1], {});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("使い方")));
}

TEST_F(Unpacker, AHelperThatHangsCrashesOrTalksNonsenseRefusesTheFile) {
    ChmArchive chm;
    ChmArchive::setTimeLimit(300);
    ChmArchive::setUnpacker(script("exec sleep 60"));
    EXPECT_FALSE(chm.open(kBuiltHelp));
    EXPECT_EQ(chm.failure(), ChmArchive::Failure::Damaged);

    ChmArchive::setTimeLimit(ChmArchive::kDefaultTimeLimitMs);
    ChmArchive::setUnpacker(script("kill -SEGV $$"));
    EXPECT_FALSE(chm.open(kBuiltHelp));
    EXPECT_EQ(chm.failure(), ChmArchive::Failure::Damaged);

    // Records that run past the end of the output, though the helper says it succeeded.
    ChmArchive::setUnpacker(script(R"(printf '\013\000\000\000/index.html\377\000\000\000\000\000\000\000<html>')"));
    EXPECT_FALSE(chm.open(kBuiltHelp));
    EXPECT_FALSE(chm.isOpen());

    // The same record whole is taken as it stands.
    ChmArchive::setUnpacker(script(R"(printf '\013\000\000\000/index.html\006\000\000\000\000\000\000\000<html>')"));
    ASSERT_TRUE(chm.open(kBuiltHelp));
    EXPECT_EQ(chm.read(QStringLiteral("/INDEX.html")), QByteArray("<html>"));
    EXPECT_EQ(chm.files(), QStringList{QStringLiteral("/index.html")});
}

TEST_F(Unpacker, WithoutTheHelperTheViewerSaysSoInsteadOfCallingTheFileDamaged) {
    ChmArchive::setUnpacker(dir_.filePath(QStringLiteral("no-such-helper")));
    auto v = newViewer();
    EXPECT_FALSE(v->openFile(kBuiltHelp));
    EXPECT_FALSE(v->isLoaded());
    const QString text = shownText(*v);
    EXPECT_TRUE(text.contains(QStringLiteral("mizorel-helpunpack"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("壊れている")));
}

TEST(UnpackedRecords, OutputThatDoesNotAddUpIsRefusedAsAWhole) {
    const auto record = [](const QByteArray& path, const QByteArray& data) {
        QByteArray r;
        for (int i = 0; i < 4; ++i) r.append(char(path.size() >> (8 * i)));
        r += path;
        for (int i = 0; i < 8; ++i) r.append(char(i < 4 ? data.size() >> (8 * i) : 0));
        return r + data;
    };
    const QByteArray two = record("/a.html", "AAA") + record("/b/c.css", "");
    const auto objects = mz::app::parseUnpacked(two);
    ASSERT_TRUE(objects.has_value());
    ASSERT_EQ(objects->size(), 2);
    EXPECT_EQ(objects->at(0).path, QStringLiteral("/a.html"));
    EXPECT_EQ(objects->at(0).data, QByteArray("AAA"));
    EXPECT_TRUE(objects->at(1).data.isEmpty());
    EXPECT_TRUE(mz::app::parseUnpacked(QByteArray())->isEmpty());

    // Every cut inside a record, an empty path, a path longer than any archive holds, and a
    // length near 2^64 that must not wrap around.
    for (qsizetype n = 1; n < two.size(); ++n) {
        if (n == record("/a.html", "AAA").size()) continue;  // a cut between records is whole
        EXPECT_FALSE(mz::app::parseUnpacked(two.left(n)).has_value()) << n;
    }
    EXPECT_FALSE(mz::app::parseUnpacked(record("", "x")).has_value());
    EXPECT_FALSE(mz::app::parseUnpacked(record(QByteArray(513, 'p'), "x")).has_value());
    QByteArray huge = record("/a", "x");
    for (int i = 0; i < 8; ++i) huge[4 + 2 + i] = char(0xFF);
    EXPECT_FALSE(mz::app::parseUnpacked(huge).has_value());
}

// --- parsing --------------------------------------------------------------------------------

TEST(SystemFile, RecordsAreReadUpToTheFirstIncompleteOne) {
    EXPECT_FALSE(mz::app::parseSystemFile(QByteArray("\x03\x00", 2)).has_value());
    const auto record = [](int code, const QByteArray& data) {
        QByteArray r;
        r.append(char(code & 0xFF)).append(char(code >> 8));
        r.append(char(data.size() & 0xFF)).append(char(data.size() >> 8));
        return r + data;
    };
    QByteArray bytes("\x03\x00\x00\x00", 4);
    bytes += record(9, QByteArray("HHA Version 4.74.8702\0", 22));
    bytes += record(2, QByteArray("start.html\0", 11));
    bytes += record(3, QStringLiteral("題名").toUtf8() + QByteArray(1, '\0'));
    bytes += record(0, QByteArray("toc.hhc\0garbage", 15));
    auto info = mz::app::parseSystemFile(bytes);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->defaultTopic, QStringLiteral("start.html"));
    EXPECT_EQ(info->title, QStringLiteral("題名"));
    EXPECT_EQ(info->contentsFile, QStringLiteral("toc.hhc"));

    // A record whose length runs past the end is not read, nor anything after it.
    QByteArray cut = QByteArray("\x03\x00\x00\x00", 4) + record(2, "a.html");
    cut += QByteArray("\x01\x00\xff\xff", 4) + QByteArray("b.hhk");
    info = mz::app::parseSystemFile(cut);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->defaultTopic, QStringLiteral("a.html"));
    EXPECT_TRUE(info->indexFile.isEmpty());
}

TEST(Sitemap, NestedListsEntitiesAndOddSpelling) {
    const QString hhc = QStringLiteral(
        "<HTML><BODY><OBJECT type=\"text/site properties\"><param name=\"X\" value=\"1\"></OBJECT>"
        "<UL><LI><OBJECT type=\"text/sitemap\"><PARAM NAME=\"Name\" VALUE=\"上\">"
        "<param name=\"Local\" value=\"top.html\"></OBJECT>"
        "<UL><li><object type='text/sitemap'><param name='Name' value='下 &amp; &#x5B50;'>"
        "<param name='Local' value='sub/child.html#part'></object></UL>"
        "<LI><OBJECT type=\"text/sitemap\"><param name=\"Local\" value=\"noname.html\"></OBJECT>"
        "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"次\">"
        "<param name=\"Local\" value=\"next.html\"><param name=\"Local\" value=\"other.html\">"
        "</OBJECT></UL></BODY></HTML>");
    const auto topics = mz::app::parseSitemap(hhc);
    ASSERT_EQ(topics.size(), 3);
    EXPECT_EQ(topics[0].name, QStringLiteral("上"));
    EXPECT_EQ(topics[0].depth, 0);
    EXPECT_EQ(topics[1].name, QStringLiteral("下 & 子"));
    EXPECT_EQ(topics[1].local, QStringLiteral("sub/child.html#part"));
    EXPECT_EQ(topics[1].depth, 1);
    EXPECT_EQ(topics[2].name, QStringLiteral("次"));
    EXPECT_EQ(topics[2].local, QStringLiteral("next.html"));
    EXPECT_EQ(topics[2].depth, 0);
    EXPECT_TRUE(
        mz::app::parseSitemap(QStringLiteral("<ul><li><object type=\"text/sitemap\">")).isEmpty());
}

TEST(PageDecoding, DeclaredCharsetIsHonoured) {
    const QByteArray utf8 =
        QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>日本語</body></html>")
            .toUtf8();
    EXPECT_TRUE(mz::app::decodeHtml(utf8).contains(QStringLiteral("日本語")));
    // No declaration: UTF-8.
    EXPECT_TRUE(mz::app::decodeHtml(QStringLiteral("<p>かな</p>").toUtf8())
                    .contains(QStringLiteral("かな")));

    if (!QStringDecoder("Shift_JIS").isValid()) GTEST_SKIP() << "no Shift_JIS decoder";
    const QByteArray sjis = QByteArray(
                                "<html><head><meta http-equiv=\"Content-Type\" "
                                "content=\"text/html; charset=Shift_JIS\"></head><body>") +
                            QByteArray("\x93\xfa\x96\x7b\x8c\xea", 6) +
                            QByteArray("</body></html>");
    EXPECT_TRUE(mz::app::decodeHtml(sjis).contains(QStringLiteral("日本語")));
}

}  // namespace
