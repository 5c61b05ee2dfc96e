// Test data in the Windows Japanese code page, as the old installation wrote its files.
#pragma once

#include <iconv.h>

#include <string>

namespace sonivex::testing {

// The bytes of a UTF-8 text in CP932.
inline std::string ToCp932(const std::string& text) {
    const iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string in = text, out(text.size() * 2, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace sonivex::testing
