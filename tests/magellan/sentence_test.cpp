// The texts of the sentence link: fields and the port settings.

#include "quorvex_test.h"

#include "magellan/magellan_device.h"
#include "magellan/port_settings.h"

TEST(MagellanField, FieldsByCommaCountAndCutToTheBuffer) {
    struct Row {
        const char* sentence;
        unsigned field;
        int start;  // offset of the field in the sentence, -1 for none
        const char* text;
    };
    const Row rows[] = {
        {"a,b,c,d*12", 3, 6, "d"},
        {"a,b,c,d*12", 4, -1, ""},
        {"a,,c", 1, 2, ""},   // an empty field that exists
        {"a,b,", 2, -1, ""},  // a trailing comma has no field behind it
        // Without a checksum the CR before the LF stays in the last field.
        {"$PMGNRTE,2,2,c,1,PARK,a\r\n", 6, 22, "a\r"},
        {"$X,last", 1, 3, "last"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.sentence) + " field " + std::to_string(row.field));
        char out[MagellanDevice::kFieldBufferSize];
        std::strcpy(out, "stale");
        const char* start = MagellanDevice::GetField(out, row.sentence, row.field);
        EXPECT_EQ(start, row.start < 0 ? nullptr : row.sentence + row.start);
        EXPECT_STREQ(out, row.text);
    }
    // A field longer than the buffer is cut to it.
    GuardedBuffer<MagellanDevice::kFieldBufferSize> buffer;
    const std::string sentence =
        "$PMGNWPL,4807.038,N,01131.000,E,0,M," + std::string(200, 'N') + ",x*00\r\n";
    ASSERT_NE(MagellanDevice::GetField(buffer.text, sentence.c_str(), 7), nullptr);
    EXPECT_EQ(std::string(buffer.text), std::string(79, 'N'));
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(PortSettings, TextsAreBuiltWhole) {
    RecordingFeedback feedback;
    PortSettings settings;
    char port[PortSettings::kPortNameSize];
    char text[PortSettings::kSettingsSize];
    ASSERT_TRUE(settings.SetSettings(4, "1234567890", 7, 'O', 2));
    ASSERT_TRUE(settings.BuildSettings(port, text));
    EXPECT_STREQ(port, "COM4");
    EXPECT_STREQ(text, "baud=1234567890 parity=O data=7 stop=2");

    // A longer baud text is refused and the one before stays.
    EXPECT_FALSE(settings.SetSettings(1, "12345678901", 8, 'N', 1));
    EXPECT_TRUE(
        feedback.HasMessage("Baud rate \"12345678901\" is too long: at most 10 characters."));
    EXPECT_STREQ(settings.baudText, "1234567890");

    // Texts that would not fit their buffers are not built at all.
    settings.SetSettings(2, "1234567890", -2147483647, 'N', -2147483647);
    EXPECT_FALSE(settings.BuildSettings(port, text));
    EXPECT_STREQ(port, "");
    EXPECT_STREQ(text, "");
    settings.SetSettings(123456789, "4800", 8, 'N', 1);
    EXPECT_FALSE(settings.BuildSettings(port, text));
}
