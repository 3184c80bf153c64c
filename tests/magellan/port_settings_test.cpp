// The port name and settings text of a Magellan import.

#include "magellan/port_settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "recording_feedback.h"

TEST(PortSettings, DefaultsAndChosenValues) {
    PortSettings settings;
    char port[PortSettings::kPortNameSize];
    char text[PortSettings::kSettingsSize];
    ASSERT_TRUE(settings.BuildSettings(port, text));
    EXPECT_STREQ(port, "COM2");
    EXPECT_STREQ(text, "baud=4800 parity=N data=8 stop=1");

    ASSERT_TRUE(settings.SetSettings(4, "115200", 7, 'O', 2));
    ASSERT_TRUE(settings.BuildSettings(port, text));
    EXPECT_STREQ(port, "COM4");
    EXPECT_STREQ(text, "baud=115200 parity=O data=7 stop=2");

    // A typed rate goes through unchanged: the serial port decides on it.
    ASSERT_TRUE(settings.SetBaudText("1234"));
    ASSERT_TRUE(settings.BuildSettingsText(text));
    EXPECT_STREQ(text, "baud=1234 parity=O data=7 stop=2");
}

TEST(PortSettings, BaudTextLongerThanTenCharactersIsRefused) {
    RecordingFeedback feedback;
    PortSettings settings;
    char text[PortSettings::kSettingsSize];

    ASSERT_TRUE(settings.SetBaudText("1234567890"));
    ASSERT_TRUE(settings.BuildSettingsText(text));
    EXPECT_STREQ(text, "baud=1234567890 parity=N data=8 stop=1");
    EXPECT_TRUE(feedback.messages.empty());

    EXPECT_FALSE(settings.SetBaudText("12345678901"));
    EXPECT_TRUE(feedback.HasMessage("12345678901"));
    EXPECT_TRUE(feedback.HasMessage("at most 10 characters"));
    EXPECT_STREQ(settings.baudText, "1234567890");

    EXPECT_FALSE(settings.SetSettings(1, "9600 parity=E data=7", 8, 'N', 1));
    EXPECT_STREQ(settings.baudText, "1234567890");
    EXPECT_EQ(settings.portNumber, 1);
}

TEST(PortSettings, TextsThatWouldNotFitAreNotBuilt) {
    PortSettings settings;
    char port[PortSettings::kPortNameSize];
    char text[PortSettings::kSettingsSize];
    settings.SetSettings(2, "1234567890", -2147483647, 'N', -2147483647);
    EXPECT_FALSE(settings.BuildSettings(port, text));
    EXPECT_STREQ(port, "");
    EXPECT_STREQ(text, "");

    settings.SetSettings(123456789, "4800", 8, 'N', 1);
    EXPECT_FALSE(settings.BuildSettings(port, text));
}
