// quorvex-cli garmin as a program against the simulated receiver: every
// receiver profile and dataset, the layer choices, picture matching and the
// faults of a real line, with the written shapefiles read back by pyshp and
// compared with the dataset the simulator served.

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "pty_pair.h"
#include "simulator_process.h"
#include "test_files.h"

namespace {

// The record layouts of a simulator profile, as the checker takes them.
struct Profile {
    const char* name;
    const char* layouts;
    bool trackLog;
};

const Profile kProfiles[] = {
    {"current", "--waypoint-type 108 --route-types 201,202,108 --track-types 301,310,301", true},
    {"d109", "--waypoint-type 109 --route-types 201,202,109 --track-types 301,310,301", true},
    {"old", "--waypoint-type 100 --route-types 200,200,100 --track-types 300,300", true},
    {"d100", "--waypoint-type 100 --route-types 200,200,100 --track-types 300,300", true},
    {"d101", "--waypoint-type 101 --route-types 201,201,101 --track-types 300,300", true},
    {"d102", "--waypoint-type 102 --route-types 201,201,102 --track-types 300,300", true},
    {"d103", "--waypoint-type 103 --route-types 201,201,103 --track-types 300,300", true},
    {"d104", "--waypoint-type 104 --route-types 201,201,104 --track-types 300,300", true},
    {"d105", "--waypoint-type 105 --route-types 201,202,105 --track-types 301,310,301", true},
    {"d106", "--waypoint-type 106 --route-types 201,202,106 --track-types 301,310,301", true},
    {"d107", "--waypoint-type 107 --route-types 200,200,107 --track-types 300,300", true},
    {"d150", "--waypoint-type 150 --route-types 201,201,150", false},
    {"d151", "--waypoint-type 151 --route-types 200,200,151 --track-types 300,300", true},
    {"d152", "--waypoint-type 152 --route-types 201,201,152 --track-types 300,300", true},
    {"d154", "--waypoint-type 154 --route-types 201,201,154 --track-types 301,310,301", true},
    {"d155", "--waypoint-type 155 --route-types 201,201,155 --track-types 300,300", true},
    {"d200", "--waypoint-type 108 --route-types 200,200,108 --track-types 300,300", true},
    {"d201", "--waypoint-type 108 --route-types 201,201,108 --track-types 301,310,301", true},
    {"d202", "--waypoint-type 108 --route-types 201,202,108 --track-types 301,310,301", true},
    {"d300", "--waypoint-type 108 --route-types 201,202,108 --track-types 300,300", true},
    {"d301", "--waypoint-type 108 --route-types 201,202,108 --track-types 301,310,301", true},
};

const Profile& FindProfile(const std::string& name) {
    for (const Profile& p : kProfiles)
        if (name == p.name) return p;
    return kProfiles[0];
}

const char kEndedEarly[] = "quorvex-cli: a transfer ended early or skipped data";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string EdgeDataset() {
    return std::string(QUORVEX_CLI_TEST_DATA) + "/garmin_edges.json";
}

// One download: a simulator with `simArguments`, quorvex-cli with `arguments`,
// the written files compared with the dataset by the checker.
class GarminDownload {
  public:
    explicit GarminDownload(const std::vector<std::string>& simArguments)
        : dataset_(DatasetOf(simArguments)), sim_(simArguments) {}

    CommandResult Run(const std::string& arguments) {
        if (!sim_.Started()) return CommandResult{-1, "simulator: " + sim_.Error()};
        return RunCommand(BinDir() + "/quorvex-cli garmin --port " + sim_.DevicePath() + " --out " +
                          out.path() + " " + arguments + " 2>&1");
    }

    // The checker's verdict ("" when the files match the dataset).
    std::string Check(const std::string& arguments) {
        const std::string json = work_.File("dataset.json");
        if (!WriteDataset(json)) return "could not dump the dataset";
        CommandResult check = RunCommand(PythonInterpreter() + " " + TestScript("garmin_check.py") +
                                         " " + json + " " + out.path() + " " + arguments);
        return check.status == 0 ? "" : check.output;
    }

    // A Python expression over the reader `r` of one written set, printed.
    std::string Read(const std::string& name, const std::string& expression) {
        const std::string base = out.File(name);
        return RunCommand(PythonInterpreter() + " -c 'import shapefile\nr = shapefile.Reader(\"" +
                          base + "\")\nprint(" + expression + ")'")
            .output;
    }

    TempDir out;

  private:
    static std::string DatasetOf(const std::vector<std::string>& simArguments) {
        for (size_t i = 0; i + 1 < simArguments.size(); ++i)
            if (simArguments[i] == "--dataset") return simArguments[i + 1];
        return "builtin";
    }
    bool WriteDataset(const std::string& file) {
        return RunCommand(BinDir() + "/quorvex-gpssim --dataset " + dataset_ +
                          " --dump-dataset > " + file)
                   .status == 0;
    }

