// quorvex-cli identify garmin, run as a program, and the option parser of the
// command-line tool.

#include <gtest/gtest.h>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "simulator_process.h"
#include "test_files.h"

namespace {

CommandResult Identify(const std::string& arguments) {
    return RunCommand(BinDir() + "/quorvex-cli identify garmin " + arguments);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(CliIdentifyGarmin, PrintsWhatTheInterfaceDialogShows) {
    SimulatorProcess sim;
    ASSERT_TRUE(sim.Started()) << sim.Error();
    CommandResult result = Identify("--port " + sim.DevicePath());
    EXPECT_EQ(result.status, kExitOk) << result.output;
    EXPECT_EQ(result.output,
              "Product ID: 900\n"
              "Description: SIMULATED D108 Software Version 3.70\n"
              "Waypoints protocol: A100, D108\n"
              "Routes protocol: A201, D202, D108, D210\n"
              "Tracks protocol: A301, D310, D301\n");

    // An old receiver: the table beside the program names its protocols.
    SimulatorProcess old({"--profile", "old"});
    ASSERT_TRUE(old.Started()) << old.Error();
    result = Identify("--port " + old.DevicePath());
    EXPECT_EQ(result.status, kExitOk) << result.output;
    EXPECT_TRUE(Contains(result.output, "Product ID: 13\n"));
    EXPECT_TRUE(Contains(result.output, "Routes protocol: A200, D200, D100, D0\n"));
}

TEST(CliIdentifyGarmin, UsageMistakesAndMissingPorts) {
    CommandResult result = Identify("");
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_TRUE(Contains(result.output, "--port is required")) << result.output;
    result = Identify("--port /dev/null --baud 4800");
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_TRUE(Contains(result.output, "unknown option '--baud'")) << result.output;
    result = Identify("--port");
    EXPECT_EQ(result.status, kExitUsage);
    result = Identify("--help");
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_TRUE(Contains(result.output, "--port DEV")) << result.output;

    result = Identify("--port /dev/quorvex-no-such-port");
    EXPECT_EQ(result.status, kExitNoReceiver);
    EXPECT_EQ(result.output, "Could not open Serial port /dev/quorvex-no-such-port\nErr = 2\n");
}

TEST(CliOptionsParser, ValuesAreCheckedAgainstTheirKinds) {
    auto parse = [](std::vector<const char*> args, SerialOptions* serial,
                    std::vector<std::string>* pictures, bool* lines) {
        CliOptions options("test");
        AddSerialOptions(options, serial, true);
        options.AddList("--pictures", pictures);
        options.AddSwitch("--track-lines", lines);
        std::vector<char*> argv;
        for (const char* a : args) argv.push_back(const_cast<char*>(a));
        return options.Parse(static_cast<int>(argv.size()), argv.data());
    };
    SerialOptions serial;
    std::vector<std::string> pictures;
    bool lines = false;
    ASSERT_TRUE(parse({"--port", "Com2", "--baud", "9600", "--data", "7", "--parity", "e", "--stop",
                       "2", "--pictures", "a.jpg", "b.jpg", "--track-lines"},
                      &serial, &pictures, &lines));
    EXPECT_EQ(serial.port, "Com2");
    EXPECT_EQ(serial.baud, "9600");
    EXPECT_EQ(serial.dataBits, 7);
    EXPECT_EQ(serial.parity, 'E');
    EXPECT_EQ(serial.stopBits, 2);
    EXPECT_EQ(pictures, std::vector<std::string>({"a.jpg", "b.jpg"}));
    EXPECT_TRUE(lines);

    SerialOptions defaults;
    EXPECT_EQ(defaults.baud, "4800");
    EXPECT_EQ(defaults.parity, 'N');
    for (auto bad : std::vector<std::vector<const char*>>{{"--data", "6"},
                                                          {"--data", "8x"},
                                                          {"--stop", "3"},
                                                          {"--parity", "M"},
                                                          {"--parity", "NE"},
                                                          {"--pictures"},
                                                          {"--pictures", "--track-lines"},
                                                          {"--port"},
                                                          {"port"}}) {
        SerialOptions s;
        std::vector<std::string> p;
        EXPECT_FALSE(parse(bad, &s, &p, &lines)) << bad[0];
    }
}
