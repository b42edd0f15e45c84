// Output of reports: PDF files, printing (with and without a printer), the preview window and
// the QuickRep object that printout forms hold.
#include "incomelayout.h"

#include "data/cursor.h"
#include "platform/modal.h"
#include "platform/recorder.h"
#include "report/TReportPreview.h"
#include "report/quickrep.h"
#include "report/report.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace Qt::StringLiterals;
using namespace mz::report;
using mz::platform::DialogKind;
using mz::platform::ModalDriver;
using mz::platform::Recorder;
using mz::test::addIncome;
using mz::test::incomeListReport;

namespace {

const QString kNoPrinter = u"プリンタがインストールされていません。PDF ファイルに保存しますか?"_s;

bool isPdf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

// The page count of a PDF file as pdfinfo reads it, or -1 when pdfinfo is not installed.
int pdfPages(const QString& path) {
    const QString pdfinfo = QStandardPaths::findExecutable(u"pdfinfo"_s);
    if (pdfinfo.isEmpty()) return -1;
    QProcess p;
    p.start(pdfinfo, {path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return 0;
    const QRegularExpressionMatch m = QRegularExpression(u"Pages:\\s+(\\d+)"_s)
                                          .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// Replaces the printer for one test; the previous choice comes back afterwards.
class PrinterScope {
public:
    explicit PrinterScope(PrinterChooser chooser)
        : previous_(setPrinterChooser(std::move(chooser))) {}
    ~PrinterScope() { setPrinterChooser(previous_); }

private:
    PrinterChooser previous_;
};

class ReportOutput : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        income_.open(u"Indata.DBF"_s);
    }
    void TearDown() override {
        income_.close();
        QDir::setCurrent(previous_);
    }

    mz::test::DataDir dir_;
    QTemporaryDir out_;
    QString previous_;
    mz::data::Cursor income_;
};

}  // namespace

TEST_F(ReportOutput, PdfHasOnePdfPageForEveryPage) {
    addIncome(income_, 1, 40);
    const Report r = incomeListReport();
    const std::vector<Page> pages = run(r, income_);
    const QString path = out_.filePath(u"list.pdf"_s);
    ASSERT_TRUE(writePdf(path, r, pages, picturesOf(income_)));
    EXPECT_TRUE(isPdf(path));
    const int count = pdfPages(path);
    if (count >= 0) {
        EXPECT_EQ(count, 9);
    }

    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(writePdf(out_.filePath(u"none/list.pdf"_s), r, pages));
    EXPECT_FALSE(writePdf(QString(), r, pages));
}

TEST_F(ReportOutput, PrintingWithoutAPrinterOffersAPdfFile) {
    addIncome(income_, 1, 6);
    PrinterScope noPrinter([](QPrinter&) { return false; });
    const QString path = out_.filePath(u"印刷.pdf"_s);
    {
        Recorder rec;
        rec.answerYesNo(true).answerSaveFile(path);
        print(nullptr, incomeListReport(), income_);
        ASSERT_EQ(rec.dialogs().size(), 3);
        EXPECT_EQ(rec.dialogs()[0].kind, DialogKind::YesNo);
        EXPECT_EQ(rec.dialogs()[0].text, kNoPrinter);
        EXPECT_EQ(rec.dialogs()[1].kind, DialogKind::SaveFile);
        EXPECT_EQ(rec.dialogs()[1].text, u"PDF ファイル (*.pdf)|*.pdf"_s);
        EXPECT_EQ(QFileInfo(rec.dialogs()[1].detail).fileName(), u"収入の検索結果一覧表.pdf"_s);
        EXPECT_EQ(rec.notices(), QStringList{u"  PDF ファイルを保存しました。  "_s});
    }
    EXPECT_TRUE(isPdf(path));
    const int count = pdfPages(path);
    if (count >= 0) {
        EXPECT_EQ(count, 2);
    }

    // No: nothing is saved and nothing more is asked.
    const QString declined = out_.filePath(u"declined.pdf"_s);
    {
        Recorder rec;
        rec.answerYesNo(false);
        print(nullptr, incomeListReport(), income_);
        EXPECT_EQ(rec.dialogs().size(), 1);
    }
    // Cancelling the picker saves nothing either; a name without suffix gets ".pdf".
    {
        Recorder rec;
        rec.answerYesNo(true).answerSaveFile(QString());
        print(nullptr, incomeListReport(), income_);
        EXPECT_TRUE(rec.notices().isEmpty());
        rec.answerYesNo(true).answerSaveFile(out_.filePath(u"bare"_s));
        print(nullptr, incomeListReport(), income_);
        EXPECT_TRUE(isPdf(out_.filePath(u"bare.pdf"_s)));
    }
    EXPECT_FALSE(QFile::exists(declined));
    // A file that cannot be written is said so.
    {
        Recorder rec;
        rec.answerYesNo(true).answerSaveFile(out_.filePath(u"none/x.pdf"_s));
        print(nullptr, incomeListReport(), income_);
        ASSERT_EQ(rec.errors().size(), 1);
        EXPECT_TRUE(rec.errors()[0].contains(u"書き込めません"_s));
        EXPECT_TRUE(rec.notices().isEmpty());
    }
}

// The save picker never starts in the data directory: first in the documents folder (or home,
// where there is none), then in the folder the last file of the run went to, as long as that
// folder is still there.
TEST_F(ReportOutput, SavePickerStartsInTheDocumentsFolderThenInTheLastFolderUsed) {
    addIncome(income_, 1, 2);
    const Report r = incomeListReport();
    const std::vector<Page> pages = run(r, income_);
    const auto pickerFolder = [](const Recorder& rec) {
        for (const auto& d : rec.dialogs())
            if (d.kind == DialogKind::SaveFile) return QFileInfo(d.detail).absolutePath();
        return QString();
    };
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString fresh = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    QTemporaryDir first;
    {
        Recorder rec;
        rec.answerSaveFile(QDir(first.path()).filePath(u"a.pdf"_s));
        EXPECT_TRUE(savePdf(nullptr, r, pages, picturesOf(income_)));
        rec.answerSaveFile(QDir(out_.path()).filePath(u"b.pdf"_s));
        EXPECT_TRUE(savePdf(nullptr, r, pages, picturesOf(income_)));
        ASSERT_EQ(rec.dialogs().size(), 4);  // picker, notice, picker, notice
        EXPECT_EQ(QFileInfo(rec.dialogs()[2].detail).absolutePath(),
                  QFileInfo(first.path()).absoluteFilePath());
        EXPECT_EQ(QFileInfo(rec.dialogs()[2].detail).fileName(), u"収入の検索結果一覧表.pdf"_s);
    }
    {
        Recorder rec;
        rec.answerSaveFile(QString());
        savePdf(nullptr, r, pages, picturesOf(income_));
        EXPECT_EQ(pickerFolder(rec), QFileInfo(out_.path()).absoluteFilePath());
    }
    // The folder used last has gone: back to the documents folder, not the data directory.
    const QString gone = QDir(first.path()).filePath(u"gone"_s);
    ASSERT_TRUE(QDir().mkpath(gone));
    {
        Recorder rec;
        rec.answerSaveFile(QDir(gone).filePath(u"c.pdf"_s));
        EXPECT_TRUE(savePdf(nullptr, r, pages, picturesOf(income_)));
    }
    ASSERT_TRUE(QDir(gone).removeRecursively());
    {
        Recorder rec;
        rec.answerSaveFile(QString());
        savePdf(nullptr, r, pages, picturesOf(income_));
        EXPECT_EQ(pickerFolder(rec), fresh);
        EXPECT_NE(pickerFolder(rec), QDir(dir_.path()).absolutePath());
    }
}

TEST_F(ReportOutput, PrintingSendsEveryPageOnceToThePrinter) {
    addIncome(income_, 1, 40);
    const QString path = out_.filePath(u"printer.pdf"_s);
    PrinterScope printer([&](QPrinter& p) {
        p.setOutputFileName(path);  // the printer's output goes to a file
        p.setFromTo(1, 1);          // a range left over from elsewhere must not limit the job
        return true;
    });
    Recorder rec;
    TQuickRep rep;
    rep.Report = incomeListReport();
    rep.DataSet = &income_;
    rep.Print();
    EXPECT_TRUE(rec.dialogs().isEmpty());
    EXPECT_TRUE(isPdf(path));
    const int count = pdfPages(path);
    if (count >= 0) {
        EXPECT_EQ(count, 9);
    }
}

TEST(ReportPrinter, AJobPrintsEveryPageOnceOnOneSide) {
    QPrinter printer;
    printer.setFromTo(1, 1);
    printer.setPrintRange(QPrinter::PageRange);
    printer.setCopyCount(3);
    printer.setDuplex(QPrinter::DuplexLongSide);
    Report r;
    r.name = u"目的名称一覧表"_s;
    r.orientation = QPageLayout::Landscape;
    preparePrinter(printer, r);
    EXPECT_EQ(printer.printRange(), QPrinter::AllPages);
    EXPECT_TRUE(printer.pageRanges().isEmpty());
    EXPECT_EQ(printer.fromPage(), 0);
    EXPECT_EQ(printer.toPage(), 0);
    EXPECT_EQ(printer.copyCount(), 1);
    EXPECT_EQ(printer.duplex(), QPrinter::DuplexNone);
    EXPECT_TRUE(printer.fullPage());
    EXPECT_EQ(printer.docName(), u"目的名称一覧表"_s);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A4);
}