    std::string dataset_;
    SimulatorProcess sim_;
    TempDir work_;
};

struct DownloadCase {
    const char* profile;
    const char* dataset;
};

void PrintTo(const DownloadCase& c, std::ostream* os) {
    *os << c.profile << " with " << c.dataset;
}

class EveryProfile : public ::testing::TestWithParam<DownloadCase> {};

std::string CaseName(const ::testing::TestParamInfo<DownloadCase>& info) {
    return std::string(info.param.profile) + "_" + info.param.dataset;
}

std::vector<DownloadCase> AllCases() {
    std::vector<DownloadCase> cases;
    for (const Profile& p : kProfiles) cases.push_back({p.name, "builtin"});
    for (const char* p : {"current", "old", "d201", "d301"}) cases.push_back({p, "examples"});
    for (const char* p : {"current", "d100", "d105", "d151", "d201", "d300"})
        cases.push_back({p, "edges"});
    return cases;
}

}  // namespace

// All four layers from every receiver profile: each record layout decoded and
// written as the dataset says.
TEST_P(EveryProfile, WritesWhatTheReceiverHolds) {
    const Profile& profile = FindProfile(GetParam().profile);
    std::string dataset = GetParam().dataset;
    if (dataset == "edges") dataset = EdgeDataset();
    GarminDownload download({"--profile", profile.name, "--dataset", dataset});
    CommandResult result = download.Run("--track-lines --track-points");
    ASSERT_EQ(result.status, kExitOk) << result.output;
    EXPECT_FALSE(Contains(result.output, kEndedEarly)) << result.output;
    const std::string layers =
        profile.trackLog ? "Waypoints,Routes,Tracks,TracksPts" : "Waypoints,Routes";
    EXPECT_EQ(download.Check(std::string("--layers ") + layers + " " + profile.layouts), "");
}

INSTANTIATE_TEST_SUITE_P(CliGarmin, EveryProfile, ::testing::ValuesIn(AllCases()), CaseName);

TEST(CliGarmin, LayerChoicesAndFileNames) {
    const Profile& current = FindProfile("current");
    {
        // The defaults: waypoints and routes.
        GarminDownload download({});
        CommandResult result = download.Run("");
        ASSERT_EQ(result.status, kExitOk) << result.output;
        EXPECT_TRUE(Contains(result.output,
                             "Garmin receiver: product ID 900, SIMULATED D108 Software Version "
                             "3.70\nProtocols: A100, D108; A201, D202, D108, D210; A301, D310, "
                             "D301\n"))
            << result.output;
        EXPECT_EQ(download.Check(std::string("--layers Waypoints,Routes ") + current.layouts), "");
    }
    {
        // Nothing chosen: the receiver is reached, nothing is written.
        GarminDownload download({});
        CommandResult result = download.Run("--no-waypoints --no-routes");
        EXPECT_EQ(result.status, kExitOk) << result.output;
        EXPECT_EQ(download.Check("--layers ''"), "");
    }
    {
        // Other names; the track log twice, as lines and as points.
        GarminDownload download({});
        CommandResult result = download.Run(
            "--no-routes --track-lines --track-points --waypoints-file Stops --tracks-file Log");
        ASSERT_EQ(result.status, kExitOk) << result.output;
        EXPECT_EQ(
            download.Check(std::string("--layers Waypoints=Stops,Tracks=Log,TracksPts=LogPts ") +
                           current.layouts),
            "");
    }
}

TEST(CliGarmin, PicturesGoToTheWaypointsOfTheirTime) {
    TempDir pictures;
    // The builtin waypoints are stamped 17-MAY-03 08:05, 08:34, 09:03, ...
    const std::vector<std::pair<std::string, std::string>> files = {
        {"IMG_A.JPG", "2003:05:17 08:06:30"},  // MARKET, 90 s
        {"IMG_B.JPG", "2003:05:17 08:33:00"},  // CHURCH, 60 s
        {"IMG_C.JPG", "2003:05:17 08:35:00"},  // CHURCH, 60 s
        {"IMG_D.JPG", "2003:05:17 08:20:00"},  // 14 minutes from either: nowhere
    };
    std::string list;
    for (const auto& [name, stamp] : files) {
        std::ofstream(pictures.File(name), std::ios::binary) << "JFIF..Exif.." << stamp << "..";
        list += " " + pictures.File(name);
    }
    GarminDownload download({});
    CommandResult result = download.Run(
        "--no-routes --pictures" + list +
        " --pictures-per-waypoint 5 --field-names N1,N2,N3,N4,Local --relative-dir pics"
        " --min-field-width 20");
    ASSERT_EQ(result.status, kExitOk) << result.output;
    EXPECT_EQ(download.Check(std::string("--layers Waypoints ") + FindProfile("current").layouts),
              "");
    EXPECT_EQ(download.Read("Waypoints", "[f[:3] for f in r.fields[6:]]"),
              "[['N1', 'C', 20], ['N2', 'C', 20], ['N3', 'C', 20], ['N4', 'C', 20], "
              "['Local', 'C', 20]]\n");
    // A single picture goes to Local, two fill N1 and N2 in time order.
    EXPECT_EQ(download.Read("Waypoints", "[list(r.record(i))[5:] for i in (0, 1, 2)]"),
              "[['', '', '', '', 'pics/IMG_A.JPG'], ['pics/IMG_B.JPG', 'pics/IMG_C.JPG', '', '', "
              "''], ['', '', '', '', '']]\n");
}

