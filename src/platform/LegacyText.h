// Text files written by the Windows installation are in the Japanese code page (CP932); ours are
// UTF-8. Readers pass what they read through here so both load unchanged.
#pragma once

#include <string>

namespace sonivex {

// Bytes of a UTF-8 sequence from its lead byte; 0 for a byte that cannot lead one.
int Utf8SequenceLength(unsigned char lead);
bool IsValidUtf8(const std::string& text);
// Bytes that CP932 cannot decode become U+FFFD; nothing is dropped silently.
std::string Cp932ToUtf8(const std::string& bytes);
// UTF-8 as it is (without a byte-order mark), anything else read as CP932.
std::string LegacyTextToUtf8(const std::string& bytes);

}  // namespace sonivex
