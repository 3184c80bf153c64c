#include "magellan/port_settings.h"

#include <cstdio>
#include <cstring>

#include "core/fixed_text.h"
#include "core/user_feedback.h"

bool PortSettings::SetSettings(int port, const char* baud, int data, char parityLetter, int stop) {
    portNumber = port;
    dataBits = data;
    parity = parityLetter;
    stopBits = stop;
    return SetBaudText(baud);
}

bool PortSettings::SetBaudText(const char* text) {
    if (text == nullptr) text = "";
    if (std::strlen(text) > static_cast<size_t>(kMaxBaudText)) {
        ShowMessage(
            FormatText("Baud rate \"%s\" is too long: at most %d characters.", text, kMaxBaudText));
        return false;
    }
    CopyFixedText(baudText, text);
    return true;
}

bool PortSettings::BuildSettingsText(char (&settings)[kSettingsSize]) const {
    const int length = std::snprintf(settings, sizeof settings, "baud=%s parity=%c data=%d stop=%d",
                                     baudText, parity, dataBits, stopBits);
    if (length < 0 || length >= static_cast<int>(sizeof settings)) {
        settings[0] = '\0';
        return false;
    }
    return true;
}

bool PortSettings::BuildSettings(char (&portName)[kPortNameSize],
                                 char (&settings)[kSettingsSize]) const {
    const int length = std::snprintf(portName, sizeof portName, "COM%d", portNumber);
    if (length < 0 || length >= static_cast<int>(sizeof portName) || !BuildSettingsText(settings)) {
        portName[0] = '\0';
        settings[0] = '\0';
        return false;
    }
    return true;
}
