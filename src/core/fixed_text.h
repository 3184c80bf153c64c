#pragma once
// Fixed-width text fields: the stores keep names in arrays of fixed size and copy
// into them with truncation, always leaving a terminator.

#include <cstddef>
#include <cstring>

#include "core/text_encoding.h"

// Copies at most `capacity` - 1 bytes of `text` into `field`, never half of a
// UTF-8 character, and terminates it; a null `text` leaves the field empty.
inline void CopyFixedText(char* field, size_t capacity, const char* text) {
    if (capacity == 0) return;
    size_t length = 0;
    if (text) {
        length = Utf8CutLength(text, strnlen(text, capacity), capacity - 1);
        std::memcpy(field, text, length);
    }
    field[length] = '\0';
}

template <size_t N>
inline void CopyFixedText(char (&field)[N], const char* text) {
    CopyFixedText(field, N, text);
}
