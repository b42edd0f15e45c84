#include "widgets/kana.h"

#include <iterator>

namespace mz::widgets {

namespace {

// Full-width katakana U+30A1 (ァ) to U+30FA (ヺ), in code order.
constexpr const char16_t* kKatakana[] = {
    u"ｧ",  u"ｱ",  u"ｨ",  u"ｲ",  u"ｩ",  u"ｳ",  u"ｪ",  u"ｴ",  u"ｫ",  u"ｵ",          // ァ - オ
    u"ｶ",  u"ｶﾞ", u"ｷ",  u"ｷﾞ", u"ｸ",  u"ｸﾞ", u"ｹ",  u"ｹﾞ", u"ｺ",  u"ｺﾞ",         // カ - ゴ
    u"ｻ",  u"ｻﾞ", u"ｼ",  u"ｼﾞ", u"ｽ",  u"ｽﾞ", u"ｾ",  u"ｾﾞ", u"ｿ",  u"ｿﾞ",         // サ - ゾ
    u"ﾀ",  u"ﾀﾞ", u"ﾁ",  u"ﾁﾞ", u"ｯ",  u"ﾂ",  u"ﾂﾞ", u"ﾃ",  u"ﾃﾞ", u"ﾄ",  u"ﾄﾞ",  // タ - ド
    u"ﾅ",  u"ﾆ",  u"ﾇ",  u"ﾈ",  u"ﾉ",                                             // ナ - ノ
    u"ﾊ",  u"ﾊﾞ", u"ﾊﾟ", u"ﾋ",  u"ﾋﾞ", u"ﾋﾟ", u"ﾌ",  u"ﾌﾞ", u"ﾌﾟ",                // ハ - プ
    u"ﾍ",  u"ﾍﾞ", u"ﾍﾟ", u"ﾎ",  u"ﾎﾞ", u"ﾎﾟ",                                     // ヘ - ポ
    u"ﾏ",  u"ﾐ",  u"ﾑ",  u"ﾒ",  u"ﾓ",                                             // マ - モ
    u"ｬ",  u"ﾔ",  u"ｭ",  u"ﾕ",  u"ｮ",  u"ﾖ",                                      // ャ - ヨ
    u"ﾗ",  u"ﾘ",  u"ﾙ",  u"ﾚ",  u"ﾛ",                                             // ラ - ロ
    u"ﾜ",  u"ﾜ",  u"ｲ",  u"ｴ",  u"ｦ",  u"ﾝ",  u"ｳﾞ", u"ｶ",  u"ｹ",                 // ヮ - ヶ
    u"ﾜﾞ", u"ｲﾞ", u"ｴﾞ", u"ｦﾞ",                                                   // ヷ - ヺ
};
constexpr char16_t kFirstKatakana = 0x30A1;
constexpr char16_t kLastKatakana = 0x30FA;
static_assert(std::size(kKatakana) == kLastKatakana - kFirstKatakana + 1);

// Hiragana U+3041 (ぁ) to U+3096 (ゖ) sit 0x60 below their katakana.
constexpr char16_t kFirstHiragana = 0x3041;
constexpr char16_t kLastHiragana = 0x3096;
constexpr char16_t kHiraganaToKatakana = 0x60;

char16_t halfWidthSign(char16_t c) {
    switch (c) {
        case 0x3001:
            return 0xFF64;  // 、 → ､
        case 0x3002:
            return 0xFF61;  // 。 → ｡
        case 0x300C:
            return 0xFF62;  // 「 → ｢
        case 0x300D:
            return 0xFF63;  // 」 → ｣
        case 0x30FB:
            return 0xFF65;  // ・ → ･
        case 0x30FC:
            return 0xFF70;  // ー → ｰ
        case 0x309B:        // ゛ → ﾞ
        case 0x3099:
            return 0xFF9E;  // combining voiced mark
        case 0x309C:        // ゜ → ﾟ
        case 0x309A:
            return 0xFF9F;  // combining semi-voiced mark
        default:
            return 0;
    }
}

}  // namespace

QString toHalfWidthKatakana(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 2);
    for (QChar qc : text) {
        char16_t c = qc.unicode();
        if (c >= kFirstHiragana && c <= kLastHiragana)
            c = static_cast<char16_t>(c + kHiraganaToKatakana);
        if (c >= kFirstKatakana && c <= kLastKatakana) {
            out += QString::fromUtf16(kKatakana[c - kFirstKatakana]);
        } else if (const char16_t sign = halfWidthSign(c)) {
            out += QChar(sign);
        } else {
            out += qc;
        }
    }
    return out;
}

}  // namespace mz::widgets
