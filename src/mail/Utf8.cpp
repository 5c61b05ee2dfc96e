// UTF-8 decoding and encoding, half-width katakana folding.
#include "mail/Utf8.h"

#include <array>

#include "platform/LegacyText.h"

namespace sonivex {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Full-width forms of U+FF61..U+FF9F, in order.
constexpr std::array<char16_t, 63> kFullWidth = {
    u'。', u'「', u'」', u'、', u'・', u'ヲ', u'ァ', u'ィ', u'ゥ', u'ェ', u'ォ', u'ャ', u'ュ',
    u'ョ', u'ッ', u'ー', u'ア', u'イ', u'ウ', u'エ', u'オ', u'カ', u'キ', u'ク', u'ケ', u'コ',
    u'サ', u'シ', u'ス', u'セ', u'ソ', u'タ', u'チ', u'ツ', u'テ', u'ト', u'ナ', u'ニ', u'ヌ',
    u'ネ', u'ノ', u'ハ', u'ヒ', u'フ', u'ヘ', u'ホ', u'マ', u'ミ', u'ム', u'メ', u'モ', u'ヤ',
    u'ユ', u'ヨ', u'ラ', u'リ', u'ル', u'レ', u'ロ', u'ワ', u'ン', u'゛', u'゜'};
constexpr char32_t kHalfFirst = 0xFF61;
constexpr char32_t kHalfVoiced = 0xFF9E;
constexpr char32_t kHalfSemiVoiced = 0xFF9F;

bool SemiVoiceable(char32_t k) {
    return k >= u'ハ' && k <= u'ホ' && (k - u'ハ') % 3 == 0;
}

bool Voiceable(char32_t k) {
    return (k >= u'カ' && k <= u'チ' && (k - u'カ') % 2 == 0) || k == u'ツ' || k == u'テ' ||
           k == u'ト' || SemiVoiceable(k);
}
}  // namespace

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    out.reserve(text.size());
    size_t n = 0;
    while (n < text.size()) {
        const auto b = static_cast<unsigned char>(text[n]);
        const int len = Utf8SequenceLength(b);
        if (len == 1) {
            out += b;
            ++n;
            continue;
        }
        char32_t c = len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
        bool ok = len > 0 && n + static_cast<size_t>(len) <= text.size();
        for (int k = 1; ok && k < len; ++k) {
            const auto t = static_cast<unsigned char>(text[n + k]);
            ok = (t & 0xC0) == 0x80;
            c = c << 6 | (t & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are malformed too.
        ok = ok && !(len == 3 && c < 0x800) && !(len == 4 && (c < 0x10000 || c > 0x10FFFF)) &&
             !(c >= 0xD800 && c <= 0xDFFF);
        out += ok ? c : kReplacement;
        n += ok ? static_cast<size_t>(len) : 1;
    }
    return out;
}

std::string EncodeUtf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string EncodeUtf8(const std::u32string& text) {
    std::string out;
    for (const char32_t c : text) out += EncodeUtf8(c);
    return out;
}

std::u32string FullWidthKana(const std::u32string& text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t n = 0; n < text.size(); ++n) {
        const char32_t c = text[n];
        if (c < kHalfFirst || c > kHalfSemiVoiced) {
            out += c;
            continue;
        }
        char32_t k = kFullWidth[c - kHalfFirst];
        const char32_t next = n + 1 < text.size() ? text[n + 1] : 0;
        if (next == kHalfVoiced && k == u'ウ') {
            k = u'ヴ';
            ++n;
        } else if (next == kHalfVoiced && Voiceable(k)) {
            k += 1;
            ++n;
        } else if (next == kHalfSemiVoiced && SemiVoiceable(k)) {
            k += 2;
            ++n;
        }
        out += k;
    }
    return out;
}

}  // namespace sonivex
