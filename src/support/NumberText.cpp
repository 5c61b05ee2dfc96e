// Locale-free number texts: from_chars and to_chars never look at LC_NUMERIC, unlike strtod and
// printf, which a German or French desktop switches to a decimal comma.
#include "support/NumberText.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace sonivex {

bool NumericText(const std::string& text, double& value) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const size_t last = text.find_last_not_of(" \t");
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    const bool plus = *begin == '+';
    if (plus) ++begin;
    if (begin == end ||
        ((plus || *begin != '-') && *begin != '.' && (*begin < '0' || *begin > '9')))
        return false;
    const auto r = std::from_chars(begin, end, value, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == end && std::isfinite(value);
}

std::string FixedText(double value, int decimals) {
    char text[400];  // the widest double in fixed notation has 309 digits before the point
    const auto r =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(text, r.ptr) : "";
}

}  // namespace sonivex
