// The player's read-ahead cache: large reads from the file, page-sized copies out of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "playback/WaveMMIO.h"

namespace sonivex {

class DiskCache {
  public:
    void Clear();
    // Copies count bytes at file byte `position` into dest. When the cache does not hold them,
    // it first reads refillBytes (but not past dataEnd) at `position` through `fd`, which is
    // opened from `path` when 0 and is 0 again after a failed read. False on failure.
    bool Read(uint8_t* dest, size_t count, int64_t position, int64_t refillBytes, int64_t dataEnd,
              FileHandle& fd, const std::string& path);

  private:
    bool Holds(int64_t position, size_t count) const;

    std::vector<uint8_t> bytes_;
    int64_t first_ = 0;  // file position of bytes_[0]
    int64_t held_ = 0;   // valid bytes; 0 = empty
};

}  // namespace sonivex
