#pragma once
// How a number is drawn into a grid cell that may be too narrow for it. A number cut off at the
// cell's edge reads as another number (￥123,456,789 in a 78-pixel column loses its first digit
// or half of its yen sign), so a number is never cut: it is drawn in the first of these forms
// that fits the cell —
//   1. as it is ("￥123,456,789"),
//   2. an amount with the half-width yen sign ("¥123,456,789"),
//   3. an amount without the yen sign ("123,456,789"),
// and when even the last form is too wide, it is drawn narrower, squeezed to the cell's width.
// Text that is not a number is drawn as it is and cut at the edge, as the layouts measure it.

#include <QFontMetricsF>
#include <QString>

namespace mz::widgets {

struct CellText {
    QString text;       // what is drawn
    qreal squeeze = 1;  // horizontal scale of the drawing, 1 or less
};

// The form of `text` to draw into `width` pixels with the font of `metrics`. `amount`: the text
// is a yen amount whose sign may be narrowed or dropped; `number`: it may be squeezed but not
// changed. Neither: the text as it is.
CellText fitCellText(const QString& text, const QFontMetricsF& metrics, qreal width, bool number,
                     bool amount);

}  // namespace mz::widgets
