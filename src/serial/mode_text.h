#pragma once
// The mode text of a serial line in either of its two forms: positional
// ("9600,N,8,1": baud, parity letter, data bits, stop bits, optional retry
// letter) or keywords ("baud=4800 parity=N data=8 stop=1", with to=, xon=,
// odsr=, octs=, dtr=, rts= and idsr= also understood). Both may start with a
// device name ("COM1:"). Settings the text does not mention stay unchanged.

struct LineSettings {
    int baud = 0;           // bits per second; 0 when not given
    char parity = 0;        // 'N', 'E', 'O', 'M' or 'S'; 0 when not given
    int dataBits = 0;       // 5 to 8; 0 when not given
    int stopBits = 0;       // 1, 2, or 15 for one and a half; 0 when not given
    int softwareFlow = -1;  // xon=: 1 on, 0 off, -1 not given
    int hardwareFlow = -1;  // octs= or rts=hs: 1 on, 0 off, -1 not given
};

// Fills `settings` from `text`; false when the text is not a valid mode text.
bool ParseModeText(const char* text, LineSettings* settings);
