#include "data/filter.h"

#include "data/cp932.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace mz::data {

namespace filterimpl {

// How a field's bytes are read when a comparison is evaluated.
enum class Kind : quint8 { Text, Number, Date, Logical };
enum class Op : quint8 { Eq, Ne, Lt, Le, Gt, Ge };

// Semantics of empty fields (all blanks on disk):
// - An empty text field is the empty text: it equals '' (and a literal of blanks), sorts before
//   every other text, and passes the prefix '*'.
// - An empty (or unreadable) number, date or logical field has no value. It fails =, <, <=, >
//   and >=, and passes <>, since it differs from every literal. So "収入番号=99999999" and the
//   household range on 相手先コード never take in a record whose number is empty.
struct Comparison {
    int offset = 0;  // of the field in the record, the deletion flag counted
    int width = 0;
    Kind kind = Kind::Text;
    Op op = Op::Eq;
    bool prefix = false;       // text literal ended in *
    QByteArray text;           // CP932; trailing blanks removed unless prefix
    QByteArray folded;         // text with its letters folded to upper case
    qsizetype prefixCore = 0;  // prefix: length of text without its trailing blanks
    double number = 0;
    int date = 0;  // yyyymmdd
    bool logical = false;
};

enum class NodeKind : quint8 { Compare, All, Any };

struct Node {
    NodeKind kind;
    int first;  // Compare: index into comparisons; All/Any: index into children
    int count;  // All/Any: number of children
};

struct Program {
    std::vector<Comparison> comparisons;
    std::vector<Node> nodes;
    std::vector<int> children;
    int root = 0;
};

}  // namespace filterimpl

using namespace filterimpl;

namespace {

// Parentheses nest at most this deep; deeper texts are refused rather than risking the stack.
constexpr int kMaxDepth = 100;

bool isBlankByte(char c) {
    return c == ' ' || c == '\0';
}

// Fields are padded with blanks; eight of them are skipped at a time.
constexpr quint64 kEightBlanks = 0x2020202020202020ull;
quint64 load8(const char* p) {
    quint64 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool allBlank(QByteArrayView raw) {
    const char* p = raw.data();
    const char* e = p + raw.size();
    while (e - p >= 8 && load8(p) == kEightBlanks) p += 8;
    for (; p < e; ++p)
        if (!isBlankByte(*p)) return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Reading field bytes. These mirror decodeField() in fieldcodec.cpp without building a Value.

QByteArrayView fieldBytes(QByteArrayView record, int offset, int width) {
    if (offset >= record.size()) return {};
    return record.sliced(offset, std::min<qsizetype>(width, record.size() - offset));
}

QByteArrayView trimmed(QByteArrayView raw) {
    qsizetype n = raw.size();
    while (n >= 8 && load8(raw.data() + n - 8) == kEightBlanks) n -= 8;
    while (n > 0 && isBlankByte(raw[n - 1])) --n;
    return raw.first(n);
}

// The slow reading of a number field, exactly as decodeField() does it.
bool readNumberSlow(QByteArrayView raw, double& out) {
    qsizetype b = 0, e = raw.size();
    bool blank = true;
    for (char c : raw)
        if (!isBlankByte(c)) blank = false;
    if (blank) return false;
    while (b < e && raw[b] == ' ') ++b;
    while (e > b && isBlankByte(raw[e - 1])) --e;
    const char* first = raw.data() + b;
    const char* last = raw.data() + e;
    if (first != last && *first == '+') ++first;
    double v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last || !std::isfinite(v)) return false;
    out = v;
    return true;
}

constexpr std::array<double, 16> kPow10 = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A number field: false when it is empty or unreadable. The usual right-aligned decimal with
// at most 15 digits is read directly: the digits form an exact integer below 2^53 and the power
// of ten is exact, so one division gives the correctly rounded value, the same double that
// from_chars yields. Anything else takes the slow path.
bool readNumber(QByteArrayView raw, double& out) {
    const char* p = raw.data();
    const char* e = p + raw.size();
    while (e - p >= 8 && load8(p) == kEightBlanks) p += 8;
    while (p < e && *p == ' ') ++p;
    while (e > p && isBlankByte(e[-1])) --e;
    if (p == e) return readNumberSlow(raw, out);
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    quint64 mantissa = 0;
    int digits = 0, fraction = 0;
    bool dot = false;
    for (; p < e; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            if (++digits > 15) return readNumberSlow(raw, out);
            mantissa = mantissa * 10 + static_cast<quint64>(c - '0');
            if (dot) ++fraction;
        } else if (c == '.' && !dot) {
            dot = true;
        } else {
            return readNumberSlow(raw, out);
        }
    }
    if (digits == 0) return readNumberSlow(raw, out);
    const double v = static_cast<double>(mantissa) / kPow10[static_cast<size_t>(fraction)];
    out = negative ? -v : v;
    return true;
}

bool validYmd(int y, int m, int d) {
    if (y < 1 || m < 1 || m > 12 || d < 1) return false;
    static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int limit = days[static_cast<size_t>(m - 1)] + (m == 2 && leap ? 1 : 0);
    return d <= limit;
}

// A date field as yyyymmdd, or 0 when it is empty or not a calendar date.
int readDate(QByteArrayView raw) {
    if (raw.size() != 8) return 0;
    int v = 0;
    for (char c : raw) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + (c - '0');
    }
    return validYmd(v / 10000, v / 100 % 100, v % 100) ? v : 0;
}

