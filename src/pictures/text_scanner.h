#pragma once
// Reads text the way the C library's scanf reads "%d", literal characters, blank
// directives and "%[^c]" sets, over a bounded run of bytes that need not end in a
// NUL. Nothing at or beyond `end` is ever read, a NUL byte ends the text as it
// would end a C string, and a set never grows beyond the text it reads from.

#include <cstdint>
#include <string>

class TextScanner {
  public:
    TextScanner(const char* begin, const char* end) : p_(begin), end_(end) {}

    // "%d": optional white space, an optional sign, one or more decimal digits.
    // A value beyond the 32-bit range is clamped to +-2147483647 rather than
    // wrapping, so later arithmetic on it stays defined.
    bool Integer(int32_t* value);

    // A literal character of the format: it must be the next byte.
    bool Literal(char c);

    // A blank in the format: any amount of white space, also none.
    void Spaces();

    // "%[^stop]": one or more bytes up to `stop`, a NUL or the end.
    bool Until(char stop, std::string* out);

    static bool IsSpace(char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  private:
    const char* p_;
    const char* end_;
};
