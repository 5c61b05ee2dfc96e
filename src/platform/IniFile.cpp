// Ini reading and writing. Writes go to a temporary file that replaces the original, so a crash or
// a full disk never leaves half a settings file.
#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/LegacyText.h"

namespace sonivex {

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "[name]" → name; otherwise nothing.
std::optional<std::string> SectionName(const std::string& line) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
    return Trim(t.substr(1, t.size() - 2));
}

// "key=value" → key; comments and other lines → nothing.
std::optional<std::string> KeyOf(const std::string& line) {
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string::npos) return std::nullopt;
    return Trim(t.substr(0, eq));
}

}  // namespace

std::string IniFile::ReadAll() const {
    if (held_) return *held_;
    std::ifstream in(path_, std::ios::binary);
    if (!in) return "";
    std::ostringstream text;
    text << in.rdbuf();
    // A file from the Windows installation is CP932; it becomes UTF-8 at the first write.
    return LegacyTextToUtf8(text.str());
}

std::optional<std::string> IniFile::Read(const std::string& section, const std::string& key) const {
    bool inSection = false;
    for (const std::string& line : SplitLines(ReadAll())) {
        if (auto name = SectionName(line)) {
            inSection = EqualNoCase(*name, section);
            continue;
        }
        if (!inSection) continue;
        if (auto k = KeyOf(line); k && EqualNoCase(*k, key)) {
            return Trim(line.substr(line.find('=') + 1));
        }
    }
    return std::nullopt;
}

bool IniFile::Write(const std::string& section, const std::string& key, const std::string& value) {
    std::vector<std::string> lines = SplitLines(ReadAll());
    const std::string entry = key + "=" + value;
    bool inSection = false;
    long sectionEnd = -1;  // index after the last line of the section
    for (size_t n = 0; n < lines.size(); ++n) {
        if (auto name = SectionName(lines[n])) {
            inSection = EqualNoCase(*name, section);
            if (inSection) sectionEnd = static_cast<long>(n) + 1;
            continue;
        }
        if (!inSection) continue;
        if (auto k = KeyOf(lines[n]); k && EqualNoCase(*k, key)) {
            lines[n] = entry;
            sectionEnd = -2;
            break;
        }
        if (!Trim(lines[n]).empty()) sectionEnd = static_cast<long>(n) + 1;
    }
    if (sectionEnd == -1) {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    } else if (sectionEnd >= 0) {
        lines.insert(lines.begin() + sectionEnd, entry);
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return Store(text);
}

bool IniFile::Store(const std::string& text) {
    if (!held_) return WriteFileAtomically(path_, text) == 0;
    held_ = text;
    heldChanged_ = true;
    return true;
}

void IniFile::Hold() {
    if (!held_) held_ = ReadAll();
}

bool IniFile::Release() {
    if (!held_) return true;
    const std::string text = std::move(*held_);
    held_.reset();
    const bool changed = heldChanged_;
    heldChanged_ = false;
    return !changed || WriteFileAtomically(path_, text) == 0;
}

}  // namespace sonivex
