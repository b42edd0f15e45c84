#include "data/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace mz::data::cp932 {

namespace {

// iconv descriptors are not thread-safe; the program has one thread, but tools and tests may
// not, so each conversion direction is guarded.
struct Converter {
    iconv_t cd;
    std::mutex mutex;
    Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Converter() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
};

Converter& toCp932() {
    static Converter c("CP932", "UTF-8");
    return c;
}

Converter& fromCp932() {
    static Converter c("UTF-8", "CP932");
    return c;
}

// Converts in; returns false on an unconvertible or invalid sequence (errno EILSEQ/EINVAL).
bool convert(Converter& c, QByteArrayView in, QByteArray& out) {
    std::lock_guard lock(c.mutex);
    if (c.cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(c.cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 3 + 8);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = static_cast<size_t>(in.size());
    char* dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    while (srcLeft > 0) {
        size_t r = iconv(c.cd, &src, &srcLeft, &dst, &dstLeft);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                const qsizetype used = dst - out.data();
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dstLeft = static_cast<size_t>(out.size() - used);
                continue;
            }
            return false;
        }
    }
    out.resize(dst - out.data());
    return true;
}

// Linux input methods and fonts use the JIS mappings for a few characters that CP932 holds
// under other code points (the wave dash typed as 〜 is ～ in CP932, and so on). They are
// the same characters to the user, so they are stored as CP932 spells them.
QString toCp932Spelling(const QString& text) {
    QString s = text;
    for (QChar& c : s) {
        switch (c.unicode()) {
            case 0x301C: c = QChar(0xFF5E); break;  // WAVE DASH -> FULLWIDTH TILDE
            case 0x2016: c = QChar(0x2225); break;  // DOUBLE VERTICAL LINE -> PARALLEL TO
            case 0x2212: c = QChar(0xFF0D); break;  // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
            case 0x00A2: c = QChar(0xFFE0); break;  // CENT SIGN
            case 0x00A3: c = QChar(0xFFE1); break;  // POUND SIGN
            case 0x00AC: c = QChar(0xFFE2); break;  // NOT SIGN
            case 0x2014: c = QChar(0x2015); break;  // EM DASH -> HORIZONTAL BAR
            default: break;
        }
    }
    return s;
}

}  // namespace

std::optional<QByteArray> encode(const QString& text) {
    if (text.isEmpty()) return QByteArray();
    QByteArray out;
    if (!convert(toCp932(), toCp932Spelling(text).toUtf8(), out)) return std::nullopt;
    return out;
}

QString decode(QByteArrayView bytes) {
    if (bytes.isEmpty()) return QString();
    bool ascii = true;
    for (char ch : bytes)
        if (static_cast<unsigned char>(ch) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return QString::fromLatin1(bytes);
    QByteArray out;
    if (convert(fromCp932(), bytes, out)) return QString::fromUtf8(out);
    // Damaged text: decode character by character so that one bad byte costs one character.
    QString result;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int len = std::min<qsizetype>(charLength(static_cast<unsigned char>(bytes[i])),
                                            bytes.size() - i);
        QByteArray one;
        if (convert(fromCp932(), bytes.sliced(i, len), one))
            result += QString::fromUtf8(one);
        else
            result += QChar(QChar::ReplacementCharacter);
        i += len;
    }
    return result;
}

QByteArray truncate(const QByteArray& bytes, int maxBytes) {
    if (bytes.size() <= maxBytes) return bytes;
    int i = 0;
    while (i < bytes.size()) {
        const int len = charLength(static_cast<unsigned char>(bytes[i]));
        if (i + len > maxBytes) break;
        i += len;
    }
    return bytes.left(i);
}

int byteWidth(const QString& text) {
    if (auto b = encode(text)) return static_cast<int>(b->size());
    int width = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        auto b = encode(text.mid(i, len));
        width += b ? static_cast<int>(b->size()) : 2;
        i += len;
    }
    return width;
}

QString firstUnencodable(const QString& text) {
    if (encode(text)) return QString();
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (!encode(text.mid(i, len))) return text.mid(i, len);
        i += len;
    }
    return QString();
}

}  // namespace mz::data::cp932
