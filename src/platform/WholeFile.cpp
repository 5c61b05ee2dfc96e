// Whole-file reading and replacing: regular files only on reading, links and modes kept on writing.
#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace sonivex {

namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own limit on a chain of links

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Reads an open descriptor to its end; false with errno set on a failed read.
bool ReadAll(int fd, std::string& bytes) {
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n == 0) return true;
        if (n < 0 && errno != EINTR) return false;
        if (n > 0) bytes.append(block, static_cast<size_t>(n));
    }
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, int& error) {
    // Non-blocking so that a FIFO in the file's place cannot hang the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    struct stat st {};
    std::string bytes;
    error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (!ReadAll(fd, bytes))
        error = errno;
    ::close(fd);
    if (error != 0) return std::nullopt;
    return bytes;
}

bool IsSymbolicLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string LinkTarget(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinks && IsSymbolicLink(current); ++hop) {
        char target[4096];
        const ssize_t n = ::readlink(current.c_str(), target, sizeof target - 1);
        if (n <= 0) break;
        const std::string next(target, static_cast<size_t>(n));
        const auto slash = current.rfind('/');
        current = next[0] == '/' || slash == std::string::npos
                      ? next
                      : current.substr(0, slash + 1) + next;
    }
    return current;
}

namespace {

// The rename itself reaches the disk only with its folder.
void SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

int ReplaceFile(const std::string& path, const std::string& text, mode_t newMode) {
    const std::string target = LinkTarget(path);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    const std::string tmp = target + ".tmp";
    const int fd =
        ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, newMode);
    if (fd < 0) return errno;
    bool ok = true;
    if (existed) {
        // Only root may give the file back to another owner; anyone else keeps it as theirs.
        ok = ::fchown(fd, old.st_uid, old.st_gid) == 0 || errno == EPERM;
        ok = ok && ::fchmod(fd, old.st_mode & 07777) == 0;  // after chown, which clears set-id bits
    }
    ok = ok && WriteAll(fd, text) && ::fsync(fd) == 0;
    int error = ok ? 0 : (errno != 0 ? errno : EIO);
    ::close(fd);
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0)
        ::unlink(tmp.c_str());
    else
        SyncFolderOf(target);
    return error;
}

}  // namespace sonivex
