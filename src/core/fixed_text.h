#pragma once
// Fixed-width text fields: the stores keep names in arrays of fixed size and copy
// into them with truncation, always leaving a terminator.

#include <cstddef>
#include <cstring>

// Copies at most `capacity` - 1 characters of `text` into `field` and terminates
// it; a null `text` leaves the field empty.
inline void CopyFixedText(char* field, size_t capacity, const char* text) {
    if (capacity == 0) return;
    size_t length = 0;
    if (text) {
        while (length + 1 < capacity && text[length] != '\0') ++length;
        std::memcpy(field, text, length);
    }
    field[length] = '\0';
}

template <size_t N>
inline void CopyFixedText(char (&field)[N], const char* text) {
    CopyFixedText(field, N, text);
}
