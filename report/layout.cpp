// Laying a report out over a cursor: bands placed page by page, texts measured and wrapped.
#include "report/report.h"

#include "data/fieldcodec.h"
#include "data/table.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QScopeGuard>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace mz::report {

namespace {

// Texts are measured at this resolution, whatever they are drawn on later, so that a layout
// does not depend on the screen or the printer.
constexpr double kMeasureDpi = 600;
constexpr double kMmPerPx = 25.4 / kMeasureDpi;
constexpr double kEpsilon = 1e-6;

double finiteOr0(double v) {
    return std::isfinite(v) ? v : 0.0;
}
double length(double v) {
    return std::max(0.0, finiteOr0(v));
}

const QImage& measureDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(kMeasureDpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

// The metrics of one font, with the widths it has measured: a list repeats the same names,
// purposes, dates and amounts on every page, and shaping a text is what measuring costs.
class FontMeasure {
public:
    explicit FontMeasure(const Font& font) : fm_(toQFont(font), &measureDevice()) {}
    const QFontMetricsF& metrics() const { return fm_; }
    double widthMm(const QString& text) const {
        if (const auto it = widths_.constFind(text); it != widths_.cend()) return *it;
        // Bounded: a long run of distinct texts starts the cache afresh.
        if (widths_.size() >= 50000) widths_.clear();
        const double w = fm_.horizontalAdvance(text) * kMmPerPx;
        widths_.insert(text, w);
        return w;
    }

private:
    QFontMetricsF fm_;
    mutable QHash<QString, double> widths_;
};

// The fonts a layout uses, measured once per font.
class Metrics {
public:
    const FontMeasure& of(const Font& font) {
        for (const auto& [f, fm] : cache_)
            if (f == font) return *fm;
        cache_.emplace_back(font, std::make_unique<FontMeasure>(font));
        return *cache_.back().second;
    }

private:
    std::vector<std::pair<Font, std::unique_ptr<FontMeasure>>> cache_;
};

double widthMm(const FontMeasure& fm, const QString& text) {
    return fm.widthMm(text);
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

QString trimmedRight(QString s) {
    qsizetype n = s.size();
    while (n > 0 && isBlank(s[n - 1])) --n;
    s.truncate(n);
    return s;
}

// Splits a word that is wider than the line into pieces that fit, at least one character each
// (a surrogate pair stays whole).
QStringList breakWord(const QString& word, const FontMeasure& fm, double maxMm) {
    QStringList pieces;
    QString piece;
    for (qsizetype i = 0; i < word.size();) {
        qsizetype n = (word[i].isHighSurrogate() && i + 1 < word.size()) ? 2 : 1;
        const QString ch = word.mid(i, n);
        if (!piece.isEmpty() && widthMm(fm, piece + ch) > maxMm + kEpsilon) {
            pieces << piece;
            piece.clear();
        }
        piece += ch;
        i += n;
    }
    if (!piece.isEmpty()) pieces << piece;
    return pieces;
}

// Wraps a text at blanks into lines no wider than maxMm. Line breaks in the text start new
// lines; a word wider than a line is broken between characters.
QStringList wrap(QString text, const FontMeasure& fm, double maxMm) {
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        QString line;
        qsizetype i = 0;
        while (i < paragraph.size()) {
            qsizetype j = i;
            while (j < paragraph.size() && isBlank(paragraph[j])) ++j;
            const QString blanks = paragraph.mid(i, j - i);
            qsizetype k = j;
            while (k < paragraph.size() && !isBlank(paragraph[k])) ++k;
            const QString word = paragraph.mid(j, k - j);
            i = k;
            const QString candidate = line + blanks + word;
            if (widthMm(fm, trimmedRight(candidate)) <= maxMm + kEpsilon) {
                line = candidate;
                continue;
            }
            if (!trimmedRight(line).isEmpty()) lines << trimmedRight(line);
            if (widthMm(fm, word) <= maxMm + kEpsilon) {
                line = word;
                continue;
            }
            QStringList pieces = breakWord(word, fm, maxMm);
            line = pieces.takeLast();
            lines << pieces;
        }
        // Blanks at the end of the text are kept: they take room in a centred title.
        lines << line;
    }
    return lines;
}

QString plainNumber(double d) {
    if (!std::isfinite(d)) return {};
    QString s = QString::number(d, 'f', 4);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0')) s.chop(1);
        if (s.endsWith(u'.')) s.chop(1);
    }
    if (s == u"-0"_s) s = u"0"_s;
    return s;
}

QString currency(double d) {
    if (!std::isfinite(d)) return {};
    const double whole = std::round(std::fabs(d));
    const QString digits = QString::number(whole, 'f', 0);
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += u',';
        grouped += digits[i];
    }
    return (d < 0 && whole != 0 ? u"-"_s : QString()) + u"￥"_s + grouped;
}

