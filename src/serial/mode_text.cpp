#include "serial/mode_text.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(s[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
    return s.substr(begin, end - begin);
}

bool AllDigits(const std::string& s) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// Baud rates may be given by their first two digits, as the old mode syntax allows.
bool ParseBaud(const std::string& text, int* baud) {
    if (!AllDigits(text)) return false;
    int value = std::atoi(text.c_str());
    static const int kAbbreviated[][2] = {{11, 110},  {15, 150},  {30, 300},
                                          {60, 600},  {12, 1200}, {24, 2400},
                                          {48, 4800}, {96, 9600}, {19, 19200}};
    if (text.size() == 2) {
        for (const auto& pair : kAbbreviated)
            if (pair[0] == value) value = pair[1];
    }
    if (value <= 0) return false;
    *baud = value;
    return true;
}

bool ParseParity(const std::string& text, char* parity) {
    if (text.size() != 1) return false;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (std::strchr("NEOMS", c) == nullptr) return false;
    *parity = c;
    return true;
}

bool ParseDataBits(const std::string& text, int* dataBits) {
    if (text.size() != 1 || text[0] < '5' || text[0] > '8') return false;
    *dataBits = text[0] - '0';
    return true;
}

bool ParseStopBits(const std::string& text, int* stopBits) {
    if (text == "1") {
        *stopBits = 1;
    } else if (text == "1.5") {
        *stopBits = 15;
    } else if (text == "2") {
        *stopBits = 2;
    } else {
        return false;
    }
    return true;
}

bool ParseOnOff(const std::string& text, int* flag) {
    if (text == "on") {
        *flag = 1;
    } else if (text == "off") {
        *flag = 0;
    } else {
        return false;
    }
    return true;
}

// Skips a leading device name ("COM1:" or "com2 "), which the text may carry.
const char* SkipDeviceName(const char* text) {
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    for (int i = 0; i < 3; ++i)
        if (std::tolower(static_cast<unsigned char>(p[i])) != "com"[i]) return text;
    const char* q = p + 3;
    if (!std::isdigit(static_cast<unsigned char>(*q))) return text;
    while (std::isdigit(static_cast<unsigned char>(*q))) ++q;
    if (*q == ':') return q + 1;
    if (*q == '\0' || std::isspace(static_cast<unsigned char>(*q))) return q;
    return text;
}

bool ParsePositional(const std::string& text, LineSettings* s) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        fields.push_back(Trim(text.substr(start, comma - start)));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (fields.size() > 5) return false;
    // An empty field leaves its setting unchanged ("9600,,8,1").
    if (!fields[0].empty() && !ParseBaud(fields[0], &s->baud)) return false;
    if (fields.size() > 1 && !fields[1].empty() && !ParseParity(fields[1], &s->parity))
        return false;
    if (fields.size() > 2 && !fields[2].empty() && !ParseDataBits(fields[2], &s->dataBits))
        return false;
    if (fields.size() > 3 && !fields[3].empty() && !ParseStopBits(fields[3], &s->stopBits))
        return false;
    if (fields.size() > 4 && !fields[4].empty()) {
        // Retry letter of the old syntax: accepted, nothing on this line depends on it.
        std::string retry = Lower(fields[4]);
        if (retry != "p" && retry != "e" && retry != "b" && retry != "n") return false;
    }
    return true;
}

bool ParseKeywords(const std::string& text, LineSettings* s) {
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        if (pos >= text.size()) break;
        size_t end = pos;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        std::string word = Lower(text.substr(pos, end - pos));
        pos = end;
        size_t equals = word.find('=');
        if (equals == std::string::npos) return false;
        std::string key = word.substr(0, equals);
        std::string value = word.substr(equals + 1);
        int ignored = 0;
        if (key == "baud") {
            if (!ParseBaud(value, &s->baud)) return false;
        } else if (key == "parity") {
            if (!ParseParity(value, &s->parity)) return false;
        } else if (key == "data") {
            if (!ParseDataBits(value, &s->dataBits)) return false;
        } else if (key == "stop") {
            if (!ParseStopBits(value, &s->stopBits)) return false;
        } else if (key == "xon") {
            if (!ParseOnOff(value, &s->softwareFlow)) return false;
        } else if (key == "octs") {
            if (!ParseOnOff(value, &s->hardwareFlow)) return false;
        } else if (key == "rts") {
            if (value == "hs") {
                s->hardwareFlow = 1;
            } else if (value != "on" && value != "off" && value != "tg") {
                return false;
            }
        } else if (key == "dtr") {
            if (value != "hs" && !ParseOnOff(value, &ignored)) return false;
        } else if (key == "to" || key == "odsr" || key == "idsr") {
            // Time-out and DSR handling: accepted; the line here has no use for them.
            if (!ParseOnOff(value, &ignored)) return false;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseModeText(const char* text, LineSettings* settings) {
    if (text == nullptr || settings == nullptr) return false;
    std::string body = SkipDeviceName(text);
    LineSettings parsed;
    bool ok = body.find('=') != std::string::npos ? ParseKeywords(body, &parsed)
                                                  : ParsePositional(Trim(body), &parsed);
    if (!ok) return false;
    *settings = parsed;
    return true;
}
