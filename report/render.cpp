// Drawing laid-out pages: onto any paint device, into a PDF file, onto the default printer.
#include "report/report.h"

#include "data/types.h"
#include "platform/platform.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace mz::report {

namespace {

bool defaultPrinter(QPrinter& printer) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return false;
    printer.setPrinterName(info.printerName());
    return true;
}

PrinterChooser& chooser() {
    static PrinterChooser current = defaultPrinter;
    return current;
}

int textFlags(Align align) {
    const int vertical = Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
    switch (align) {
        case Align::Left:
            return Qt::AlignLeft | vertical;
        case Align::Centre:
            return Qt::AlignHCenter | vertical;
        case Align::Right:
            return Qt::AlignRight | vertical;
    }
    return Qt::AlignLeft | vertical;
}

// Draws every page on a painter that is already open on a paged device (printer, PDF). The
// pages share their pictures: a picture on many pages is decoded and stored once.
void paintAll(QPagedPaintDevice& device, QPainter& painter, const std::vector<Page>& pages,
              const PictureLoader& pictures) {
    PictureCache cache(pictures);
    bool first = true;
    for (const Page& page : pages) {
        if (!first) device.newPage();
        first = false;
        paint(page, painter, cache);
    }
}

// A file name for the report: its name, or else its title, without characters that file
// systems refuse.
QString suggestedFileName(const Report& report) {
    QString name = (report.name.isEmpty() ? report.title : report.name).trimmed();
    static const QString refused = u"\\/:*?\"<>|"_s;
    for (QChar& c : name)
        if (refused.contains(c) || c.unicode() < 0x20) c = u'_';
    name = name.trimmed();
    if (name.isEmpty()) name = u"report"_s;
    return name + u".pdf"_s;
}

// The folder the last PDF file of this run went to; empty before the first.
QString& lastPdfFolder() {
    static QString folder;
    return folder;
}

// Where the save picker starts: the folder used last in this run, else the user's documents
// folder, else the home folder. Never the data directory, which holds the tables.
QString pdfStartFolder() {
    const QString last = lastPdfFolder();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

QString jobName(const Report& report) {
    return (report.name.isEmpty() ? report.title : report.name).trimmed();
}

}  // namespace

PrinterChooser setPrinterChooser(PrinterChooser next) {
    return std::exchange(chooser(), next ? std::move(next) : PrinterChooser(defaultPrinter));
}