TEST(CliGarmin, LineFaultsEndWithMessagesAndPartialData) {
    const Profile& current = FindProfile("current");
    const std::string waypointsOnly =
        std::string("--layers Waypoints --waypoints 5 ") + current.layouts;
    const std::string fiveOfTwenty =
        "Waypoints transfer incomplete: no further packet came from the GPS after 5 of 20 "
        "records.\nThe records received are kept.\n";
    {
        // Silent after product data, capability list, records packet and 5 waypoints.
        GarminDownload download({"--silent-after", "8"});
        CommandResult result = download.Run("--no-routes");
        EXPECT_EQ(result.status, kExitOk) << result.output;
        EXPECT_TRUE(Contains(result.output, fiveOfTwenty)) << result.output;
        EXPECT_TRUE(Contains(result.output, std::string(kEndedEarly) + " (1 message above)"))
            << result.output;
        EXPECT_EQ(download.Check(waypointsOnly), "");
    }
    {
        // From the sixth waypoint on the size byte promises more than comes.
        GarminDownload download({"--size-lie", "--size-lie-after", "8"});
        CommandResult result = download.Run("--no-routes");
        EXPECT_EQ(result.status, kExitOk) << result.output;
        EXPECT_TRUE(Contains(result.output, fiveOfTwenty)) << result.output;
        EXPECT_EQ(download.Check(waypointsOnly), "");
    }
    {
        // Damaged packets and noise between packets: refused, resent, all there.
        GarminDownload download({"--bad-checksums", "2", "--garbage", "16"});
        CommandResult result = download.Run("--track-lines --track-points");
        EXPECT_EQ(result.status, kExitOk) << result.output;
        EXPECT_FALSE(Contains(result.output, kEndedEarly)) << result.output;
        EXPECT_EQ(download.Check(std::string("--layers Waypoints,Routes,Tracks,TracksPts ") +
                                 current.layouts),
                  "");
    }
}

TEST(CliGarmin, LayoutsThisProgramCannotReadAreReported) {
    // A newer receiver: D110 waypoints, D110 route waypoints, D312/D302 tracks.
    GarminDownload download({"--profile", "new"});
    CommandResult result = download.Run("--track-points");
    EXPECT_EQ(result.status, kExitOk) << result.output;
    EXPECT_TRUE(Contains(result.output,
                         "NewPointLayer(): Waypoint Data Type(D110) not defined at this time. "
                         "\nUnable to process Waypoints.\n"))
        << result.output;
    EXPECT_TRUE(Contains(result.output,
                         "Waypoint Data Type(D110) not defined at this time. \nUnable to process "
                         "Waypoints.\n"));
    EXPECT_TRUE(Contains(result.output,
                         "NewPointLayer(): Waypoint Data Type(D302) not defined at this time. "));
    EXPECT_TRUE(Contains(result.output, kEndedEarly));
}

TEST(CliGarmin, UsageMistakesUnreachableReceiversAndUnwritableFiles) {
    auto garmin = [](const std::string& arguments) {
        return RunCommand(BinDir() + "/quorvex-cli garmin " + arguments + " 2>&1");
    };
    TempDir out;
    const std::string dir = " --out " + out.path();
    for (const std::string& bad :
         {dir, std::string("--port /dev/null"), "--port /dev/null" + dir + " --bogus",
          "--port /dev/null" + dir + " --pictures-per-waypoint 7",
          "--port /dev/null" + dir + " --time-window 11",
          "--port /dev/null" + dir + " --field-names A,B,C,D,E,F,G",
          "--port /dev/null" + dir + " --pictures"}) {
        CommandResult result = garmin(bad);
        EXPECT_EQ(result.status, kExitUsage) << bad << "\n" << result.output;
    }
    CommandResult help = garmin("--help");
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_TRUE(Contains(help.output, "--min-field-width N")) << help.output;

    CommandResult result = garmin("--port /dev/quorvex-no-such-port" + dir);
    EXPECT_EQ(result.status, kExitNoReceiver);
    EXPECT_EQ(result.output, "Could not open Serial port /dev/quorvex-no-such-port\nErr = 2\n");
    // Said before the port is even opened.
    result = garmin("--port /dev/quorvex-no-such-port --out " + out.File("missing"));
    EXPECT_EQ(result.status, kExitWriteFailed);
    EXPECT_TRUE(Contains(result.output, "is not a directory")) << result.output;

    // A line with nothing at its other end.
    PtyPair silent;
    result = garmin("--port " + silent.SlavePath() + dir);
    EXPECT_EQ(result.status, kExitNoReceiver);
    EXPECT_TRUE(Contains(result.output, "Can not find a Garmin GPS unit.")) << result.output;

    // A file that cannot be created: the download is done, the save fails.
    GarminDownload download({});
    result = download.Run("--no-routes --waypoints-file no-such-dir/Waypoints");
    EXPECT_EQ(result.status, kExitWriteFailed) << result.output;
    EXPECT_TRUE(Contains(result.output, "no-such-dir/Waypoints.")) << result.output;
}
