#pragma once
// The preview window of a report: one page at a time, zoomed to fit the whole page when it
// opens (maximised), with paging, printing and saving as PDF. It is opened modally through
// mz::report::preview(), which returns when the user closes it.

#include "report/report.h"
#include "ui_TReportPreview.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class TReportPreview : public QWidget, public Ui::TReportPreview {
    Q_OBJECT
public:
    enum class Zoom { FitPage, FitWidth, Actual };

    TReportPreview(mz::report::Report report, std::vector<mz::report::Page> pages,
                   mz::report::PictureLoader pictures, QWidget* parent = nullptr);
    ~TReportPreview() override;

    // The preview that is open, if any (the modal helper keeps it up to date).
    static QPointer<TReportPreview>& current();

    int currentPage() const { return page_ + 1; }  // 1-based
    int pageCount() const { return int(pages_.size()); }
    Zoom zoom() const { return zoom_; }
    double pixelsPerMm() const { return pixelsPerMm_; }
    QSize pageImageSize() const;  // the drawn page, in device-independent pixels
    QSize viewportSize() const;

public Q_SLOTS:
    void ButtonFirstClick();
    void ButtonPriorClick();
    void ButtonNextClick();
    void ButtonLastClick();
    void ButtonFitPageClick();
    void ButtonFitWidthClick();
    void ButtonActualClick();
    void ButtonPrintClick();
    void ButtonPdfClick();
    void ButtonCloseClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showPage(int index);
    void setZoom(Zoom zoom);
    void render();
    void updateControls();

    mz::report::Report report_;
    std::vector<mz::report::Page> pages_;
    mz::report::PictureLoader pictures_;
    int page_ = 0;
    Zoom zoom_ = Zoom::FitPage;
    double pixelsPerMm_ = 0;
};
