#pragma once
// Pages of a list laid out in code rather than in bands (the balance statement, the return-gift
// list): labels and rules placed in millimetres on A4 pages, each page numbered at its foot.

#include "report/report.h"

#include <QString>

#include <vector>

namespace mz::report {

// A font of the report engine by family, size in points and weight.
Font makeFont(const char16_t* family, double pt, bool bold = false);

class PageWriter {
public:
    // The printable frame of every page, in millimetres from the page's top left corner.
    struct Frame {
        double left, top, width, bottom;
    };
    // The page number stands in this much space above the frame's bottom.
    static constexpr double kFooterHeight = 8;

    explicit PageWriter(Frame frame) : frame_(frame) {}

protected:
    // The lowest point a line of the body may reach: above the page number.
    double bodyBottom() const { return frame_.bottom - kFooterHeight; }

    // Numbers the page in hand (if any) and starts the next one at the frame's top.
    void newPage();
    // Numbers the last page; run once when the list is complete.
    void finishPage();
    // A label; an empty text places nothing.
    void text(double x, double y, double w, double h, const Font& f, const QString& s, Align a);
    // A thin line across the frame at the current position, which moves below it.
    void rule();

    const Frame frame_;
    std::vector<Page> pages_;
    double y_ = 0;  // the current position on the page in hand
};

}  // namespace mz::report
