// Whole-file writes that a crash, a power cut or a full disk never leave half done: the text goes
// to a temporary file beside the target, is flushed to the disk, and then replaces the target.
#pragma once

#include <sys/types.h>

#include <string>

namespace sonivex {

// 0 on success, else the errno of the step that failed (the target is then unchanged).
int WriteFileAtomically(const std::string& path, const std::string& bytes, mode_t mode = 0600);

}  // namespace sonivex
