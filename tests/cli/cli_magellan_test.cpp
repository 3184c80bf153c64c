// quorvex-cli magellan against quorvex-gpssim, the simulated receiver, with the
// written shapefiles read back by independent readers. (Line faults and usage
// mistakes: the fault matrix and CliCommands.)

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
    // On a pipe, one line per finished transfer with the number of records that came.
    for (const char* line : {"\nWaypoints 3 in ", "\nRoutes 5 in ", "\nTrackPoints 14 in "})
        EXPECT_TRUE(Contains(run.output, line)) << run.output;
    EXPECT_FALSE(Contains(run.output, "Routes 1"));
    run = CheckAgainstDataset("download_check.py", "examples", dir.path(), "--magellan");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "checked: Waypoints Routes Tracks"));
}

}  // namespace
