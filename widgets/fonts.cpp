#include "widgets/fonts.h"

namespace mz::widgets {

QFont pixelFont(const char* family, int pixels, bool bold) {
    QFont f(QString::fromUtf8(family));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void installFontSubstitutes() {
    QFont::insertSubstitution(QString::fromUtf8(kGothic), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QString::fromUtf8(kPGothic), QStringLiteral("IPAPGothic"));
}

}  // namespace mz::widgets
