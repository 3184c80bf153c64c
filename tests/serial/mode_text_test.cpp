#include "serial/mode_text.h"

#include <gtest/gtest.h>

namespace {

LineSettings Parsed(const char* text) {
    LineSettings s;
    EXPECT_TRUE(ParseModeText(text, &s)) << text;
    return s;
}

void ExpectLine(const LineSettings& s, int baud, char parity, int data, int stop) {
    EXPECT_EQ(s.baud, baud);
    EXPECT_EQ(s.parity, parity);
    EXPECT_EQ(s.dataBits, data);
    EXPECT_EQ(s.stopBits, stop);
}

}  // namespace

TEST(ModeText, BothFormsGiveTheSameLine) {
    ExpectLine(Parsed("9600,N,8,1"), 9600, 'N', 8, 1);
    ExpectLine(Parsed("baud=4800 parity=N data=8 stop=1"), 4800, 'N', 8, 1);
    ExpectLine(Parsed("BAUD=19200 PARITY=e DATA=7 STOP=2"), 19200, 'E', 7, 2);
    ExpectLine(Parsed(" 9600 , o , 7 , 1.5 "), 9600, 'O', 7, 15);
    ExpectLine(Parsed("COM1: baud=2400 parity=S data=8 stop=1"), 2400, 'S', 8, 1);
    ExpectLine(Parsed("com2:1200,m,8,2,p"), 1200, 'M', 8, 2);
}

TEST(ModeText, TwoDigitRatesAreAbbreviations) {
    EXPECT_EQ(Parsed("96,N,8,1").baud, 9600);
    EXPECT_EQ(Parsed("baud=48").baud, 4800);
    EXPECT_EQ(Parsed("19").baud, 19200);
    EXPECT_EQ(Parsed("11").baud, 110);
    EXPECT_EQ(Parsed("115200,N,8,1").baud, 115200);
}

TEST(ModeText, SettingsNotGivenStayUnset) {
    ExpectLine(Parsed("4800"), 4800, 0, 0, 0);
    ExpectLine(Parsed("9600,,7"), 9600, 0, 7, 0);
    ExpectLine(Parsed("parity=E"), 0, 'E', 0, 0);
    LineSettings flow = Parsed("baud=9600 xon=on octs=off to=off dtr=on rts=hs idsr=off odsr=off");
    EXPECT_EQ(flow.softwareFlow, 1);
    EXPECT_EQ(flow.hardwareFlow, 1);
    EXPECT_EQ(Parsed("9600,N,8,1").softwareFlow, -1);
}

TEST(ModeText, MalformedTextsAreRefused) {
    const char* refused[] = {
        "9600,X,8,1",     "9600,N,9,1",   "9600,N,4,1",        "9600,N,8,3",  "9600 N 8 1",
        "9600,N,8,1,p,x", "9600,N,8,1,q", "fast,N,8,1",        "-9600,N,8,1", "0,N,8,1",
        "baud=fast",      "speed=9600",   "baud=9600 N",       "parity=NE",   "data=",
        "stop=1.25",      "xon=maybe",    "99999999999,N,8,1",
    };
    for (const char* text : refused) {
        LineSettings s;
        s.baud = 1234;
        EXPECT_FALSE(ParseModeText(text, &s)) << text;
        EXPECT_EQ(s.baud, 1234) << "a refused text must not change the settings: " << text;
    }
    LineSettings s;
    EXPECT_FALSE(ParseModeText(nullptr, &s));
}
