#include "app/helpformat.h"

#include "help/unpackformat.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

namespace mz::app {

namespace {

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

quint64 littleEndian(const QByteArray& bytes, qsizetype at, int size) {
    quint64 v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

}  // namespace

// The path of a page inside the archive, from a sitemap's Local value or a link: leading
// "./" and a "chm:" prefix removed, always starting with a slash.
QString archivePathOf(const QString& local) {
    QString p = local.trimmed();
    const qsizetype hash = p.indexOf(u'#');
    if (hash >= 0) p.truncate(hash);
    const QUrl url(p);
    if (url.scheme() == QLatin1String(kHelpScheme)) p = url.path(QUrl::FullyDecoded);
    while (p.startsWith(QLatin1String("./"))) p.remove(0, 2);
    if (!p.startsWith(u'/')) p.prepend(u'/');
    return p;
}

std::optional<QList<HelpObject>> parseUnpacked(const QByteArray& stream) {
    QList<HelpObject> objects;
    qsizetype at = 0;
    while (at < stream.size()) {
        if (stream.size() - at < 4) return std::nullopt;
        const quint64 pathSize = littleEndian(stream, at, 4);
        at += 4;
        if (pathSize == 0 || pathSize > mz::help::kMaxPathLength ||
            pathSize > static_cast<quint64>(stream.size() - at))
            return std::nullopt;
        const QString path = QString::fromUtf8(stream.constData() + at, static_cast<qsizetype>(pathSize));
        at += static_cast<qsizetype>(pathSize);
        if (stream.size() - at < 8) return std::nullopt;
        const quint64 dataSize = littleEndian(stream, at, 8);
        at += 8;
        if (dataSize > static_cast<quint64>(stream.size() - at)) return std::nullopt;
        objects.append({path, stream.mid(at, static_cast<qsizetype>(dataSize))});
        at += static_cast<qsizetype>(dataSize);
    }
    return objects;
}

std::optional<HelpSystemInfo> parseSystemFile(const QByteArray& bytes) {
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
    HelpSystemInfo info;
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

QString htmlTitle(const QString& html, const QString& fallback) {
    static const QRegularExpression title(
        QStringLiteral(R"re(<title[^>]*>(.*?)</title>)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = title.match(html);
    const QString t = m.hasMatch() ? decodeEntities(m.captured(1)).simplified() : QString();
    return t.isEmpty() ? fallback : t;
}

}  // namespace mz::app
