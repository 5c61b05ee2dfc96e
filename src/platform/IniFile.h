// Private-profile ini files: [section] and key=value lines, read and written like the classic API.
#pragma once

#include <optional>
#include <string>

namespace sonivex {

class IniFile {
  public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }
    // The value of key in section (keys compare case-insensitively), or nothing when the file,
    // the section or the key is missing. Values are trimmed of blanks and of one pair of
    // enclosing quotes.
    std::optional<std::string> Read(const std::string& section, const std::string& key) const;
    // Replaces or adds the key, keeping every other line of the file as it was. The file is
    // replaced atomically and created readable by its owner only. False when it cannot be written.
    bool Write(const std::string& section, const std::string& key, const std::string& value);
    // Whole-file text as UTF-8 (an old CP932 file is decoded), "" when it cannot be read.
    std::string ReadAll() const;

    // Between Hold() and Release(), reads and writes work on a copy in memory that Release()
    // writes once: a first start adds a hundred keys without a hundred disk syncs.
    void Hold();
    bool Release();

  private:
    bool Store(const std::string& text);

    std::string path_;
    std::optional<std::string> held_;
    bool heldChanged_ = false;
};

}  // namespace sonivex
