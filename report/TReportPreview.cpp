#include "report/TReportPreview.h"

#include "platform/errorreport.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;
using mz::platform::guarded;

namespace {
constexpr int kPad = 8;  // room around the page, in pixels
}  // namespace

TReportPreview::TReportPreview(mz::report::Report report, std::vector<mz::report::Page> pages,
                               mz::report::PictureLoader pictures, QWidget* parent)
    : QWidget(parent, Qt::Window),
      report_(std::move(report)),
      pages_(std::move(pages)),
      pictures_(std::move(pictures)) {
    setupUi(this);
    ScrollArea->setBackgroundRole(QPalette::Dark);
    connect(ButtonFirst, &QPushButton::clicked, this,
            guarded(this, &TReportPreview::ButtonFirstClick));
    connect(ButtonPrior, &QPushButton::clicked, this,
            guarded(this, &TReportPreview::ButtonPriorClick));
    connect(ButtonNext, &QPushButton::clicked, this,
            guarded(this, &TReportPreview::ButtonNextClick));
    connect(ButtonLast, &QPushButton::clicked, this,
            guarded(this, &TReportPreview::ButtonLastClick));
    connect(ButtonFitPage, &QPushButton::clicked, this,
            guarded(this, &TReportPreview::ButtonFitPageClick));
    connect(ButtonFitWidth, &QPushButton::clicked, this,
            guarded(this, &TReportPreview::ButtonFitWidthClick));
    connect(ButtonActual, &QPushButton::clicked, this,
            guarded(this, &TReportPreview::ButtonActualClick));
    connect(ButtonPrint, &QPushButton::clicked, this,
            guarded(this, &TReportPreview::ButtonPrintClick));
    connect(ButtonPdf, &QPushButton::clicked, this, guarded(this, &TReportPreview::ButtonPdfClick));
    connect(ButtonClose, &QPushButton::clicked, this,
            guarded(this, &TReportPreview::ButtonCloseClick));
    setWindowState(windowState() | Qt::WindowMaximized);
    updateControls();
}

TReportPreview::~TReportPreview() = default;

QPointer<TReportPreview>& TReportPreview::current() {
    static QPointer<TReportPreview> window;
    return window;
}

QSize TReportPreview::pageImageSize() const {
    return PageImage->size();
}

QSize TReportPreview::viewportSize() const {
    return ScrollArea->viewport()->size();
}

void TReportPreview::ButtonFirstClick() {
    showPage(0);
}
void TReportPreview::ButtonPriorClick() {
    showPage(page_ - 1);
}
void TReportPreview::ButtonNextClick() {
    showPage(page_ + 1);
}
void TReportPreview::ButtonLastClick() {
    showPage(pageCount() - 1);
}
void TReportPreview::ButtonFitPageClick() {
    setZoom(Zoom::FitPage);
}
void TReportPreview::ButtonFitWidthClick() {
    setZoom(Zoom::FitWidth);
}
void TReportPreview::ButtonActualClick() {
    setZoom(Zoom::Actual);
}

void TReportPreview::ButtonPrintClick() {
    mz::report::printPages(this, report_, pages_, pictures_);
}

void TReportPreview::ButtonPdfClick() {
    mz::report::savePdf(this, report_, pages_, pictures_);
}

void TReportPreview::ButtonCloseClick() {
    close();
}

void TReportPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (zoom_ != Zoom::Actual) render();
}

void TReportPreview::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    render();
}

void TReportPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_PageDown:
            ButtonNextClick();
            break;
        case Qt::Key_PageUp:
            ButtonPriorClick();
            break;
        case Qt::Key_Home:
            ButtonFirstClick();
            break;
        case Qt::Key_End:
            ButtonLastClick();
            break;
        case Qt::Key_Escape:
            close();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void TReportPreview::showPage(int index) {
    if (pages_.empty()) return;
    index = std::clamp(index, 0, pageCount() - 1);
    if (index == page_ && pixelsPerMm_ > 0) return;
    page_ = index;
    render();
}

void TReportPreview::setZoom(Zoom zoom) {
    zoom_ = zoom;
    render();
}

// Draws the current page at the zoom's scale. Only this page is drawn, so only its pictures are
// decoded.
void TReportPreview::render() {
    const double paperW = report_.paperWidth();
    const double paperH = report_.paperHeight();
    if (paperW <= 0 || paperH <= 0) return;
    // The whole page is in view when it fits: no scroll bars then, and no room kept for them.
    const Qt::ScrollBarPolicy bars =
        zoom_ == Zoom::FitPage ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    ScrollArea->setHorizontalScrollBarPolicy(bars);
    ScrollArea->setVerticalScrollBarPolicy(bars);
    const QSize view = ScrollArea->viewport()->size();
    const int scrollBar = ScrollArea->verticalScrollBar()->sizeHint().width();
    switch (zoom_) {
        case Zoom::FitPage:
            pixelsPerMm_ =
                std::min((view.width() - 2 * kPad) / paperW, (view.height() - 2 * kPad) / paperH);
            break;
        case Zoom::FitWidth:
            pixelsPerMm_ = (view.width() - 2 * kPad - scrollBar) / paperW;
            break;
        case Zoom::Actual:
            pixelsPerMm_ = logicalDpiX() / 25.4;
            break;
    }
    // A whole number of dots per inch, so that fonts, sized in points, scale exactly as the
    // positions do.
    pixelsPerMm_ = std::floor(std::clamp(pixelsPerMm_, 0.5, 12.0) * 25.4) / 25.4;

    const double ratio = std::max(1.0, devicePixelRatioF());
    const QSize size(qRound(paperW * pixelsPerMm_), qRound(paperH * pixelsPerMm_));
    QImage image(size * ratio, QImage::Format_RGB32);
    const int dotsPerMeter = int(std::ceil(pixelsPerMm_ * ratio * 1000));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    if (!pages_.empty()) {
        QPainter painter(&image);
        mz::report::paint(pages_[size_t(page_)], painter, pictures_);
    }
    image.setDevicePixelRatio(ratio);
    PageImage->setPixmap(QPixmap::fromImage(image));
    PageImage->resize(size);
    updateControls();
}

void TReportPreview::updateControls() {
    const int count = pageCount();
    LabelPage->setText(u"%1 / %2 ページ"_s.arg(count ? page_ + 1 : 0).arg(count));
    ButtonFirst->setEnabled(page_ > 0);
    ButtonPrior->setEnabled(page_ > 0);
    ButtonNext->setEnabled(page_ + 1 < count);
    ButtonLast->setEnabled(page_ + 1 < count);
    ButtonPrint->setEnabled(count > 0);
    ButtonPdf->setEnabled(count > 0);
    ButtonFitPage->setChecked(zoom_ == Zoom::FitPage);
    ButtonFitWidth->setChecked(zoom_ == Zoom::FitWidth);
    ButtonActual->setChecked(zoom_ == Zoom::Actual);
}
