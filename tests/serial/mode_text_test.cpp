#include "serial/mode_text.h"

#include "quorvex_test.h"

#include <tuple>

TEST(ModeText, BothFormsAndTheirAbbreviations) {
    // text, baud, parity, data bits, stop bits (15: one and a half; 0: not given)
    const std::tuple<const char*, int, char, int, int> cases[] = {
        {"9600,N,8,1", 9600, 'N', 8, 1},
        {"BAUD=19200 PARITY=e DATA=7 STOP=2", 19200, 'E', 7, 2},
        {" 9600 , o , 7 , 1.5 ", 9600, 'O', 7, 15},
        {"COM1: baud=2400 parity=S data=8 stop=1", 2400, 'S', 8, 1},
        {"com2:96,m,8,2,p", 9600, 'M', 8, 2},
        {"115200,,7", 115200, 0, 7, 0},
        {"baud=48 xon=off octs=off to=off dtr=on rts=on idsr=off odsr=off", 4800, 0, 0, 0},
    };
    for (const auto& [text, baud, parity, data, stop] : cases) {
        LineSettings s;
        ASSERT_TRUE(ParseModeText(text, &s)) << text;
        EXPECT_EQ(std::make_tuple(s.baud, s.parity, s.dataBits, s.stopBits),
                  std::make_tuple(baud, parity, data, stop))
            << text;
    }
}

TEST(ModeText, MalformedTextsAreRefusedWithoutChangingAnything) {
    for (const char* text :
         {"9600,X,8,1", "9600,N,9,1", "9600,N,8,3", "9600 N 8 1", "9600,N,8,1,p,x", "-9600,N,8,1",
          "0,N,8,1", "99999999999", "baud=fast", "speed=9600", "baud=9600 N", "parity=NE",
          "data=", "stop=1.25", "xon=maybe"}) {
        LineSettings s;
        s.baud = 1234;
        EXPECT_FALSE(ParseModeText(text, &s)) << text;
        EXPECT_EQ(s.baud, 1234) << text;
    }
    LineSettings s;
    EXPECT_FALSE(ParseModeText(nullptr, &s));
}
