// ISO-2022-JP the way mail readers decode it: each character through the Japanese double-byte
// code page (CP932, which knows the vendor characters of station names), its Shift_JIS code
// turned into the JIS row and cell, EUC-JP for the few characters CP932 maps elsewhere.
#include "mail/FCT_ConvChar.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unordered_map>
#include <vector>

#include "mail/Utf8.h"
#include "platform/Clock.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr char kToJis[] = "\x1b$B";
constexpr char kToAscii[] = "\x1b(B";
constexpr uint16_t kGetaMark = 0x222E;  // 〓, for what has no code
constexpr uint16_t kGetaShiftJis = 0x81AC;

// One iconv conversion, reused for every character of a text.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (Ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // The converted bytes; false when the input cannot be converted.
    bool Convert(const std::string& in, std::string& out) {
        out.clear();
        if (!Ok()) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::vector<char> src(in.begin(), in.end());
        std::array<char, 256> buf{};
        char* inPtr = src.data();
        size_t inLeft = src.size();
        while (inLeft > 0) {
            char* outPtr = buf.data();
            size_t outLeft = buf.size();
            const size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buf.data(), buf.size() - outLeft);
            if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        char* outPtr = buf.data();
        size_t outLeft = buf.size();
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buf.data(), buf.size() - outLeft);
        return true;
    }

  private:
    iconv_t cd_;
};

bool ValidJisByte(int b) {
    return b >= 0x21 && b <= 0x7E;
}

// Shift_JIS double-byte code → JIS row/cell bytes (may fall outside 0x21..0x7E).
uint16_t ShiftJisToJis(int lead, int trail) {
    int s1 = lead >= 0xE0 ? lead - 0x40 : lead;
    int j1 = (s1 - 0x81) * 2 + 0x21;
    int j2;
    if (trail >= 0x9F) {
        ++j1;
        j2 = trail - 0x9F + 0x21;
    } else {
        j2 = trail - 0x40 + 0x21 - (trail >= 0x80 ? 1 : 0);
    }
    return static_cast<uint16_t>(j1 << 8 | j2);
}

uint16_t JisToShiftJis(uint16_t jis) {
    const int j1 = jis >> 8, j2 = jis & 0xFF;
    const int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    const int s2 = j2 + ((j1 & 1) ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
    return static_cast<uint16_t>(s1 << 8 | s2);
}

// The IBM extension characters (Shift_JIS 0xFA40..) sit beyond JIS row 94; their twins in the
// NEC-selected rows 89..92 are what ESC $ B can carry.
const std::unordered_map<char32_t, uint16_t>& NecSelectedRows() {
    static const std::unordered_map<char32_t, uint16_t> table = [] {
        std::unordered_map<char32_t, uint16_t> t;
        Converter fromCp932("UTF-8", "CP932");
        for (int j1 = 0x79; j1 <= 0x7C; ++j1) {
            for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
                const uint16_t jis = static_cast<uint16_t>(j1 << 8 | j2);
                const uint16_t sj = JisToShiftJis(jis);
                std::string utf8;
                const std::string in{static_cast<char>(sj >> 8), static_cast<char>(sj & 0xFF)};
                if (!fromCp932.Convert(in, utf8)) continue;
                const std::u32string cps = DecodeUtf8(utf8);
                if (cps.size() == 1) t.emplace(cps[0], jis);
            }
        }
        return t;
    }();
    return table;
}

// The JIS X 0208 code (with NEC rows) of each character, 0 when there is none.
class JisTable {
  public:
    JisTable() : cp932_("CP932", "UTF-8"), eucJp_("EUC-JP", "UTF-8") {}
    uint16_t Code(char32_t c) {
        // The yen sign and overline of Japanese keyboards have only full-width forms in JIS.
        if (c == 0xA5) c = 0xFFE5;
        if (c == 0x203E) c = 0xFFE3;
        std::string bytes;
        const std::string utf8 = EncodeUtf8(c);
        if (cp932_.Convert(utf8, bytes) && bytes.size() == 2) {
            const uint16_t jis = ShiftJisToJis(static_cast<unsigned char>(bytes[0]),
                                               static_cast<unsigned char>(bytes[1]));
            if (ValidJisByte(jis >> 8) && ValidJisByte(jis & 0xFF)) return jis;
            const auto& nec = NecSelectedRows();
            const auto it = nec.find(c);
            if (it != nec.end()) return it->second;
        }
        if (eucJp_.Convert(utf8, bytes) && bytes.size() == 2) {
            const int b1 = static_cast<unsigned char>(bytes[0]) - 0x80;
            const int b2 = static_cast<unsigned char>(bytes[1]) - 0x80;
            if (ValidJisByte(b1) && ValidJisByte(b2)) return static_cast<uint16_t>(b1 << 8 | b2);
        }
        return 0;
    }

  private:
    Converter cp932_;
    Converter eucJp_;
};

std::string CodePointText(char32_t c) {
    std::array<char, 16> buf{};
    std::snprintf(buf.data(), buf.size(), "U+%04X", static_cast<unsigned>(c));
    return buf.data();
}