TEST_F(ReportOutput, NothingToPrintIsSaid) {
    Report r = incomeListReport();
    r.printIfEmpty = false;
    PrinterScope printer([](QPrinter&) { return true; });
    Recorder rec;
    print(nullptr, r, income_);
    preview(nullptr, r, income_);
    EXPECT_EQ(rec.notices(), (QStringList{u"  印刷するページがありません。  "_s,
                                          u"  印刷するページがありません。  "_s}));
}

TEST_F(ReportOutput, PreviewOpensMaximisedAtFitPageAndPagesThrough) {
    addIncome(income_, 1, 40);
    TQuickRep rep;
    rep.setObjectName(u"QuickRep1"_s);
    rep.Report = incomeListReport();
    rep.DataSet = &income_;

    Recorder rec;
    ModalDriver driver;
    bool ran = false;
    driver.onOpen<TReportPreview>([&](TReportPreview& w) {
        ran = true;
        EXPECT_EQ(TReportPreview::current().data(), &w);
        EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
        EXPECT_TRUE(w.windowTitle().startsWith(u"Mizorel - "_s));
        EXPECT_EQ(w.zoom(), TReportPreview::Zoom::FitPage);
        EXPECT_EQ(w.pageCount(), 9);
        EXPECT_EQ(w.currentPage(), 1);
        // The whole page is in view, and it takes the room there is.
        const QSize page = w.pageImageSize();
        const QSize view = w.viewportSize();
        EXPECT_LE(page.width(), view.width());
        EXPECT_LE(page.height(), view.height());
        EXPECT_GE(page.height(), view.height() - 30);  // margins and whole dots per inch
        EXPECT_NEAR(double(page.width()) / page.height(), 210.0 / 297.0, 0.01);
        EXPECT_EQ(w.LabelPage->text(), u"1 / 9 ページ"_s);
        EXPECT_FALSE(w.ButtonPrior->isEnabled());

        w.ButtonNext->click();
        EXPECT_EQ(w.currentPage(), 2);
        EXPECT_EQ(w.LabelPage->text(), u"2 / 9 ページ"_s);
        w.ButtonLast->click();
        EXPECT_EQ(w.currentPage(), 9);
        EXPECT_FALSE(w.ButtonNext->isEnabled());
        w.ButtonNextClick();  // past the end stays on the last page
        EXPECT_EQ(w.currentPage(), 9);
        w.ButtonPrior->click();
        EXPECT_EQ(w.currentPage(), 8);
        w.ButtonFirst->click();
        EXPECT_EQ(w.currentPage(), 1);

        w.ButtonFitWidth->click();
        EXPECT_EQ(w.zoom(), TReportPreview::Zoom::FitWidth);
        EXPECT_GT(w.pageImageSize().height(), view.height());
        w.ButtonActual->click();
        EXPECT_NEAR(w.pixelsPerMm(), w.logicalDpiX() / 25.4, 1e-9);
        w.ButtonFitPage->click();
        EXPECT_EQ(w.pageImageSize(), page);

        w.ButtonClose->click();
    });
    rep.Preview();
    EXPECT_TRUE(ran);
    EXPECT_EQ(driver.openCount(u"TReportPreview"_s), 1);
    EXPECT_TRUE(TReportPreview::current().isNull());  // closed and destroyed when Preview returns
}

