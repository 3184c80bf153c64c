// quorvex-cli magellan against quorvex-gpssim, the simulated receiver, with the
// written shapefiles read back by an independent reader.

#include <gtest/gtest.h>

#include <string>

#include "simulator_process.h"
#include "test_files.h"

namespace {

CommandResult Cli(const std::string& arguments) {
    return RunCommand(BinDir() + "/quorvex-cli " + arguments);
}

bool Has(const CommandResult& run, const std::string& text) {
    return run.output.find(text) != std::string::npos;
}

// The checker's verdict on the files in `dir` against the examples dataset.
CommandResult CheckShapefiles(const TempDir& dir, const std::string& options = "") {
    const std::string dataset = dir.File("examples.json");
    RunCommand(BinDir() + "/quorvex-gpssim --dataset examples --dump-dataset > " + dataset);
    return RunCommand(PythonInterpreter() + " " + TestScript("magellan_check.py") + " " + dataset +
                      " " + dir.path() + " " + options);
}

TEST(MagellanCli, IdentifyAndDownloadMatchTheDataset) {
    SimulatorProcess sim({"--dataset", "examples"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    TempDir dir;
    CommandResult run = Cli("identify magellan --port " + sim.DevicePath());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Has(run,
                    "Product ID: 19\nDescription: QUORVEX SIMULATED RECEIVER\n"
                    "Waypoints protocol: PMGNWPL\nRoutes protocol: PMGNRTE\n"
                    "Tracks protocol: PMGNTRK\n"))
        << run.output;

    run = Cli("magellan --port " + sim.DevicePath() + " --out " + dir.path() + " --track-lines");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(Has(run, "ended early")) << run.output;
    run = CheckShapefiles(dir);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Has(run, "checked: Waypoints Routes Tracks")) << run.output;
}

TEST(MagellanCli, SilentReceiverKeepsWhatArrived) {
    SimulatorProcess sim({"--dataset", "examples", "--silent-after", "5"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    TempDir dir;
    CommandResult run = Cli("magellan --port " + sim.DevicePath() + " --out " + dir.path() +
                            " --no-waypoints --no-routes --track-lines");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Has(run, "Reading Tracks: Timeout...No Response from GPS.")) << run.output;
    EXPECT_TRUE(Has(run, "the files hold what was received")) << run.output;
    // The version reply and four track sentences came before the silence; one of
    // those was a void fix.
    run = CheckShapefiles(dir, "--track-points 3");
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
    EXPECT_TRUE(Has(run, "is not a directory")) << run.output;
    run = Cli(port + " --baud 9600");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run,
                    "Can't open serial port(/dev/no-such-receiver)\n with baud=9600 "
                    "parity=N data=8 stop=1"))
        << run.output;
}

}  // namespace
