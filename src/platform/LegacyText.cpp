// Old files decoded: UTF-8 kept as it is, anything else read as the Japanese Windows code page.
#include "platform/LegacyText.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace sonivex {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

int Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const int n = Utf8SequenceLength(static_cast<unsigned char>(text[i]));
        if (n == 0 || i + n > text.size()) return false;
        for (int k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += static_cast<size_t>(n);
    }
    return true;
}

std::string Cp932ToUtf8(const std::string& bytes) {
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return bytes;
    std::string out;
    std::string in = bytes;
    char* inPtr = in.data();
    size_t inLeft = in.size();
    std::array<char, 256> buf{};
    while (inLeft > 0) {
        char* outPtr = buf.data();
        size_t outLeft = buf.size();
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buf.data(), buf.size() - outLeft);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out += kReplacement;  // an invalid or cut byte: keep going past it
            ++inPtr;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

// Every leading byte-order mark goes, in one pass: a file of nothing else must not cost a copy
// and a stack frame per mark.
std::string LegacyTextToUtf8(const std::string& bytes) {
    size_t start = 0;
    while (bytes.compare(start, 3, kByteOrderMark) == 0) start += 3;
    const std::string text = bytes.substr(start);
    return IsValidUtf8(text) ? text : Cp932ToUtf8(text);
}

}  // namespace sonivex
