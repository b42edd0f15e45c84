#pragma once
// Mizorel's banded report engine.
//
// A report is data: the page set-up (paper, orientation, margins in mm), the bands (title,
// column header, detail, child of the detail, page footer) with their heights in mm, and the
// elements of each band with their positions in mm and their fonts. Running a report over a
// cursor lays the bands out page by page and yields pages of positioned items: plain data, with
// a text dump for comparing layouts in tests. A painter draws a page onto any paint device: the
// printer, a PDF writer or the preview's page image.
//
//     Report r;
//     r.bands.push_back({BandKind::Title, 8.73, {titleElement}});
//     ...
//     const std::vector<Page> pages = run(r, cursor);
//     writePdf(u"list.pdf"_s, r, pages, picturesOf(cursor));
//
// Every measure is in millimetres from the top-left corner of the paper (page items) or of the
// band (elements). Text is measured at a fixed resolution, so a layout is the same on every
// machine that has the same fonts.

#include "data/cursor.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QString>

#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

namespace mz::report {

// The two families of the layouts. The program maps them to the IPA fonts at start-up; the
// engine maps them too when nothing else has (ensureFontSubstitutes).
inline constexpr const char16_t* kGothic = u"ＭＳ ゴシック";
inline constexpr const char16_t* kPGothic = u"ＭＳ Ｐゴシック";

struct Font {
    QString family = QString::fromUtf16(kGothic);
    double sizePt = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QColor colour = Qt::black;

    bool operator==(const Font&) const = default;
};

enum class Align { Left, Centre, Right };

enum class ElementKind {
    Label,        // fixed text
    Field,        // the display text of a field of the current record
    Memo,         // the text of a field wrapped at blanks inside a fixed box
    Image,        // the picture of a field stretched into its box
    ReportTitle,  // the prefix text followed by the report's title
    PageNumber,   // the prefix text followed by the number of the page
};

// How a field element shows a number.
enum class Format {
    Plain,     // the shortest decimal text, without grouping: 3, 12.5
    Currency,  // yen with thousands separators: ￥30,000
};

struct Element {
    ElementKind kind = ElementKind::Label;
    QString name;   // the element's name in the layout (QRLabel1); only for reading layouts
    double x = 0;   // left edge within the band, mm
    double y = 0;   // top edge within the band, mm
    double w = 0;   // width, mm; 0 for text that sizes itself to its text
    double h = 0;   // height, mm; 0 for text that sizes itself to its text
    QString text;   // the label's text; the prefix of a report title or page number
    QString field;  // the field of Field, Memo and Image elements
    std::optional<Font> font;  // the report's font when not set
    // Left, centred or right within the element's box. A self-sizing text that is centred is
    // centred across the band (its x is not used).
    Align align = Align::Left;
    Format format = Format::Plain;
    bool frame = false;  // a thin frame line around the element's box
};

enum class BandKind {
    Title,         // once, at the top of the first page
    ColumnHeader,  // at the top of every page, below the title on the first
    Detail,        // once per record
    Child,         // right after the detail band, once per record, in the order given
    PageFooter,    // at the foot of every page
};

struct Band {
    BandKind kind = BandKind::Detail;
    double height = 0;  // mm; a band never stretches
    std::vector<Element> elements;
    QString name;
};

struct Margins {
    double top = 10;
    double bottom = 10;
    double left = 10;
    double right = 10;
};

struct Report {
    QString name;   // names the print job and the suggested PDF file
    QString title;  // the report's title, printed after the prefix of ReportTitle elements
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    Margins margins;
    // Width of every band, mm; 0 for the paper's width between the left and right margins.
    double bandWidth = 0;
    Font font;  // for elements without a font of their own
    // A report over no record still gives one page (title, column header, footer).
    bool printIfEmpty = true;
    bool footerOnLastPage = true;
    std::vector<Band> bands;

