#pragma once
// The serial line settings of a Magellan import (port COM1..COM4, baud rate as
// typed, data bits, parity letter, stop bits) and the two texts the port is
// opened with. The command-line tool and the "Communication Port Properties"
// dialog both keep their values here.

#include <cstdint>

struct PortSettings {
    static constexpr int kMaxBaudText = 10;   // characters of a baud rate text
    static constexpr int kPortNameSize = 8;   // "COM%d"
    static constexpr int kSettingsSize = 40;  // "baud=%s parity=%c data=%d stop=%d"

    // Stores the five values. False, with a message, when the baud text is too
    // long; the other four are stored all the same and the baud text stays as it was.
    bool SetSettings(int port, const char* baud, int data, char parityLetter, int stop);

    // False, with a message, when `text` has more than kMaxBaudText characters;
    // the baud text then stays as it was.
    bool SetBaudText(const char* text);

    // Formats the port name ("COM2") and the settings text ("baud=4800 parity=N
    // data=8 stop=1"). False when either would not fit its buffer (data or stop
    // bits of more than one digit); the texts are then empty.
    bool BuildSettings(char (&portName)[kPortNameSize], char (&settings)[kSettingsSize]) const;

    // Formats only the settings text, for a port given by its device path.
    bool BuildSettingsText(char (&settings)[kSettingsSize]) const;

    char baudText[kMaxBaudText + 1] = "4800";
    int32_t portNumber = 2;
    int32_t dataBits = 8;
    int32_t stopBits = 1;
    char parity = 'N';
};
