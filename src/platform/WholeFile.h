// Whole-file reading and replacing for the program's own small text files.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace sonivex {

// The bytes of a regular file; nothing, with `error` set to the errno, when it is missing
// (ENOENT), a folder (EISDIR), another kind of file (EINVAL) or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, int& error);

// The path a chain of symbolic links ends at, whether that exists or not; the path itself when it
// is not a link.
std::string LinkTarget(const std::string& path);
bool IsSymbolicLink(const std::string& path);

// Replaces the file with `text` through a temporary file beside it, so a crash or a full disk
// never leaves half a file. A symbolic link stays a link (its target is replaced); an existing
// file keeps its mode and owner, a new one gets `newMode`. 0, or the errno of the failure.
int ReplaceFile(const std::string& path, const std::string& text, mode_t newMode);

}  // namespace sonivex
