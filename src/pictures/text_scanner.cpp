#include "pictures/text_scanner.h"

bool TextScanner::Integer(int32_t* value) {
    Spaces();
    bool negative = false;
    if (p_ < end_ && (*p_ == '+' || *p_ == '-')) {
        negative = *p_ == '-';
        ++p_;
    }
    if (p_ >= end_ || !IsDigit(*p_)) return false;
    int64_t magnitude = 0;
    for (; p_ < end_ && IsDigit(*p_); ++p_) {
        if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (*p_ - '0');
    }
    if (magnitude > INT32_MAX) magnitude = INT32_MAX;
    *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool TextScanner::Literal(char c) {
    if (p_ >= end_ || *p_ != c) return false;
    ++p_;
    return true;
}

void TextScanner::Spaces() {
    while (p_ < end_ && IsSpace(*p_)) ++p_;
}

bool TextScanner::Until(char stop, std::string* out) {
    const char* start = p_;
    while (p_ < end_ && *p_ != stop && *p_ != '\0') ++p_;
    if (p_ == start) return false;
    out->assign(start, p_);
    return true;
}
