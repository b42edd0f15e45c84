#pragma once
// Reading what a compiled help file holds: the records its unpacker writes, its /#SYSTEM file,
// the sitemaps of its contents (.hhc) and keyword index (.hhk), and its pages. Plain functions
// over bytes and text (QtCore only), so that they can be tested and fuzzed on their own; every
// input may come from a damaged file.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace mz::app {

// The URL scheme of pages inside the help file ("chm:///index.html").
inline constexpr char kHelpScheme[] = "chm";

// One object of a help file: its path inside the archive ("/index.html") and its bytes.
struct HelpObject {
    QString path;
    QByteArray data;
};

// Splits the output of mizorel-helpunpack (help/unpackformat.h) into its objects. Nothing when
// the output does not add up: a record cut short, a length beyond the end, an empty or
// over-long path.
std::optional<QList<HelpObject>> parseUnpacked(const QByteArray& stream);

// What the archive's /#SYSTEM file says about the help file.
struct HelpSystemInfo {
    QString contentsFile;  // code 0: the .hhc, relative to the archive's root
    QString indexFile;     // code 1: the .hhk
    QString defaultTopic;  // code 2: the page the help opens at
    QString title;         // code 3
};

// Parses the bytes of a /#SYSTEM file: a 4-byte version, then records of a 16-bit code, a
// 16-bit length and that many bytes. A record that runs past the end ends the parse. Nothing
// for a file too short to hold the version.
std::optional<HelpSystemInfo> parseSystemFile(const QByteArray& bytes);

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

// The <title> of a page, entities decoded and blanks simplified; `fallback` when it has none.
QString htmlTitle(const QString& html, const QString& fallback);

// The path of a page inside the archive, from a sitemap's Local value or a link: the #fragment,
// leading "./" and a "chm:" prefix removed, always starting with a slash.
QString archivePathOf(const QString& local);

}  // namespace mz::app