TEST_F(ReportOutput, PreviewPrintsAndSavesPdf) {
    addIncome(income_, 1, 3);
    PrinterScope noPrinter([](QPrinter&) { return false; });
    const QString saved = out_.filePath(u"preview.pdf"_s);
    const QString printed = out_.filePath(u"printed.pdf"_s);
    Recorder rec;
    rec.answerSaveFile(saved);                      // PDF 保存
    rec.answerYesNo(true).answerSaveFile(printed);  // 印刷 without a printer
    ModalDriver driver;
    driver.onOpen<TReportPreview>([&](TReportPreview& w) {
        w.ButtonPdf->click();
        w.ButtonPrint->click();
        EXPECT_TRUE(w.isVisible());  // the preview stays open after printing
    });
    preview(nullptr, incomeListReport(), income_);
    EXPECT_TRUE(isPdf(saved));
    EXPECT_TRUE(isPdf(printed));
    EXPECT_EQ(rec.texts(DialogKind::YesNo), QStringList{kNoPrinter});
    EXPECT_EQ(rec.pendingAnswers(), 0);
}

TEST_F(ReportOutput, QuickRepWithoutDataSetIsAnError) {
    TQuickRep rep;
    rep.Report = incomeListReport();
    EXPECT_THROW(rep.Preview(), mz::data::EngineError);
    mz::data::Cursor closed;
    rep.DataSet = &closed;
    EXPECT_THROW(rep.Prepare(), mz::data::EngineError);
}

