#include "widgets/celltext.h"

#include "widgets/format.h"

namespace mz::widgets {

namespace {

constexpr char16_t kHalfWidthYen = u'\u00A5';

}  // namespace

CellText fitCellText(const QString& text, const QFontMetricsF& metrics, qreal width, bool number,
                     bool amount) {
    if (!number && !amount) return {text, 1};
    QString candidate = text;
    if (metrics.horizontalAdvance(candidate) <= width) return {candidate, 1};
    if (amount && candidate.contains(QChar(mz::format::kYenSign))) {
        candidate.replace(QChar(mz::format::kYenSign), QChar(kHalfWidthYen));
        if (metrics.horizontalAdvance(candidate) <= width) return {candidate, 1};
        candidate.remove(QChar(kHalfWidthYen));
        if (metrics.horizontalAdvance(candidate) <= width) return {candidate, 1};
    }
    const qreal advance = metrics.horizontalAdvance(candidate);
    if (width <= 0 || advance <= 0) return {candidate, 1};
    return {candidate, width / advance};
}

}  // namespace mz::widgets
