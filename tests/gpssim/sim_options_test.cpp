// The simulator's command line and dataset files.

#include "quorvex_test.h"

#include <filesystem>
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
        RunCommand(Sim("--dump-dataset --dataset generated:2000,50,20001")).output, nullptr, false);
    ASSERT_TRUE(d.is_object());
    EXPECT_EQ(d["waypoints"].size(), 2000u);
    EXPECT_EQ(d["routes"].size(), 50u);
    ASSERT_EQ(d["tracks"].size(), 2u);
    EXPECT_EQ(d["tracks"][0]["points"].size() + d["tracks"][1]["points"].size(), 20001u);

    // The dump is served as it reads.
    SimulatorProcess sim({"--dataset", dir.File("examples.json")});
    HostLine line(sim.DevicePath());
    line.SendSentence("$PMGNCMD,WAYPOINT");
    EXPECT_EQ(SentenceField(line.ReadLine(), 7), "HOME");
}

TEST(GpsSimOptions, ShippedDatasetsLoadAndServeTheirEdgeValues) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUORVEX_DATASETS_DIR)) {
        if (entry.path().extension() != ".json") continue;
        ++files;
        EXPECT_EQ(RunCommand(Sim("--dump-dataset --dataset " + entry.path().string())).status, 0)
            << entry.path();
    }
    EXPECT_GT(files, 0);

    // A track point without a time has empty time and date fields.
    SimulatorProcess sim({"--dataset", std::string(QUORVEX_DATASETS_DIR) + "/edge-values.json"});
    HostLine line(sim.DevicePath());
    line.SendSentence("$PMGNCMD,TRACK");
    std::string first = line.ReadLine();
    EXPECT_EQ(first.substr(0, first.find('*')), "$PMGNTRK,4830.000,N,00915.000,E,00000,M,,A,,");
}

}  // namespace