// A logical field: 1 true, 0 false, -1 empty.
int readLogical(QByteArrayView raw) {
    if (raw.isEmpty()) return -1;
    switch (raw[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            return 1;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            return 0;
        default:
            return -1;
    }
}

// Folds ASCII a-z and full-width ａ-ｚ (82 81..82 9A) to upper case, walking CP932 characters
// so that the second byte of a two-byte character is never taken for an ASCII letter.
void foldInto(QByteArrayView in, char* out) {
    const qsizetype n = in.size();
    for (qsizetype i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(in[i]);
        if (cp932::charLength(b) == 2 && i + 1 < n) {
            const auto t = static_cast<unsigned char>(in[i + 1]);
            out[i] = static_cast<char>(b);
            out[i + 1] = static_cast<char>(b == 0x82 && t >= 0x81 && t <= 0x9A ? t - 0x21 : t);
            i += 2;
        } else {
            out[i] = static_cast<char>(b >= 'a' && b <= 'z' ? b - 0x20 : b);
            ++i;
        }
    }
}

QByteArray folded(const QByteArray& bytes) {
    QByteArray out(bytes.size(), Qt::Uninitialized);
    foldInto(bytes, out.data());
    return out;
}

// The outcome of op for an ordering c (-1, 0 or 1): bit c + 1 of a mask per operator.
inline bool apply(Op op, int c) {
    static constexpr std::array<unsigned, 6> accepts = {0b010, 0b101, 0b001, 0b011, 0b100, 0b110};
    return (accepts[static_cast<size_t>(op)] >> (c + 1)) & 1u;
}

int compareBytes(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    if (n > 0) {
        const int c = std::memcmp(a.data(), b.data(), static_cast<size_t>(n));
        if (c != 0) return c < 0 ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool sameStart(QByteArrayView a, QByteArrayView b, qsizetype n) {
    return n <= 0 || std::memcmp(a.data(), b.data(), static_cast<size_t>(n)) == 0;
}

// value: the field's text without its padding. Trailing blanks never count: a prefix that ends
// in blanks still matches a value that is shorter by those blanks.
bool evalText(const Comparison& c, QByteArrayView value, QByteArrayView literal) {
    if (c.prefix) {
        const bool match =
            value.size() >= literal.size()
                ? sameStart(value, literal, literal.size())
                : value.size() >= c.prefixCore && sameStart(value, literal, value.size());
        return c.op == Op::Ne ? !match : match;
    }
    if (c.op == Op::Eq || c.op == Op::Ne) {
        const bool same = value.size() == literal.size() && sameStart(value, literal, value.size());
        return c.op == Op::Eq ? same : !same;
    }
    return apply(c.op, compareBytes(value, literal));
}

bool evalComparison(const Comparison& c, QByteArrayView record, bool caseInsensitive) {
    const QByteArrayView raw = fieldBytes(record, c.offset, c.width);
    switch (c.kind) {
        case Kind::Text: {
            if (!caseInsensitive) {
                // The common cases straight on the padded bytes. Equality: the literal (which
                // ends in no blank) starts the field and only blanks follow. A prefix that ends
                // in no blank: the field starts with it.
                const qsizetype len = c.text.size();
                if (!c.prefix && (c.op == Op::Eq || c.op == Op::Ne)) {
                    const bool same = len <= raw.size() && sameStart(raw, c.text, len) &&
                                      allBlank(raw.sliced(len));
                    return c.op == Op::Eq ? same : !same;
                }
                if (c.prefix && c.prefixCore == len && len <= raw.size()) {
                    const bool match = sameStart(raw, c.text, len);
                    return c.op == Op::Eq ? match : !match;
                }
                return evalText(c, trimmed(raw), c.text);
            }
            QByteArrayView value = trimmed(raw);
            // Fold only what the comparison can look at: nothing when the lengths already
            // decide equality, the literal's length for a prefix. Folding never changes a
            // character's length, and a cut through a two-byte character leaves its lead byte,
            // which folding never changes either.
            if (!c.prefix && (c.op == Op::Eq || c.op == Op::Ne) && value.size() != c.folded.size())
                return c.op == Op::Ne;
            if (c.prefix && value.size() > c.folded.size()) value = value.first(c.folded.size());
            std::array<char, 256> buf;
            if (value.size() <= static_cast<qsizetype>(buf.size())) {
                foldInto(value, buf.data());
                return evalText(c, QByteArrayView(buf.data(), value.size()), c.folded);
            }
            return evalText(c, folded(value.toByteArray()), c.folded);
        }
        case Kind::Number: {
            double v = 0;
            if (!readNumber(raw, v)) return c.op == Op::Ne;
            return apply(c.op, v < c.number ? -1 : (v > c.number ? 1 : 0));
        }
        case Kind::Date: {
            const int d = readDate(raw);
            if (d == 0) return c.op == Op::Ne;
            return apply(c.op, d < c.date ? -1 : (d > c.date ? 1 : 0));
        }
        case Kind::Logical: {
            const int b = readLogical(raw);
            if (b < 0) return c.op == Op::Ne;
            return apply(c.op, (b == 1) == c.logical ? 0 : 1);
        }
    }
    return false;
}

bool evalNode(const Program& p, const Node& n, QByteArrayView record, bool caseInsensitive) {
    if (n.kind == NodeKind::Compare)
        return evalComparison(p.comparisons[static_cast<size_t>(n.first)], record, caseInsensitive);
    // All stops at the first false child, Any at the first true one.
    const bool stopAt = n.kind == NodeKind::Any;
    for (int i = 0; i < n.count; ++i) {
        const Node& child =
            p.nodes[static_cast<size_t>(p.children[static_cast<size_t>(n.first + i)])];
        const bool v = child.kind == NodeKind::Compare
                           ? evalComparison(p.comparisons[static_cast<size_t>(child.first)], record,
                                            caseInsensitive)
                           : evalNode(p, child, record, caseInsensitive);
        if (v == stopAt) return stopAt;
    }
    return !stopAt;
}

// ---------------------------------------------------------------------------------------------
// Parsing

bool isBlank(QChar c) {
    return c.isSpace();
}

// Characters that end a field name.
bool endsName(QChar c) {
    switch (c.unicode()) {
        case '(':
        case ')':
        case '=':
        case '<':
        case '>':
        case '\'':
            return true;
        default:
            return isBlank(c);
    }
}

// A date literal: year/month/day, one to four digits of year and one or two of month and day.
// Blanks around each part are ignored, as a masked date edit may leave them. A year of one or
// two digits is a year of the 2000s. Returns yyyymmdd, or 0 when it is not a calendar date.
int parseDate(const QString& s) {
    const QStringList parts = s.split(QLatin1Char('/'));
    if (parts.size() != 3) return 0;
    int v[3] = {0, 0, 0};
    const int maxLen[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k) {
        const QString part = parts[k].trimmed();
        if (part.isEmpty() || part.size() > maxLen[k]) return 0;
        for (QChar ch : part) {
            if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) return 0;
            v[k] = v[k] * 10 + (ch.unicode() - '0');
        }
        if (k == 0 && part.size() <= 2) v[0] += 2000;
    }
    return validYmd(v[0], v[1], v[2]) ? v[0] * 10000 + v[1] * 100 + v[2] : 0;
}

class Parser {
public:
    Parser(const QString& text, const TableDef& def) : s_(text), def_(def) {
        int offset = 1;  // the deletion flag
        for (const FieldDef& f : def_.fields) {
            offsets_.push_back(offset);
            offset += f.width;
        }
    }

    // The program, or nullptr for a text of blanks only.
    std::shared_ptr<const Program> run() {
        skipBlanks();
        if (atEnd()) return nullptr;
        prog_.root = parseOr(0);
        skipBlanks();
        if (!atEnd()) {
            if (peek() == QLatin1Char(')'))
                fail(QStringLiteral("対応する開き括弧のない閉じ括弧があります"));
            fail(QStringLiteral("条件の後に解釈できない文字が続いています"));
        }
        return std::make_shared<const Program>(std::move(prog_));
    }

private:
    [[noreturn]] void fail(const QString& reason) const {
        // One arg() call for all three: a chained arg() would take a "%0" inside the text for
        // its own place marker.
        throw EngineError(QStringLiteral("フィルタ '%1' を解釈できません: %2（%3 文字目）")
                              .arg(s_, reason, QString::number(std::min(pos_, s_.size()) + 1)));
    }
    // A failure that concerns a whole comparison; no position needed.
    [[noreturn]] void failPlain(const QString& reason) const {
        throw EngineError(QStringLiteral("フィルタ '%1' を解釈できません: %2").arg(s_, reason));
    }

    bool atEnd() const { return pos_ >= s_.size(); }
    QChar peek() const { return atEnd() ? QChar() : s_[pos_]; }
    void skipBlanks() {
        while (!atEnd() && isBlank(s_[pos_])) ++pos_;
    }

    // "and" / "or" in any letter case, followed by a blank, a parenthesis or the end.
    bool keyword(const char* word) {
        const auto n = static_cast<qsizetype>(std::strlen(word));
        if (pos_ + n > s_.size()) return false;
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = s_[pos_ + i].unicode();
            const char16_t lower = (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 0x20) : c;
            if (lower != static_cast<char16_t>(word[i])) return false;
        }
        const qsizetype after = pos_ + n;
        if (after < s_.size() && !isBlank(s_[after]) && s_[after] != QLatin1Char('(')) return false;
        pos_ = after;
        return true;
    }

    int addGroup(NodeKind kind, const std::vector<int>& items) {
        if (items.size() == 1) return items.front();
        const int first = static_cast<int>(prog_.children.size());
        prog_.children.insert(prog_.children.end(), items.begin(), items.end());
        prog_.nodes.push_back({kind, first, static_cast<int>(items.size())});
        return static_cast<int>(prog_.nodes.size()) - 1;
    }

    int parseOr(int depth) {
        std::vector<int> items{parseAnd(depth)};
        for (;;) {
            skipBlanks();
            if (!keyword("or")) break;
            items.push_back(parseAnd(depth));
        }
        return addGroup(NodeKind::Any, items);
    }

    int parseAnd(int depth) {
        std::vector<int> items{parsePrimary(depth)};
        for (;;) {
            skipBlanks();
            if (!keyword("and")) break;
            items.push_back(parsePrimary(depth));
        }
        return addGroup(NodeKind::All, items);
    }

    int parsePrimary(int depth) {
        skipBlanks();
        if (atEnd()) fail(QStringLiteral("条件がありません"));
        if (peek() == QLatin1Char('(')) {
            if (depth >= kMaxDepth) fail(QStringLiteral("括弧の入れ子が深すぎます"));
            ++pos_;
            skipBlanks();
            if (peek() == QLatin1Char(')')) fail(QStringLiteral("括弧の中に条件がありません"));
            const int node = parseOr(depth + 1);
            skipBlanks();
            if (peek() != QLatin1Char(')')) fail(QStringLiteral("閉じ括弧 ')' がありません"));
            ++pos_;
            return node;
        }
        if (peek() == QLatin1Char(')')) fail(QStringLiteral("条件がありません"));
        return parseComparison();
    }

    int parseComparison() {
        const qsizetype nameStart = pos_;
        while (!atEnd() && !endsName(s_[pos_])) ++pos_;
        if (pos_ == nameStart) fail(QStringLiteral("フィールド名がありません"));
        const QString name = s_.mid(nameStart, pos_ - nameStart);
        const int index = def_.fieldIndex(name);
        if (index < 0) {
            pos_ = nameStart;
            fail(QStringLiteral("フィールド '%1' はありません").arg(name));
        }
        const FieldDef& field = def_.fields[static_cast<size_t>(index)];
        if (field.isMemoLike())
            failPlain(
                QStringLiteral("メモや画像のフィールド '%1' では絞り込めません").arg(field.name));

        skipBlanks();
        Op op;
        if (peek() == QLatin1Char('=')) {
            op = Op::Eq;
            ++pos_;
        } else if (peek() == QLatin1Char('<')) {
            ++pos_;
            if (peek() == QLatin1Char('=')) {
                op = Op::Le;
                ++pos_;
            } else if (peek() == QLatin1Char('>')) {
                op = Op::Ne;
                ++pos_;
            } else {
                op = Op::Lt;
            }
        } else if (peek() == QLatin1Char('>')) {
            ++pos_;
            if (peek() == QLatin1Char('=')) {
                op = Op::Ge;
                ++pos_;
            } else {
                op = Op::Gt;
            }
        } else {
            fail(QStringLiteral("フィールド '%1' の後に演算子 (=, <, >, <=, >=, <>) がありません")
                     .arg(field.name));
        }

        skipBlanks();
        Comparison c;
        c.offset = offsets_[static_cast<size_t>(index)];
        c.width = field.width;
        c.op = op;
        if (peek() == QLatin1Char('\'')) {
            const QString literal = readQuoted();
            setQuoted(c, field, literal);
        } else if (startsNumber()) {
            const double v = readNumberLiteral();
            if (field.type != FieldType::Number && field.type != FieldType::SmallInt)
                failPlain(wrongKind(field));
            c.kind = Kind::Number;
            c.number = v;
        } else if (atEnd() || peek() == QLatin1Char(')')) {
            fail(QStringLiteral("フィールド '%1' と比べる値がありません").arg(field.name));
        } else {
            fail(QStringLiteral("値を解釈できません。文字列は ' で囲んでください"));
        }
        prog_.comparisons.push_back(std::move(c));
        prog_.nodes.push_back(
            {NodeKind::Compare, static_cast<int>(prog_.comparisons.size()) - 1, 0});
        return static_cast<int>(prog_.nodes.size()) - 1;
    }

    QString wrongKind(const FieldDef& field) const {
        switch (field.type) {
            case FieldType::Number:
            case FieldType::SmallInt:
                return QStringLiteral("数値のフィールド '%1' は引用符のない数値と比べてください")
                    .arg(field.name);
            case FieldType::Date:
                return QStringLiteral(
                           "日付のフィールド '%1' は 'yyyy/mm/dd' の形の日付と比べてください")
                    .arg(field.name);
            case FieldType::Logical:
                return QStringLiteral("論理値のフィールド '%1' は 'T' または 'F' と比べてください")
                    .arg(field.name);
            default:
                return QStringLiteral("文字のフィールド '%1' は ' で囲んだ文字列と比べてください")
                    .arg(field.name);
        }
    }

    // A literal in single quotes; '' inside stands for one quote.
    QString readQuoted() {
        const qsizetype start = pos_;
        ++pos_;
        QString out;
        for (;;) {
            if (atEnd()) {
                pos_ = start;
                fail(QStringLiteral("引用符 ' が閉じていません"));
            }
            const QChar ch = s_[pos_++];
            if (ch == QLatin1Char('\'')) {
                if (peek() != QLatin1Char('\'')) break;
                ++pos_;
            }
            out.append(ch);
        }
        return out;
    }

    bool startsNumber() const {
        const QChar ch = peek();
        return ch == QLatin1Char('+') || ch == QLatin1Char('-') || ch == QLatin1Char('.') ||
               (ch >= QLatin1Char('0') && ch <= QLatin1Char('9'));
    }

    // [+-] digits [. digits], at least one digit, followed by a blank, ')' or the end.
    double readNumberLiteral() {
        const qsizetype start = pos_;
        QByteArray digits;
        if (peek() == QLatin1Char('+') || peek() == QLatin1Char('-')) {
            if (peek() == QLatin1Char('-')) digits.append('-');
            ++pos_;
        }
        bool dot = false, any = false;
        for (; !atEnd(); ++pos_) {
            const QChar ch = s_[pos_];
            if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) {
                any = true;
            } else if (ch == QLatin1Char('.') && !dot) {
                dot = true;
            } else {
                break;
            }
            digits.append(static_cast<char>(ch.unicode()));
        }
        if (!any || !(atEnd() || isBlank(peek()) || peek() == QLatin1Char(')'))) {
            pos_ = start;
            fail(QStringLiteral("数値を解釈できません"));
        }
        double v = 0;
        const char* first = digits.constData();
        const char* last = first + digits.size();
        auto [ptr, ec] = std::from_chars(first, last, v);
        if (ec != std::errc() || ptr != last || !std::isfinite(v)) {
            pos_ = start;
            fail(QStringLiteral("数値が大きすぎます"));
        }
        return v;
    }

    void setQuoted(Comparison& c, const FieldDef& field, const QString& literal) {
        switch (field.type) {
            case FieldType::Text: {
                c.kind = Kind::Text;
                QString body = literal;
                if (body.endsWith(QLatin1Char('*'))) {
                    // Only equality has a meaning for a prefix; "< 'ab*'" would silently
                    // compare with the asterisk, so it is refused.
                    if (c.op != Op::Eq && c.op != Op::Ne)
                        failPlain(
                            QStringLiteral("'*' で終わる値は = または <> でしか比べられません"));
                    c.prefix = true;
                    body.chop(1);
                }
                const std::optional<QByteArray> bytes = cp932::encode(body);
                if (!bytes)
                    failPlain(QStringLiteral("文字 '%1' はシフトJISで表せません")
                                  .arg(cp932::firstUnencodable(body)));
                c.text = *bytes;
                const qsizetype core = trimmed(c.text).size();
                if (c.prefix)
                    c.prefixCore = core;
                else
                    c.text.truncate(core);
                c.folded = folded(c.text);
                return;
            }
            case FieldType::Date: {
                c.kind = Kind::Date;
                c.date = parseDate(literal);
                if (c.date == 0)
                    failPlain(QStringLiteral("'%1' は日付ではありません").arg(literal));
                return;
            }
            case FieldType::Logical: {
                c.kind = Kind::Logical;
                if (c.op != Op::Eq && c.op != Op::Ne)
                    failPlain(QStringLiteral(
                                  "論理値のフィールド '%1' は = または <> でしか比べられません")
                                  .arg(field.name));
                const QString v = literal.trimmed().toUpper();
                if (v == QLatin1String("T") || v == QLatin1String("Y") ||
                    v == QLatin1String("TRUE"))
                    c.logical = true;
                else if (v == QLatin1String("F") || v == QLatin1String("N") ||
                         v == QLatin1String("FALSE"))
                    c.logical = false;
                else
                    failPlain(wrongKind(field));
                return;
            }
            case FieldType::Number:
            case FieldType::SmallInt:
            case FieldType::Memo:
            case FieldType::Picture:
                break;
        }
        failPlain(wrongKind(field));
    }

    const QString& s_;
    const TableDef& def_;
    std::vector<int> offsets_;
    qsizetype pos_ = 0;
    Program prog_;
};

}  // namespace

Filter::Filter() = default;

Filter Filter::parse(const QString& text, const TableDef& def) {
    Filter f;
    f.program_ = Parser(text, def).run();
    f.text_ = text;
    return f;
}

bool Filter::matches(QByteArrayView record, bool caseInsensitive) const {
    if (!program_) return true;
    return evalNode(*program_, program_->nodes[static_cast<size_t>(program_->root)], record,
                    caseInsensitive);
}

}  // namespace mz::data
