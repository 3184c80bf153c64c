#pragma once
// Text from receivers arrives as 8-bit characters: Windows-1252 on Garmin units,
// ASCII or Latin-1 on Magellan units. The stores and the .DBF files hold UTF-8,
// so every text is converted once, on arrival.

#include <cstddef>
#include <string>

// The bytes up to `length` or the first NUL, whichever comes first, as UTF-8.
// Windows-1252 puts printable characters (euro sign, quotes, dashes...) at
// 0x80-0x9F; its five unassigned bytes there become the control characters of
// the same number, as Latin-1 reads them.
std::string Windows1252ToUtf8(const char* bytes, size_t length);
std::string Latin1ToUtf8(const char* bytes, size_t length);

// The longest length of at most `maxBytes` at which `text` (of `length` bytes)
// can be cut without splitting a UTF-8 character. Bytes that are not valid UTF-8
// are taken as single characters.
size_t Utf8CutLength(const char* text, size_t length, size_t maxBytes);
