// Pruning of old files: a folder's files last written more than `days` days ago, and folders left empty.
#pragma once

#include <string>

namespace sonivex {

void DeleteOldFiles(const std::string& folder, int days = 90);

}  // namespace sonivex
