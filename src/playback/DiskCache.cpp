// The player's read-ahead cache.
#include "playback/DiskCache.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace sonivex {

void DiskCache::Clear() {
    first_ = 0;
    held_ = 0;
}

bool DiskCache::Holds(int64_t position, size_t count) const {
    return held_ > 0 && position >= first_ &&
           position + static_cast<int64_t>(count) <= first_ + held_;
}

bool DiskCache::Read(uint8_t* dest, size_t count, int64_t position, int64_t refillBytes,
                     int64_t dataEnd, FileHandle& fd, const std::string& path) {
    if (!Holds(position, count)) {
        Clear();
        const int64_t size = std::min(refillBytes, dataEnd - position);
        if (size < 1) return false;
        try {
            if (bytes_.size() < static_cast<size_t>(size)) bytes_.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            return false;
        }
        fd = ReadFileToMemEx(bytes_.data(), static_cast<size_t>(size), position, fd, path, 0);
        if (fd == 0) return false;
        first_ = position;
        held_ = size;
    }
    if (!Holds(position, count)) return false;
    std::memcpy(dest, bytes_.data() + (position - first_), count);
    return true;
}

}  // namespace sonivex
