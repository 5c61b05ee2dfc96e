// Character sets for mail: ISO-2022-JP as mail readers decode it, Base64, the byte form of the
// header block, and the text of the Date header. Texts are UTF-8; byte results are std::string.
#pragma once

#include <string>
#include <vector>

#include "platform/CivilTime.h"

namespace sonivex {

// ISO-2022-JP: ASCII stays as it is; every other character is written under ESC $ B as JIS X 0208
// with the NEC row 13 and NEC-selected IBM rows (①, Ⅲ, ㈱, 髙), half-width katakana as
// full-width. A character with no such code becomes 〓 and is logged.

// The text cut into complete sequences (each back in ASCII, ESC ( B, at its end) of at most
// maxBytes bytes each, for encoded words; at least one piece.
std::vector<std::string> SplitIso2022jp(const std::string& text, size_t maxBytes);

// The mail body: ASCII bytes as they are, each run of other characters as its own
// ISO-2022-JP segment. Appends to bytes; the count appended.
int EncodeBody(const std::string& text, std::string& bytes);

// RFC 4648 Base64 with padding, one line.
std::string EncodeBase64(const std::string& bytes);

// Bytes of text in the double-byte code page: 1 per ASCII character, 2 per other character.
int AnsiByteLength(const std::string& text);
// Writes text without leading and trailing spaces into bytes (as sized by the caller: writes
// beyond its end are skipped, the rest is zeroed), other characters as their two Shift_JIS
// bytes. The count the trimmed text needs.
int ToAnsiBytes(const std::string& text, std::string& bytes);

// "Sat, 5 Dec 2026 09:05:03 +0900": the offset is the zone's offset from UTC in minutes.
std::string MailDate(const LocalDateTime& t, int utcOffsetMinutes);
// The Date text of the program clock's now in the machine's time zone.
std::string MailDate();
// The machine's offset from UTC in minutes at local time t.
int UtcOffsetMinutes(const LocalDateTime& t);

}  // namespace sonivex