void LogUnencodable(const std::vector<char32_t>& bad) {
    if (bad.empty()) return;
    std::string list;
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on " " + a temporary.
    for (char32_t c : bad) {
        list += ' ';
        list += CodePointText(c);
    }
    WriteLog("ISO-2022-JPにない文字を〓で送信" + list);
}

// Complete ISO-2022-JP sequences of at most maxBytes each (one piece when maxBytes is 0).
std::vector<std::string> Iso2022jpPieces(const std::u32string& chars, size_t maxBytes) {
    constexpr size_t kEscape = 3;
    JisTable table;
    std::vector<char32_t> bad;
    std::vector<std::string> pieces(1);
    bool inJis = false;
    for (const char32_t c : FullWidthKana(chars)) {
        uint16_t jis = 0;
        if (c >= 0x80 && (jis = table.Code(c)) == 0) {
            bad.push_back(c);
            jis = kGetaMark;
        }
        const bool wantJis = c >= 0x80;
        const size_t need = (wantJis != inJis ? kEscape : 0) + (wantJis ? 2 + kEscape : 1);
        if (maxBytes > 0 && !pieces.back().empty() && pieces.back().size() + need > maxBytes) {
            if (inJis) pieces.back() += kToAscii;
            inJis = false;
            pieces.emplace_back();
        }
        std::string& out = pieces.back();
        if (wantJis != inJis) out += wantJis ? kToJis : kToAscii;
        inJis = wantJis;
        if (wantJis) {
            out += static_cast<char>(jis >> 8);
            out += static_cast<char>(jis & 0xFF);
        } else {
            out += static_cast<char>(c);
        }
    }
    if (inJis) pieces.back() += kToAscii;
    LogUnencodable(bad);
    return pieces;
}

std::string ToIso2022jp(const std::u32string& chars) {
    return Iso2022jpPieces(chars, 0).front();
}

}  // namespace

std::vector<std::string> SplitIso2022jp(const std::string& text, size_t maxBytes) {
    return Iso2022jpPieces(DecodeUtf8(text), maxBytes);
}

int EncodeBody(const std::string& text, std::string& bytes) {
    const size_t before = bytes.size();
    std::u32string run;
    auto flush = [&] {
        if (run.empty()) return;
        const std::string seg = ToIso2022jp(run);
        if (seg.size() > 1) bytes += seg;
        run.clear();
    };
    for (const char32_t c : DecodeUtf8(text)) {
        if (c < 0x80) {
            flush();
            bytes += static_cast<char>(c);
        } else {
            run += c;
        }
    }
    flush();
    return static_cast<int>(bytes.size() - before);
}

std::string EncodeBase64(const std::string& bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t n = 0; n < bytes.size(); n += 3) {
        const size_t left = std::min<size_t>(3, bytes.size() - n);
        uint32_t v = 0;
        for (size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < left ? static_cast<unsigned char>(bytes[n + k]) : 0u);
        for (size_t k = 0; k < 4; ++k)
            out += k <= left ? kAlphabet[(v >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

int AnsiByteLength(const std::string& text) {
    int n = 0;
    for (const char32_t c : DecodeUtf8(text)) n += c < 0x80 ? 1 : 2;
    return n;
}

int ToAnsiBytes(const std::string& text, std::string& bytes) {
    const size_t first = text.find_first_not_of(' ');
    const std::string trimmed = first == std::string::npos
                                    ? ""
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
    JisTable table;
    std::string out;
    for (const char32_t c : FullWidthKana(DecodeUtf8(trimmed))) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const uint16_t jis = table.Code(c);
        const uint16_t sj = jis ? JisToShiftJis(jis) : kGetaShiftJis;
        out += static_cast<char>(sj >> 8);
        out += static_cast<char>(sj & 0xFF);
    }
    for (size_t n = 0; n < bytes.size(); ++n) bytes[n] = n < out.size() ? out[n] : '\0';
    return static_cast<int>(out.size());
}

std::string MailDate(const LocalDateTime& t, int utcOffsetMinutes) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan ", "Feb ", "Mar ", "Apr ", "May ", "Jun ",
                                              "Jul ", "Aug ", "Sep ", "Oct ", "Nov ", "Dec "};
    const int month = std::clamp(t.month, 1, 12);
    const int offset = std::abs(utcOffsetMinutes);
    std::array<char, 64> buf{};
    std::snprintf(buf.data(), buf.size(), "%s, %d %s%04d %02d:%02d:%02d %c%02d%02d",
                  kDays[Weekday(t.year, t.month, t.day)], t.day, kMonths[month - 1], t.year, t.hour,
                  t.minute, t.second, utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return buf.data();
}

int UtcOffsetMinutes(const LocalDateTime& t) {
    std::tm tm = LocalTm(t);
    if (std::mktime(&tm) == static_cast<std::time_t>(-1)) return 0;
    return static_cast<int>(tm.tm_gmtoff / 60);
}

std::string MailDate() {
    const LocalDateTime now = ProgramClock().Now();
    return MailDate(now, UtcOffsetMinutes(now));
}

}  // namespace sonivex