// Painting converts each font of a page once and switches font and pen only between items that
// need another: a page whose items change font, colour and frames paints exactly as its items
// painted one by one.
TEST(ReportPaint, ItemsKeepTheirOwnFontsAndColoursOnAPage) {
    ensureFontSubstitutes();
    Font plain, bold, red;
    bold.bold = true;
    bold.sizePt = 14;
    red.colour = Qt::red;
    Page page;
    auto text = [&](const Font& f, double y, const QString& s, Align align = Align::Left) {
        PageItem item;
        item.font = f;
        item.align = align;
        item.text = s;
        item.x = 5;
        item.y = y;
        item.w = 60;
        item.h = 8;
        page.items.push_back(item);
    };
    text(plain, 2, u"山田　太郎"_s);
    text(bold, 10, u"結婚祝"_s, Align::Right);
    text(bold, 20, u"香典"_s);
    PageItem frame;
    frame.kind = PageItem::Kind::Frame;
    frame.x = 2;
    frame.y = 30;
    frame.w = 70;
    frame.h = 10;
    page.items.push_back(frame);
    text(bold, 31, u"枠の中"_s, Align::Centre);
    text(red, 42, u"赤い字"_s);
    text(plain, 52, u"元の字"_s);

    auto blank = [] {
        QImage image(320, 260, QImage::Format_RGB32);
        image.setDotsPerMeterX(3780);  // 96 dpi
        image.setDotsPerMeterY(3780);
        image.fill(Qt::white);
        return image;
    };
    QImage whole = blank(), oneByOne = blank();
    {
        QPainter p(&whole);
        paint(page, p);
    }
    {
        QPainter p(&oneByOne);
        for (const PageItem& item : page.items) paint(Page{1, {item}}, p);
    }
    EXPECT_EQ(whole, oneByOne);
}