PageItem::Kind itemKind(ElementKind kind) {
    switch (kind) {
        case ElementKind::Label:
            return PageItem::Kind::Label;
        case ElementKind::Field:
            return PageItem::Kind::Field;
        case ElementKind::Memo:
            return PageItem::Kind::Memo;
        case ElementKind::Image:
            return PageItem::Kind::Image;
        case ElementKind::ReportTitle:
            return PageItem::Kind::ReportTitle;
        case ElementKind::PageNumber:
            return PageItem::Kind::PageNumber;
    }
    return PageItem::Kind::Label;
}

bool usesField(ElementKind kind) {
    return kind == ElementKind::Field || kind == ElementKind::Memo || kind == ElementKind::Image;
}

class Layouter {
public:
    Layouter(const Report& report, mz::data::Cursor& cursor)
        : report_(report), cursor_(cursor), bandWidth_(report.effectiveBandWidth()) {
        // Field names are checked before anything is laid out: a layout naming a field the
        // table lacks is an error of the whole report, not of one record.
        fields_.resize(report.bands.size());
        for (size_t b = 0; b < report.bands.size(); ++b) {
            const Band& band = report.bands[b];
            for (const Element& e : band.elements)
                fields_[b].push_back(usesField(e.kind) ? cursor.fieldIndex(e.field) : -1);
            switch (band.kind) {
                case BandKind::Title:
                    titles_.push_back(b);
                    break;
                case BandKind::ColumnHeader:
                    headers_.push_back(b);
                    break;
                case BandKind::Detail:
                    details_.push_back(b);
                    break;
                case BandKind::Child:
                    children_.push_back(b);
                    break;
                case BandKind::PageFooter:
                    footers_.push_back(b);
                    footerHeight_ += length(band.height);
                    break;
            }
        }
        // A detail band's children follow it; the group of one record is placed as a whole.
        group_ = details_;
        group_.insert(group_.end(), children_.begin(), children_.end());
        pageTop_ = finiteOr0(report.margins.top);
        pageBottom_ = report.paperHeight() - finiteOr0(report.margins.bottom);
        bodyBottom_ = pageBottom_ - footerHeight_;
    }

    std::vector<Page> run() {
        const mz::data::Cursor::Bookmark where = cursor_.bookmark();
        const auto restore = qScopeGuard([&] {
            if (where != 0) cursor_.gotoBookmark(where);
        });
        cursor_.first();
        while (!cursor_.eof()) {
            placeRecord();
            cursor_.next();
        }
        if (pages_.empty() && report_.printIfEmpty) startPage();
        if (!pages_.empty()) finishPage(true);
        return std::move(pages_);
    }

private:
    void startPage() {
        if (!pages_.empty()) finishPage(false);
        Page page;
        page.number = int(pages_.size()) + 1;
        pages_.push_back(std::move(page));
        y_ = pageTop_;
        if (pages_.size() == 1)
            for (size_t b : titles_) placeBand(b, bodyBottom_);
        for (size_t b : headers_) placeBand(b, bodyBottom_);
        fresh_ = true;
    }

    void finishPage(bool last) {
        if (last && !report_.footerOnLastPage) return;
        y_ = bodyBottom_;
        for (size_t b : footers_) placeBand(b, pageBottom_);
    }

    double height(size_t b) const { return length(report_.bands[b].height); }

    void placeRecord() {
        if (group_.empty()) return;
        if (pages_.empty()) startPage();
        double total = 0;
        for (size_t b : group_) total += height(b);
        // Keep a record's bands together when they fit on a page of their own.
        if (!fresh_ && y_ + total > bodyBottom_ + kEpsilon) startPage();
        for (size_t b : group_) {
            // A band that does not fit starts the next page; on a page with nothing else it is
            // cut at the page footer instead of moving on for ever.
            if (!fresh_ && y_ + height(b) > bodyBottom_ + kEpsilon) startPage();
            placeBand(b, bodyBottom_);
            fresh_ = false;
        }
    }

    // Places a band at y_ and moves y_ below it. Nothing it holds is drawn below `limit`.
    void placeBand(size_t b, double limit) {
        const Band& band = report_.bands[b];
        const double top = y_;
        const double clip = std::min(top + height(b), limit);
        for (size_t e = 0; e < band.elements.size(); ++e)
            placeElement(band.elements[e], fields_[b][e], top, clip);
        y_ = top + height(b);
    }

