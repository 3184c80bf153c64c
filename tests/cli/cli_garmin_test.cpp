// quorvex-cli garmin against the simulated receiver, every profile, picture matching and
// line faults; the written shapefiles read back by pyshp and compared with the dataset.

#include <filesystem>
#include <memory>

#include "cli/cli_commands.h"
#include "quorvex_test.h"

namespace {

// The record layouts of a simulator profile: waypoint type, route protocol and header
// type, track protocol (301: D310 and D301, 300: D300, 0: no track log).
struct Profile {
    const char* name;
    int waypoint;
    const char* route;
    int track;
};

const Profile kProfiles[] = {
    {"current", 108, "201,202", 301}, {"d109", 109, "201,202", 301}, {"old", 100, "200,200", 300},
    {"d100", 100, "200,200", 300},    {"d101", 101, "201,201", 300}, {"d102", 102, "201,201", 300},
    {"d103", 103, "201,201", 300},    {"d104", 104, "201,201", 300}, {"d105", 105, "201,202", 301},
    {"d106", 106, "201,202", 301},    {"d107", 107, "200,200", 300}, {"d150", 150, "201,201", 0},
    {"d151", 151, "200,200", 300},    {"d152", 152, "201,201", 300}, {"d154", 154, "201,201", 301},
    {"d155", 155, "201,201", 300},    {"d200", 108, "200,200", 300}, {"d201", 108, "201,201", 301},
    {"d202", 108, "201,202", 301},    {"d300", 108, "201,202", 300}, {"d301", 108, "201,202", 301},
    {"new", 110, "201,202", 302}};

const char kEndedEarly[] = "quorvex-cli: a transfer ended early or skipped data";
const char kAllLayers[] = "Waypoints,Routes,Tracks,TracksPts";

const Profile& FindProfile(const std::string& name) {
    for (const Profile& p : kProfiles)
        if (name == p.name) return p;
    return kProfiles[0];
}

// One download: a simulator of `profile` serving `dataset` with `faults`,
// quorvex-cli with `arguments`, the files compared with the dataset by the checker.
class GarminDownload {
  public:
    explicit GarminDownload(std::vector<std::string> faults = {},
                            const std::string& profile = "current",
                            const std::string& dataset = "builtin")
        : profile_(FindProfile(profile)), dataset_(dataset) {
        faults.insert(faults.end(), {"--profile", profile, "--dataset", dataset});
        sim_ = std::make_unique<SimulatorProcess>(faults);
    }

    CommandResult Run(const std::string& arguments) {
        if (!sim_->Started()) return CommandResult{-1, "simulator: " + sim_->Error()};
        return RunProgram("quorvex-cli garmin --port " + sim_->DevicePath() + " --out " +
                          out.path() + " " + arguments);
    }

    // The checker's verdict on `layers` ("" when they match the dataset).
    std::string Check(const std::string& layers, const std::string& more = "") {
        const std::string w = std::to_string(profile_.waypoint);
        std::string layouts = "--waypoint-type " + w + " --route-types " + profile_.route + "," + w;
        if (profile_.track == 301) layouts += " --track-types 301,310,301";
        if (profile_.track == 302) layouts += " --track-types 301,312,302";
        if (profile_.track == 300) layouts += " --track-types 300,300";
        CommandResult check =
            CheckAgainstDataset("garmin_check.py", dataset_, out.path(),
                                "--layers " + layers + " " + layouts + " " + more);
        return check.status == 0 ? "" : check.output;
    }

    TempDir out;

  private:
    const Profile& profile_;
    std::string dataset_;
    std::unique_ptr<SimulatorProcess> sim_;
};

// "profile_dataset" for every profile with the built-in town, and for a few
// with the examples and with the edge values.
std::vector<std::string> AllCases() {
    std::vector<std::string> cases = {
        "current_examples", "old_examples", "d201_examples", "d301_examples", "current_edges",
        "d100_edges",       "d105_edges",   "d151_edges",    "d201_edges",    "d300_edges",
        "current_oddities", "d300_oddities"};
    for (const Profile& p : kProfiles) cases.push_back(p.name + std::string("_builtin"));
    return cases;
}

class EveryProfile : public ::testing::TestWithParam<std::string> {};

}  // namespace

// All four layers from every receiver profile: each record layout decoded and
// written as the dataset says.
TEST_P(EveryProfile, WritesWhatTheReceiverHolds) {
    const std::string profile = GetParam().substr(0, GetParam().find('_'));
    std::string dataset = GetParam().substr(profile.size() + 1);
    if (dataset == "edges") dataset = std::string(QUORVEX_CLI_TEST_DATA) + "/garmin_edges.json";
    GarminDownload download({}, profile, dataset);
    CommandResult result = download.Run("--track-lines --track-points");
    ASSERT_EQ(result.status, kExitOk) << result.output;
    // Only the oddities hold points without position, which are left out with a message.
    EXPECT_EQ(result.output.find(kEndedEarly) != std::string::npos, dataset == "oddities");
    EXPECT_EQ(download.Check(FindProfile(profile).track ? kAllLayers : "Waypoints,Routes"), "");
}

INSTANTIATE_TEST_SUITE_P(CliGarmin, EveryProfile, ::testing::ValuesIn(AllCases()),
                         [](const auto& info) { return info.param; });

