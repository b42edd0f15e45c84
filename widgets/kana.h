#pragma once
// Kana conversion of the half-width katakana input mode: what the user types or pastes into a
// reading field is stored as half-width katakana, the way the address book keeps readings.

#include <QString>

namespace mz::widgets {

// Hiragana and full-width katakana become half-width katakana, a voiced or semi-voiced letter
// becoming its plain letter followed by the separate mark (が → ｶﾞ, ぱ → ﾊﾟ, ヴ → ｳﾞ). Small
// letters stay small (ゃ → ｬ, っ → ｯ); letters that half-width katakana lacks take the nearest
// one (ゎ → ﾜ, ゐ → ｲ, ゑ → ｴ, ヵ → ｶ, ヶ → ｹ). The long-vowel mark and the kana punctuation
// convert too (ー → ｰ, 。 → ｡, 「 → ｢, 」 → ｣, 、 → ､, ・ → ･, ゛ → ﾞ, ゜ → ﾟ). Everything
// else (kanji, Latin letters, digits, blanks, half-width katakana) is left as it is.
QString toHalfWidthKatakana(const QString& text);

}  // namespace mz::widgets