    double paperWidth() const;   // mm, after the orientation
    double paperHeight() const;  // mm, after the orientation
    double effectiveBandWidth() const;
};

// One thing drawn on a page, in mm from the paper's top-left corner.
struct PageItem {
    enum class Kind { Label, Field, Memo, Image, ReportTitle, PageNumber, Frame };
    Kind kind = Kind::Label;
    double x = 0, y = 0, w = 0, h = 0;
    Font font;
    Align align = Align::Left;
    QString text;  // one line of text; empty for images and frames
    // The picture of an image: record number and field index, read when the page is painted so
    // that pictures are never all held at once. Record 0: the field is empty, nothing is drawn.
    quint32 recno = 0;
    int field = -1;
};

struct Page {
    int number = 1;
    std::vector<PageItem> items;
};

// Reads the raw bytes of a picture field of a record (a Windows bitmap, or any image format Qt
// reads). Empty when there is none.
using PictureLoader = std::function<QByteArray(quint32 recno, int field)>;

// The pictures of the cursor's table; keeps the table alive while it is used.
PictureLoader picturesOf(const mz::data::Cursor& cursor);

// Lays the report out over the records of the cursor, in its order and with its filter, from
// the first record to the last; the cursor is back on the record it was on afterwards. Throws
// EngineError when an element names a field the table does not have.
std::vector<Page> run(const Report& report, mz::data::Cursor& cursor);

// The layout as text, one line per item:
//     <page> <kind> <x> <y> <w> <h> [<font>] <text>
// with the measures in mm to two decimals, for example
//     1 label 19.93 14.82 24.38 3.53 [ＭＳ ゴシック 10] 【収入番号】
QString dump(const std::vector<Page>& pages);

// The text a field element shows for a value: numbers as plain digits (or yen with
// Format::Currency), dates as yyyy/MM/dd, pictures as nothing. Independent of the locale.
QString displayText(const mz::data::Value& value, Format format = Format::Plain);

// The font a page item is drawn in; its size in points follows the painting device.
QFont toQFont(const Font& font);

// Maps the layout font names to the IPA fonts unless a mapping is already installed.
void ensureFontSubstitutes();

// The page size and layout of a report, without margins: items carry the margins themselves.
QPageLayout pageLayout(const Report& report);

// The pictures of a printout, decoded as painting reaches them and kept while its pages are
// painted. A picture stored many times over (the same bytes in many records) is decoded once,
// and painted as one image, which a PDF file then holds once. Kept within a bound of memory:
// past it, the pictures kept so far are let go and decoded again when they come back.
class PictureCache {
public:
    static constexpr qsizetype defaultBudgetBytes = qsizetype(64) << 20;

    explicit PictureCache(PictureLoader loader, qsizetype budgetBytes = defaultBudgetBytes);

    // The decoded picture of a record's field; null when there is none or it cannot be
    // decoded. Throws EngineError when the picture cannot be read.
    QImage image(quint32 recno, int field);

    // The memory the kept pictures take (their stored bytes and their decoded images).
    qsizetype bytesKept() const { return kept_; }

    bool loads() const { return bool(loader_); }

private:
    struct Entry {
        QByteArray bytes;  // the stored picture, to tell pictures of equal hash apart
        QImage image;
    };
    PictureLoader loader_;
    qsizetype budget_;
    qsizetype kept_ = 0;
    std::unordered_multimap<size_t, Entry> entries_;  // by hash of the stored bytes
};

// Draws a page onto the painter's device at the device's resolution, with (0, 0) at the paper's
// top-left corner. Pictures are read and decoded here; one the page shows again is decoded once.
void paint(const Page& page, QPainter& painter, const PictureLoader& pictures = {});

// The same, taking the pictures from a cache shared by the pages of one printout.
void paint(const Page& page, QPainter& painter, PictureCache& pictures);

// Writes the pages to a PDF file. False when the file cannot be written.
bool writePdf(const QString& path, const Report& report, const std::vector<Page>& pages,
              const PictureLoader& pictures = {});

// Prints the pages on the default printer: every page, one copy, no duplex. When no printer is
// installed the user is asked whether to save a PDF file instead. Failures are reported in a
// message box, never dropped.
void printPages(QWidget* owner, const Report& report, const std::vector<Page>& pages,
                const PictureLoader& pictures);

// Sets a printer up for a report's job: the report's paper, every page, one copy, no duplex,
// drawing from the paper's corner. Whatever range or count the printer held is replaced.
void preparePrinter(QPrinter& printer, const Report& report);

// Asks for a file name with the save picker and writes the pages there as PDF; a notice says
// where it went. The picker starts in the folder of the last PDF file of this run, else in the
// user's documents folder. False when the user cancelled or the file could not be written.
bool savePdf(QWidget* owner, const Report& report, const std::vector<Page>& pages,
             const PictureLoader& pictures);

// Runs the report and prints it straight away, without a preview.
void print(QWidget* owner, const Report& report, mz::data::Cursor& cursor);

// Runs the report and shows the preview window; returns when the preview has been closed.
void preview(QWidget* owner, const Report& report, mz::data::Cursor& cursor);

// Chooses the printer a print goes to: sets the printer up and returns true, or returns false
// when there is none. The default picks the system's default printer; tests replace it (with
// one that writes the printer's output to a file, or one that has no printer). Returns the
// previous chooser.
using PrinterChooser = std::function<bool(QPrinter&)>;
PrinterChooser setPrinterChooser(PrinterChooser chooser);

}  // namespace mz::report