TEST(CliGarmin, IdentityFileNamesAndPictures) {
    // The builtin waypoints are stamped 17-MAY-03 08:05, 08:34, 09:03, ...: A is 90 s
    // from MARKET, B and C 60 s from CHURCH, D 14 minutes from either.
    TempDir pictures;
    const char* stamps[] = {"08:06:30", "08:33:00", "08:35:00", "08:20:00"};
    std::string list;
    for (char c = 'A'; c <= 'D'; ++c) {
        const std::string file = pictures.File(std::string("IMG_") + c + ".JPG");
        std::ofstream(file, std::ios::binary)
            << "JFIF..Exif..2003:05:17 " << stamps[c - 'A'] << "..";
        list += " " + file;
    }
    // Other names; the track log twice, as lines and as points.
    GarminDownload download;
    CommandResult result = download.Run(
        "--no-routes --track-lines --track-points --waypoints-file Stops --tracks-file Log "
        "--pictures" +
        list +
        " --pictures-per-waypoint 5 --field-names N1,N2,N3,N4,Local --relative-dir pics"
        " --min-field-width 20");
    ASSERT_EQ(result.status, kExitOk) << result.output;
    EXPECT_TRUE(Contains(result.output,
                         "Garmin receiver: product ID 900, SIMULATED D108 Software Version "
                         "3.70\nProtocols: A100, D108; A201, D202, D108, D210; A301, D310, "
                         "D301\n"));
    EXPECT_EQ(download.Check("Waypoints=Stops,Tracks=Log,TracksPts=LogPts"), "");
    // The picture fields, and their texts in the first three records: a single
    // picture goes to Local, two fill N1 and N2 in time order.
    const CommandResult read = RunCommand(
        PythonInterpreter() + " -c 'import shapefile\nr = shapefile.Reader(\"" +
        download.out.File("Stops") +
        "\")\nprint([f[:3] for f in r.fields[6:]], [list(r.record(i))[5:] for i in range(3)])'");
    EXPECT_EQ(read.output,
              "[['N1', 'C', 20], ['N2', 'C', 20], ['N3', 'C', 20], ['N4', 'C', 20], ['Local', 'C', "
              "20]] [['', '', '', '', 'pics/IMG_A.JPG'], ['pics/IMG_B.JPG', 'pics/IMG_C.JPG', '', "
              "'', ''], ['', '', '', '', '']]\n");
}

TEST(CliGarmin, LineFaultsKeepWhatCame) {
    // Silent, or the size byte promising more than comes, from the sixth waypoint
    // on (after product data, capability list and records packet).
    const std::vector<std::vector<std::string>> faults = {{"--silent-after", "8"},
                                                          {"--size-lie", "--size-lie-after", "8"}};
    for (const std::vector<std::string>& fault : faults) {
        SCOPED_TRACE(fault[0]);
        GarminDownload download(fault);
        CommandResult result = download.Run("--no-routes");
        EXPECT_EQ(result.status, kExitOk) << result.output;
        EXPECT_TRUE(Contains(result.output,
                             "Waypoints transfer incomplete: no further packet came from the GPS "
                             "after 5 of 20 records.\nThe records received are kept.\n"));
        EXPECT_TRUE(Contains(result.output, std::string(kEndedEarly) + " (1 message above)"));
        EXPECT_EQ(download.Check("Waypoints", "--waypoints 5"), "");
    }
    // Damaged packets and noise between packets: refused, resent, all there.
    GarminDownload download({"--bad-checksums", "2", "--garbage", "16"});
    CommandResult result = download.Run("--track-lines --track-points");
    EXPECT_EQ(result.status, kExitOk) << result.output;
    EXPECT_FALSE(Contains(result.output, kEndedEarly));
    EXPECT_EQ(download.Check(kAllLayers), "");
}

TEST(CliGarmin, UsageMistakesUnreachableReceiversAndUnwritableFiles) {
    auto garmin = [](const std::string& arguments) {
        return RunProgram("quorvex-cli garmin " + arguments);
    };
    TempDir out;
    const std::string port = "--port /dev/quorvex-no-such-port";
    const std::string dir = " --out " + out.path();
    // Picture field names the matching would use are checked before the port.
    for (const char* extra : {" --bogus", " --pictures-per-waypoint 7", " --time-window 11",
                              " --field-names A,B,C,D,E,F,G", " --pictures",
                              " --field-names North,NORTH --pictures a.jpg",
                              " --field-names Eleven_Char --pictures a.jpg"})
        EXPECT_EQ(garmin(port + dir + extra).status, kExitUsage) << extra;
    EXPECT_EQ(garmin(dir).status, kExitUsage);
    EXPECT_EQ(garmin(port).status, kExitUsage);
    CommandResult result = garmin(port + dir);
    EXPECT_EQ(result.status, kExitNoReceiver);
    EXPECT_EQ(result.output, "Could not open Serial port /dev/quorvex-no-such-port\nErr = 2\n");
    // A missing --out is made, parents too; a file there is said before the port
    // is even opened.
    EXPECT_EQ(garmin(port + " --out " + out.File("new/deeper")).status, kExitNoReceiver);
    EXPECT_TRUE(std::filesystem::is_directory(out.File("new/deeper")));
    std::ofstream(out.File("plain")) << "x";
    result = garmin(port + " --out " + out.File("plain"));
    EXPECT_EQ(result.status, kExitWriteFailed);
    EXPECT_TRUE(Contains(result.output, "is not a directory"));
}
