#pragma once
// The two fonts every window is drawn in, by the names the layouts give them. Start-up maps them
// to the metric-compatible IPA fonts (installFontSubstitutes).

#include <QFont>

namespace mz::widgets {

inline const char* const kGothic = "ＭＳ ゴシック";    // fixed-pitch: data controls
inline const char* const kPGothic = "ＭＳ Ｐゴシック";  // proportional: window fonts

// A font of the given family and height in pixels, as the layouts give sizes.
QFont pixelFont(const char* family, int pixels, bool bold = false);

// Maps the layout font names to the installed IPA fonts; call before QApplication exists.
void installFontSubstitutes();

}  // namespace mz::widgets