    QString textOf(const Element& e, int field) const {
        switch (e.kind) {
            case ElementKind::Label:
                return e.text;
            case ElementKind::ReportTitle:
                return e.text + report_.title;
            case ElementKind::PageNumber:
                return e.text + QString::number(pages_.back().number);
            case ElementKind::Field:
            case ElementKind::Memo:
                return displayText(cursor_.value(field), e.format);
            case ElementKind::Image:
                return {};
        }
        return {};
    }

    bool hasPicture(int field) const {
        const quint32 recno = cursor_.recno();
        if (recno == 0) return false;
        if (cursor_.state() != mz::data::Cursor::State::Browse)
            return !mz::data::isNull(cursor_.value(field));
        // The memo block number tells without reading the picture itself.
        return mz::data::decodeMemoBlock(cursor_.table().rawField(recno, field)) != 0;
    }

    void add(PageItem item) { pages_.back().items.push_back(std::move(item)); }

    void addFrame(double x, double y, double w, double h) {
        PageItem frame;
        frame.kind = PageItem::Kind::Frame;
        frame.x = x;
        frame.y = y;
        frame.w = w;
        frame.h = h;
        add(std::move(frame));
    }

    void placeElement(const Element& e, int field, double bandTop, double clip) {
        const double left = finiteOr0(report_.margins.left);
        const double x = left + finiteOr0(e.x);
        const double y = bandTop + finiteOr0(e.y);
        const Font font = e.font.value_or(report_.font);

        if (e.kind == ElementKind::Image) {
            PageItem item;
            item.kind = PageItem::Kind::Image;
            item.x = x;
            item.y = y;
            item.w = length(e.w);
            item.h = length(e.h);
            item.field = field;
            if (hasPicture(field)) item.recno = cursor_.recno();
            if (e.frame) addFrame(item.x, item.y, item.w, item.h);
            add(std::move(item));
            return;
        }

        const QString text = textOf(e, field);
        const FontMeasure& fm = metrics_.of(font);
        const double lineHeight = fm.metrics().height() * kMmPerPx;
        const double lineStep = std::max(lineHeight, fm.metrics().lineSpacing() * kMmPerPx);
        const bool fixedWidth = e.w > 0 || e.kind == ElementKind::Memo;
        const double boxWidth =
            e.w > 0 ? length(e.w) : std::max(1.0, bandWidth_ - std::max(0.0, finiteOr0(e.x)));

        double bottom = clip;
        if (e.kind == ElementKind::Memo) {
            const double boxHeight = e.h > 0 ? length(e.h) : clip - y;
            bottom = std::min(clip, y + boxHeight);
            if (e.frame) addFrame(x, y, boxWidth, std::max(0.0, bottom - y));
        } else if (e.h > 0) {
            bottom = std::min(clip, y + length(e.h));
        }
        if (text.isEmpty()) return;

        const QStringList lines = wrap(text, fm, boxWidth);
        double lineTop = y;
        double widest = 0;
        std::vector<PageItem> items;
        for (qsizetype i = 0; i < lines.size(); ++i, lineTop += lineStep) {
            // A memo shows the lines that fit in its box; another text always shows its first.
            const bool fits = lineTop + lineHeight <= bottom + kEpsilon;
            if (!fits && (e.kind == ElementKind::Memo || i > 0)) break;
            if (lines[i].isEmpty()) continue;
            PageItem item;
            item.kind = itemKind(e.kind);
            item.font = font;
            item.align = e.align;
            item.text = lines[i];
            item.y = lineTop;
            item.h = lineHeight;
            if (fixedWidth) {
                item.x = x;
                item.w = boxWidth;
            } else {
                item.w = widthMm(fm, lines[i]);
                switch (e.align) {
                    case Align::Left:
                        item.x = x;
                        break;
                    case Align::Centre:
                        item.x = left + (bandWidth_ - item.w) / 2;
                        break;
                    case Align::Right:
                        item.x = left + bandWidth_ - item.w;
                        break;
                }
            }
            widest = std::max(widest, item.w);
            items.push_back(std::move(item));
        }
        if (e.frame && e.kind != ElementKind::Memo && !items.empty()) {
            const double frameX = fixedWidth ? x : items.front().x;
            addFrame(frameX, y, widest, items.back().y + lineHeight - y);
        }
        for (PageItem& item : items) add(std::move(item));
    }

    const Report& report_;
    mz::data::Cursor& cursor_;
    const double bandWidth_;
    std::vector<std::vector<int>> fields_;
    std::vector<size_t> titles_, headers_, details_, children_, footers_, group_;
    double footerHeight_ = 0;
    double pageTop_ = 0, pageBottom_ = 0, bodyBottom_ = 0;
    double y_ = 0;
    bool fresh_ = true;  // no record has been placed on the current page yet
    std::vector<Page> pages_;
    Metrics metrics_;
};

