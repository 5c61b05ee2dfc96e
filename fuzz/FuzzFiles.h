// A scratch folder for the targets whose parsers read and write files: on tmpfs when there is
// one, so that the writers' fsync costs nothing, and removed when the fuzzer exits.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace sonivex::fuzz {

class Scratch {
  public:
    Scratch() {
        std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        pattern += "/sonivex-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern + "/";
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// The folder, with a trailing '/'.
inline const std::string& ScratchFolder() {
    static const Scratch scratch;
    return scratch.Path();
}

inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) std::abort();
}

}  // namespace sonivex::fuzz