// A printout's pages share their decoded pictures. The same picture stored in many records, or
// shown twice on one page, must still appear at every place, also when the cache is too small to
// keep them all and lets them go; different pictures must never stand in for each other.
TEST(ReportPaint, EveryPictureShowsWhenPicturesRepeatAcrossPages) {
    const QRgb red = qRgb(200, 40, 40), blue = qRgb(40, 60, 200), green = qRgb(30, 160, 60);
    // Records 1, 3 and 4 hold the same picture; 2 and 5 others. Record 6 holds none.
    const std::map<quint32, QByteArray> stored = {
        {1, mz::test::colourBitmap(16, 12, red)},  {2, mz::test::colourBitmap(16, 12, blue)},
        {3, mz::test::colourBitmap(16, 12, red)},  {4, mz::test::colourBitmap(16, 12, red)},
        {5, mz::test::colourBitmap(16, 12, green)}, {6, QByteArray()}};
    int loads = 0;
    const PictureLoader loader = [&](quint32 recno, int) {
        ++loads;
        return stored.at(recno);
    };
    const std::map<quint32, QRgb> expected = {{1, red}, {2, blue}, {3, red}, {4, red}, {5, green}};

    auto picture = [](quint32 recno, double x) {
        PageItem item;
        item.kind = PageItem::Kind::Image;
        item.recno = recno;
        item.field = 0;
        item.x = x;
        item.y = 5;
        item.w = 10;
        item.h = 10;
        return item;
    };
    const std::vector<std::vector<quint32>> pages = {{1, 2, 3}, {4, 1, 6, 5}, {3, 3, 2, 4}};
    auto blank = [] {
        QImage image(240, 80, QImage::Format_RGB32);
        image.setDotsPerMeterX(3780);  // 96 dpi: 10 mm is about 38 pixels
        image.setDotsPerMeterY(3780);
        image.fill(Qt::white);
        return image;
    };
    // One picture takes 630 stored and 768 decoded bytes: a budget of 2,000 bytes keeps one at a
    // time, so every new picture lets the earlier one go; one of 1,000 keeps none.
    for (qsizetype budget :
         {PictureCache::defaultBudgetBytes, qsizetype(2000), qsizetype(1000)}) {
        SCOPED_TRACE(budget);
        PictureCache cache(loader, budget);
        for (size_t p = 0; p < pages.size(); ++p) {
            SCOPED_TRACE(p);
            Page page;
            for (size_t i = 0; i < pages[p].size(); ++i)
                page.items.push_back(picture(pages[p][i], 5 + 12 * double(i)));
            QImage shared = blank(), alone = blank();
            {
                QPainter painter(&shared);
                paint(page, painter, cache);
            }
            {
                QPainter painter(&alone);
                paint(page, painter, loader);
            }
            EXPECT_EQ(shared, alone);
            for (size_t i = 0; i < pages[p].size(); ++i) {
                const QPoint centre(int((10 + 12 * double(i)) * 3.78), int(10 * 3.78));
                const auto want = expected.find(pages[p][i]);
                EXPECT_EQ(shared.pixel(centre), want == expected.end() ? qRgb(255, 255, 255)
                                                                        : want->second)
                    << "picture " << i << " of record " << pages[p][i];
            }
        }
        EXPECT_LE(cache.bytesKept(), budget);
    }
    EXPECT_GT(loads, 0);

    // Equal stored pictures come back as one image, which a PDF file then holds once.
    PictureCache cache(loader);
    EXPECT_EQ(cache.image(1, 0).cacheKey(), cache.image(3, 0).cacheKey());
    EXPECT_NE(cache.image(1, 0).cacheKey(), cache.image(2, 0).cacheKey());
    EXPECT_TRUE(cache.image(6, 0).isNull());
}
