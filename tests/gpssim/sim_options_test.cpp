// The simulator's command line and dataset files.

#include "quorvex_test.h"

#include <nlohmann/json.hpp>

namespace {

std::string Sim(const std::string& arguments) {
    return BinDir() + "/quorvex-gpssim " + arguments;
}

TEST(GpsSimOptions, BadUsageAndBadDatasetsAreRefused) {
    EXPECT_EQ(RunCommand(Sim("--help")).status, 0);
    for (const char* bad : {"--no-such-option", "--baud 0", "--silent-after -1", "--profile d999"})
        EXPECT_EQ(RunCommand(Sim(bad)).status, 2) << bad;
    EXPECT_EQ(RunCommand(Sim("--dataset nowhere")).status, 1);
    EXPECT_EQ(RunCommand(Sim("--dataset generated:5,1")).status, 1);

    TempDir dir;
    struct Case {
        const char* json;
        const char* message;
    } cases[] = {
        {"{\"waypoints\": [", "not valid JSON"},
        {"{\"waypoints\": [{\"ident\": \"A\", \"lat\": 91, \"lon\": 0}]}", "waypoint 1: latitude"},
        {"{\"waypoints\": [{\"lat\": 1, \"lon\": 0}]}", "waypoint 1: \"ident\" is missing"},
        {"{\"routes\": [{\"points\": [\"NOPE\"]}]}", "route 1: no waypoint \"NOPE\""},
        {"{\"tracks\": [{\"points\": [{\"lat\": 1, \"lon\": 2, \"time\": \"yesterday\"}]}]}",
         "track 1, point 1: time"},
    };
    for (const Case& c : cases) {
        std::ofstream(dir.File("bad.json"), std::ios::trunc) << c.json;
        CommandResult r = RunCommand(Sim("--dump-dataset --dataset " + dir.File("bad.json")));
        EXPECT_EQ(r.status, 1) << c.json;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }
}

TEST(GpsSimOptions, DumpedAndGeneratedDatasets) {
    TempDir dir;
    CommandResult dump = RunCommand(Sim("--dump-dataset --dataset examples"));
    ASSERT_EQ(dump.status, 0);
    std::ofstream(dir.File("examples.json")) << dump.output;
    CommandResult again = RunCommand(Sim("--dump-dataset --dataset " + dir.File("examples.json")));
    EXPECT_EQ(again.output, dump.output);

    auto d = nlohmann::json::parse(
        RunCommand(Sim("--dump-dataset --dataset generated:200,5,2001")).output, nullptr, false);
    ASSERT_TRUE(d.is_object());
    EXPECT_EQ(d["waypoints"].size(), 200u);
    EXPECT_EQ(d["routes"].size(), 5u);
    ASSERT_EQ(d["tracks"].size(), 2u);
    EXPECT_EQ(d["tracks"][0]["points"].size() + d["tracks"][1]["points"].size(), 2001u);

    // The dump is served as it reads.
    SimulatorProcess sim({"--dataset", dir.File("examples.json")});
    HostLine line(sim.DevicePath());
    line.SendSentence("$PMGNCMD,WAYPOINT");
    EXPECT_EQ(SentenceField(line.ReadLine(), 7), "HOME");
}

// The shipped dataset loads (the fault matrix serves it too); a track point
// without a time has empty time and date fields.
TEST(GpsSimOptions, ShippedDatasetServesItsEdgeValues) {
    SimulatorProcess sim({"--dataset", std::string(QUORVEX_DATASETS_DIR) + "/edge-values.json"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    HostLine line(sim.DevicePath());
    line.SendSentence("$PMGNCMD,TRACK");
    std::string first = line.ReadLine();
    EXPECT_EQ(first.substr(0, first.find('*')), "$PMGNTRK,4830.000,N,00915.000,E,00000,M,,A,,");
}

}  // namespace
