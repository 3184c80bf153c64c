// quorvex-cli magellan against quorvex-gpssim, the simulated receiver, with the
// written shapefiles read back by an independent reader.

#include "quorvex_test.h"

namespace {

CommandResult Cli(const std::string& arguments) {
    return RunProgram("quorvex-cli " + arguments);
}

TEST(MagellanCli, IdentifyAndDownloadMatchTheDataset) {
    SimulatorProcess sim({"--dataset", "examples"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    TempDir dir;
    CommandResult run = Cli("identify magellan --port " + sim.DevicePath());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output,
                         "Product ID: 19\nDescription: QUORVEX SIMULATED RECEIVER\n"
                         "Waypoints protocol: PMGNWPL\nRoutes protocol: PMGNRTE\n"
                         "Tracks protocol: PMGNTRK\n"));
    run = Cli("magellan --port " + sim.DevicePath() + " --out " + dir.path() + " --track-lines");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(Contains(run.output, "ended early"));
    run = CheckAgainstDataset("magellan_check.py", "examples", dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "checked: Waypoints Routes Tracks"));
}

TEST(MagellanCli, SilentReceiverKeepsWhatArrived) {
    SimulatorProcess sim({"--dataset", "examples", "--silent-after", "5"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    TempDir dir;
    CommandResult run = Cli("magellan --port " + sim.DevicePath() + " --out " + dir.path() +
                            " --no-waypoints --no-routes --track-lines");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "Reading Tracks: Timeout...No Response from GPS."));
    EXPECT_TRUE(Contains(run.output, "the files hold what was received"));
    // The version reply and four track sentences came before the silence; one of
    // those was a void fix.
    run = CheckAgainstDataset("magellan_check.py", "examples", dir.path(), "--track-points 3");
    EXPECT_EQ(run.status, 0) << run.output;
}

TEST(MagellanCli, RefusedSettingsAndPortsThatDoNotOpen) {
    TempDir dir;
    const std::string port = "magellan --out " + dir.path() + " --port /dev/no-such-receiver";
    for (const char* bad : {" --baud 12345678901", " --data 9", " --parity X"})
        EXPECT_EQ(Cli(port + bad).status, 2) << bad;
    // Said before any download, not after it.
    CommandResult run = Cli("magellan --port /dev/no-such-receiver --out /dev/null");
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(Contains(run.output, "is not a directory"));
    run = Cli(port + " --baud 9600");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output,
                         "Can't open serial port(/dev/no-such-receiver)\n with baud=9600 "
                         "parity=N data=8 stop=1"));
}

}  // namespace
