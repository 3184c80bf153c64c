// quorvex-cli identify garmin, run as a program, and the tool's option parser.

#include <tuple>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "quorvex_test.h"

TEST(CliIdentifyGarmin, PrintsWhatTheInterfaceDialogShowsOrWhyNot) {
    auto identify = [](const std::string& arguments) {
        return RunProgram("quorvex-cli identify garmin " + arguments);
    };
    SimulatorProcess sim;
    ASSERT_TRUE(sim.Started()) << sim.Error();
    CommandResult result = identify("--port " + sim.DevicePath());
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.output,
              "Product ID: 900\nDescription: SIMULATED D108 Software Version 3.70\n"
              "Waypoints protocol: A100, D108\nRoutes protocol: A201, D202, D108, D210\n"
              "Tracks protocol: A301, D310, D301\n");

    for (const char* arguments : {"", "--port /dev/null --baud 4800", "--port"})
        EXPECT_EQ(identify(arguments).status, kExitUsage) << arguments;
    result = identify("--port /dev/quorvex-no-such-port");
    EXPECT_EQ(result.status, kExitNoReceiver);
    EXPECT_EQ(result.output, "Could not open Serial port /dev/quorvex-no-such-port\nErr = 2\n");
}

TEST(CliOptionsParser, ValuesAreCheckedAgainstTheirKinds) {
    SerialOptions serial;
    std::vector<std::string> pictures;
    bool lines = false;
    auto parse = [&](std::vector<const char*> args) {
        CliOptions options("test");
        AddSerialOptions(options, &serial, true);
        options.AddList("--pictures", &pictures);
        options.AddSwitch("--track-lines", &lines);
        std::vector<char*> argv;
        for (const char* a : args) argv.push_back(const_cast<char*>(a));
        return options.Parse(static_cast<int>(argv.size()), argv.data());
    };
    ASSERT_TRUE(parse({"--port", "Com2", "--baud", "9600", "--data", "7", "--parity", "e", "--stop",
                       "2", "--pictures", "a.jpg", "b.jpg", "--track-lines"}));
    EXPECT_EQ(std::tie(serial.port, serial.baud, serial.dataBits, serial.parity, serial.stopBits),
              std::make_tuple("Com2", "9600", 7, 'E', 2));
    EXPECT_EQ(pictures, std::vector<std::string>({"a.jpg", "b.jpg"}));
    EXPECT_TRUE(lines);
    for (auto bad : std::vector<std::vector<const char*>>{{"--data", "6"},
                                                          {"--data", "8x"},
                                                          {"--stop", "3"},
                                                          {"--parity", "M"},
                                                          {"--parity", "NE"},
                                                          {"--pictures"},
                                                          {"--pictures", "--track-lines"},
                                                          {"port"}})
        EXPECT_FALSE(parse(bad)) << bad[0];
}
