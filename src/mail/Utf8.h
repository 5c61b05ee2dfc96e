// UTF-8 to code points and back, and half-width katakana folded to their full-width forms.
#pragma once

#include <string>

namespace sonivex {

// Every malformed byte becomes U+FFFD, so that nothing is silently dropped.
std::u32string DecodeUtf8(const std::string& text);
std::string EncodeUtf8(char32_t c);
std::string EncodeUtf8(const std::u32string& text);
// ｶﾞ → ガ: half-width katakana (U+FF61..U+FF9F) as full-width, a voiced mark joined to the
// kana before it where a joined form exists.
std::u32string FullWidthKana(const std::u32string& text);

}  // namespace sonivex