QString mm(double v) {
    QString s = QString::number(v, 'f', 2);
    if (s == u"-0.00"_s) s = u"0.00"_s;
    return s;
}

QString kindName(PageItem::Kind kind) {
    switch (kind) {
        case PageItem::Kind::Label:
            return u"label"_s;
        case PageItem::Kind::Field:
            return u"field"_s;
        case PageItem::Kind::Memo:
            return u"memo"_s;
        case PageItem::Kind::Image:
            return u"image"_s;
        case PageItem::Kind::ReportTitle:
            return u"title"_s;
        case PageItem::Kind::PageNumber:
            return u"page"_s;
        case PageItem::Kind::Frame:
            return u"frame"_s;
    }
    return u"?"_s;
}

QString fontText(const Font& f) {
    QString s = f.family + u' ' + plainNumber(f.sizePt);
    if (f.bold) s += u" bold"_s;
    if (f.italic) s += u" italic"_s;
    if (f.underline) s += u" underline"_s;
    if (f.colour != QColor(Qt::black)) s += u' ' + f.colour.name();
    return s;
}

}  // namespace

double Report::paperWidth() const {
    const QSizeF size = QPageSize(paper).size(QPageSize::Millimeter);
    return orientation == QPageLayout::Landscape ? size.height() : size.width();
}

double Report::paperHeight() const {
    const QSizeF size = QPageSize(paper).size(QPageSize::Millimeter);
    return orientation == QPageLayout::Landscape ? size.width() : size.height();
}

double Report::effectiveBandWidth() const {
    if (bandWidth > 0 && std::isfinite(bandWidth)) return bandWidth;
    return std::max(0.0, paperWidth() - finiteOr0(margins.left) - finiteOr0(margins.right));
}

QString displayText(const mz::data::Value& value, Format format) {
    if (const double* d = std::get_if<double>(&value))
        return format == Format::Currency ? currency(*d) : plainNumber(*d);
    if (const QDate* d = std::get_if<QDate>(&value))
        return d->isValid() ? d->toString(u"yyyy/MM/dd"_s) : QString();
    if (const QString* s = std::get_if<QString>(&value)) return *s;
    if (const bool* b = std::get_if<bool>(&value)) return *b ? u"True"_s : u"False"_s;
    return {};
}

void ensureFontSubstitutes() {
    const QString gothic = QString::fromUtf16(kGothic);
    const QString pGothic = QString::fromUtf16(kPGothic);
    if (QFont::substitutes(gothic).isEmpty()) QFont::insertSubstitution(gothic, u"IPAGothic"_s);
    if (QFont::substitutes(pGothic).isEmpty()) QFont::insertSubstitution(pGothic, u"IPAPGothic"_s);
}

QFont toQFont(const Font& font) {
    QFont f(font.family);
    f.setPointSizeF(font.sizePt > 0 && std::isfinite(font.sizePt) ? font.sizePt : 10);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    // Unhinted outlines scale exactly, so the text measured at one resolution takes the same
    // room at every other.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

std::vector<Page> run(const Report& report, mz::data::Cursor& cursor) {
    ensureFontSubstitutes();
    return Layouter(report, cursor).run();
}

QString dump(const std::vector<Page>& pages) {
    QString out;
    for (const Page& page : pages) {
        for (const PageItem& item : page.items) {
            QString kind = kindName(item.kind);
            if (item.align == Align::Centre) kind += u":centre"_s;
            if (item.align == Align::Right) kind += u":right"_s;
            QString font = u"-"_s;
            QString text = item.text;
            if (item.kind == PageItem::Kind::Image)
                text = item.recno ? u"picture of record %1"_s.arg(item.recno) : u"(none)"_s;
            else if (item.kind != PageItem::Kind::Frame)
                font = fontText(item.font);
            out += u"%1 %2 %3 %4 %5 %6 [%7] %8\n"_s.arg(page.number)
                       .arg(kind, mm(item.x), mm(item.y), mm(item.w), mm(item.h), font, text);
        }
    }
    return out;
}

PictureLoader picturesOf(const mz::data::Cursor& cursor) {
    if (!cursor.isOpen()) return {};
    std::shared_ptr<const mz::data::Table> table = cursor.table().shared_from_this();
    return [table](quint32 recno, int field) -> QByteArray {
        if (recno == 0 || recno > table->recordCount() || field < 0 ||
            field >= int(table->def().fields.size()))
            return {};
        const mz::data::Value v = table->value(recno, field);
        if (const QByteArray* bytes = std::get_if<QByteArray>(&v)) return *bytes;
        return {};
    };
}

}  // namespace mz::report
