// The schedule file "sched.txt": five quoted fields per line, read as UTF-8 or the old code page.
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "monitor/Schedule.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr size_t kFieldsPerLine = 5;
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Bytes of a UTF-8 sequence from its lead byte; 0 for a byte that cannot lead one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const int n = SequenceLength(static_cast<unsigned char>(text[i]));
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

// A whole number, or 0 as the old program read anything else.
int NumberOrZero(const std::string& field) {
    const char* begin = field.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (end == begin || *end != '\0' || errno == ERANGE) return 0;
    if (value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<int>(value);
}

std::string Quoted(const std::string& field) {
    return "\"" + field + "\"";
}

std::string LineOf(const TimerEntry& e) {
    return Quoted(std::to_string(e.channel)) + "," + Quoted(e.start) + "," + Quoted(e.end) + "," +
           Quoted(std::to_string(e.weekdays)) + "," + Quoted(e.date) + "\r\n";
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void LogFailure(const std::string& what, const std::string& path, int error) {
    WriteLog(what + " Failed " + path + " " + std::strerror(error), 1);
}

}  // namespace

std::string LegacyTextToUtf8(const std::string& bytes) {
    if (bytes.compare(0, 3, kByteOrderMark) == 0) return LegacyTextToUtf8(bytes.substr(3));
    return IsValidUtf8(bytes) ? bytes : Cp932ToUtf8(bytes);
}

// A quote opens a field only at its start; inside, only a quote before a comma or the end of the
// line closes it, so commas and other quotes in a quoted field are kept.
std::vector<std::string> SplitScheduleLine(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false, atStart = true;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (atStart && c == '"') {
            quoted = true;
        } else if (quoted && c == '"' && (i + 1 == line.size() || line[i + 1] == ',')) {
            quoted = false;
        } else if (!quoted && c == ',') {
            fields.push_back(field);
            field.clear();
            atStart = true;
            continue;
        } else {
            field += c;
        }
        atStart = false;
    }
    fields.push_back(field);
    return fields;
}

int ScheduleTable::InputTimer(const std::string& pFilename) {
    std::ifstream in(pFilename, std::ios::binary);
    if (!in) {
        if (errno != ENOENT) LogFailure("InputTimer", pFilename, errno);
        return 0;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    Entries.clear();
    std::istringstream text(LegacyTextToUtf8(bytes.str()));
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> f = SplitScheduleLine(line);
        if (f.size() < kFieldsPerLine) continue;
        Entries.push_back({NumberOrZero(f[0]), f[1], f[2], NumberOrZero(f[3]), f[4]});
    }
    return 1;
}

int ScheduleTable::OutputTimer(const std::string& pFilename) const {
    if (Entries.empty()) {
        if (::unlink(pFilename.c_str()) != 0 && errno != ENOENT) {
            LogFailure("OutputTimer", pFilename, errno);
            return 0;
        }
        return 1;
    }
    std::string text;
    for (const TimerEntry& e : Entries) text += LineOf(e);
    const std::string tmp = pFilename + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        LogFailure("OutputTimer", tmp, errno);
        return 0;
    }
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    int error = errno;
    ::close(fd);
    if (ok && ::rename(tmp.c_str(), pFilename.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        LogFailure("OutputTimer", pFilename, error);
        return 0;
    }
    return 1;
}

}  // namespace sonivex