QPageLayout pageLayout(const Report& report) {
    return QPageLayout(QPageSize(report.paper), report.orientation, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

PictureCache::PictureCache(PictureLoader loader, qsizetype budgetBytes)
    : loader_(std::move(loader)), budget_(budgetBytes) {}

QImage PictureCache::image(quint32 recno, int field) {
    if (!loader_) return {};
    QByteArray bytes = loader_(recno, field);
    if (bytes.isEmpty()) return {};
    const size_t hash = qHash(bytes);
    for (auto [it, end] = entries_.equal_range(hash); it != end; ++it)
        if (it->second.bytes == bytes) return it->second.image;
    QImage image = QImage::fromData(bytes);
    const qsizetype cost = bytes.size() + image.sizeInBytes();
    if (cost > budget_) return image;  // larger than the whole cache: painted, not kept
    if (kept_ + cost > budget_) {
        entries_.clear();
        kept_ = 0;
    }
    entries_.emplace(hash, Entry{std::move(bytes), image});
    kept_ += cost;
    return image;
}

void paint(const Page& page, QPainter& painter, const PictureLoader& pictures) {
    PictureCache cache(pictures);
    paint(page, painter, cache);
}

void paint(const Page& page, QPainter& painter, PictureCache& pictures) {
    QPaintDevice* device = painter.device();
    if (!device) return;
    // Printers and PDF writers have whole-number resolutions; an image may have any, which its
    // dots per metre give exactly.
    double sx = device->logicalDpiX() / 25.4;
    double sy = device->logicalDpiY() / 25.4;
    if (const auto* image = dynamic_cast<const QImage*>(device)) {
        sx = image->dotsPerMeterX() / 1000.0;
        sy = image->dotsPerMeterY() / 1000.0;
    }
    const auto rect = [&](const PageItem& item) {
        return QRectF(item.x * sx, item.y * sy, item.w * sx, item.h * sy);
    };
    // Items of a page share a few fonts: each is converted once, and the painter's font and pen
    // change only when the next item needs another.
    std::vector<std::pair<Font, QFont>> fonts;
    qsizetype current = -1;  // the font in use, or -1
    const auto useFont = [&](const Font& font) {
        if (current >= 0 && fonts[size_t(current)].first == font) return;
        auto it = std::find_if(fonts.begin(), fonts.end(), [&](const auto& f) { return f.first == font; });
        if (it == fonts.end()) {
            fonts.emplace_back(font, toQFont(font));
            it = fonts.end() - 1;
        }
        painter.setFont(it->second);
        painter.setPen(font.colour);
        current = it - fonts.begin();
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const PageItem& item : page.items) {
        switch (item.kind) {
            case PageItem::Kind::Image: {
                if (item.recno == 0 || !pictures.loads()) break;
                QImage image;
                try {
                    image = pictures.image(item.recno, item.field);
                } catch (const mz::data::EngineError&) {
                    // A damaged memo file: the picture is left out, the rest of the page is drawn.
                    break;
                }
                if (!image.isNull()) painter.drawImage(rect(item), image);
                break;
            }
            case PageItem::Kind::Frame: {
                QPen pen(Qt::black);
                pen.setWidthF(0.2 * sx);
                painter.setPen(pen);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(rect(item));
                current = -1;  // the pen is the frame's now
                break;
            }
            default: {
                useFont(item.font);
                painter.drawText(rect(item), textFlags(item.align), item.text);
                break;
            }
        }
    }
    painter.restore();
}

bool writePdf(const QString& path, const Report& report, const std::vector<Page>& pages,
              const PictureLoader& pictures) {
    if (path.isEmpty()) return false;
    ensureFontSubstitutes();
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setPageLayout(pageLayout(report));
    writer.setTitle(jobName(report));
    writer.setCreator(u"Mizorel"_s);
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    paintAll(writer, painter, pages, pictures);
    return painter.end();
}

bool savePdf(QWidget* owner, const Report& report, const std::vector<Page>& pages,
             const PictureLoader& pictures) {
    const QString start = QDir(pdfStartFolder()).filePath(suggestedFileName(report));
    QString path = mz::platform::saveFileName(owner, u"PDF ファイル (*.pdf)|*.pdf"_s, start,
                                              u"PDF ファイルに保存"_s);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += u".pdf"_s;
    if (!writePdf(path, report, pages, pictures)) {
        mz::platform::errorBox(owner, mz::platform::applicationTitle(),
                               u"PDF ファイル「%1」に書き込めません。"_s.arg(path));
        return false;
    }
    lastPdfFolder() = QFileInfo(path).absolutePath();
    mz::platform::notice(owner, mz::platform::padded(u"PDF ファイルを保存しました。"_s));
    return true;
}

void preparePrinter(QPrinter& printer, const Report& report) {
    printer.setPageLayout(pageLayout(report));
    printer.setFullPage(true);
    // Every page, once, on one side: a stored page range would print the first page only.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setPageRanges(QPageRanges());
    printer.setFromTo(0, 0);
    printer.setCopyCount(1);
    printer.setCollateCopies(false);
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setDocName(jobName(report));
}

void printPages(QWidget* owner, const Report& report, const std::vector<Page>& pages,
                const PictureLoader& pictures) {
    if (pages.empty()) {
        mz::platform::notice(owner, mz::platform::padded(u"印刷するページがありません。"_s));
        return;
    }
    ensureFontSubstitutes();
    QPrinter printer(QPrinter::HighResolution);
    if (!chooser()(printer)) {
        if (mz::platform::askYesNo(
                owner, mz::platform::applicationTitle(),
                u"プリンタがインストールされていません。PDF ファイルに保存しますか?"_s))
            savePdf(owner, report, pages, pictures);
        return;
    }
    preparePrinter(printer, report);
    QPainter painter;
    if (!painter.begin(&printer)) {
        mz::platform::errorBox(owner, mz::platform::applicationTitle(),
                               u"プリンタ「%1」に印刷できません。"_s.arg(printer.printerName()));
        return;
    }
    paintAll(printer, painter, pages, pictures);
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        mz::platform::errorBox(
            owner, mz::platform::applicationTitle(),
            u"プリンタ「%1」への印刷に失敗しました。"_s.arg(printer.printerName()));
}

void print(QWidget* owner, const Report& report, mz::data::Cursor& cursor) {
    const std::vector<Page> pages = run(report, cursor);
    printPages(owner, report, pages, picturesOf(cursor));
}

}  // namespace mz::report
