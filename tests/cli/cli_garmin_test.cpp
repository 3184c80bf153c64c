// quorvex-cli garmin against the simulated receiver, every profile and picture matching,
// the written shapefiles read back and compared with the dataset, and the mistakes every
// command refuses. (Line faults are cells of the fault matrix; recorded sessions, identify
// among them, are cases of tests/regressions.)

#include <filesystem>

#include "cli/cli_commands.h"
#include "quorvex_test.h"

namespace {

// The simulator's profiles: one per record layout the host reads.
const char* const kProfiles[] = {
    "current", "d109", "old",  "d100", "d101", "d102",    "d103",       "d104",    "d105",
    "d106",    "d107", "d150", "d151", "d152", "d154",    "d155",       "d200",    "d201",
    "d202",    "d300", "d301", "new",  "fitness", "fitness303", "aviation"};

const char kEndedEarly[] = "quorvex-cli: a transfer ended early or skipped data";

// One download: a simulator of `profile` serving `dataset`, quorvex-cli with
// `arguments`, the files compared with the dataset by the checker.
class GarminDownload {
  public:
    explicit GarminDownload(const std::string& profile = "current",
                            const std::string& dataset = "builtin")
        : profile_(profile),
          dataset_(dataset),
          sim_({"--profile", profile, "--dataset", dataset}) {}

    CommandResult Run(const std::string& arguments) {
        if (!sim_.Started()) return CommandResult{-1, "simulator: " + sim_.Error()};
        return RunProgram("quorvex-cli garmin --port " + sim_.DevicePath() + " --out " +
                          out.path() + " " + arguments);
    }

    // The checker's verdict on `layers` ("" when they match the dataset), the record
    // layouts taken from the simulator's description of the profile.
    std::string Check(const std::string& layers = "Waypoints,Routes,Tracks,TracksPts") {
        const std::string profiles = "\n" + RunProgram("quorvex-gpssim --list-profiles").output;
        const size_t at = profiles.find("\n" + profile_ + " ") + 1;
        const std::string line = profiles.substr(at, profiles.find('\n', at) - at);
        CommandResult check = CheckAgainstDataset("download_check.py", dataset_, out.path(),
                                                  "--layers " + layers + " --profile '" + line + "'");
        return check.status == 0 ? "" : check.output;
    }

    TempDir out;

  private:
    std::string profile_, dataset_;
    SimulatorProcess sim_;
};

// "profile_dataset" for every profile with the built-in town, and for a few
// with the examples and with the edge values.
std::vector<std::string> AllCases() {
    std::vector<std::string> cases = {
        "current_examples", "old_examples", "d201_examples", "d301_examples", "current_edges",
        "d100_edges",       "d105_edges",   "d151_edges",    "d201_edges",    "d300_edges",
        "current_oddities", "d300_oddities"};
    for (const char* p : kProfiles) cases.push_back(p + std::string("_builtin"));
    return cases;
}

class EveryProfile : public ::testing::TestWithParam<std::string> {};

}  // namespace

// All four layers from every receiver profile: each record layout decoded and
// written as the dataset says.
TEST_P(EveryProfile, WritesWhatTheReceiverHolds) {
    const std::string profile = GetParam().substr(0, GetParam().find('_'));
    std::string dataset = GetParam().substr(profile.size() + 1);
    if (dataset == "edges") dataset = std::string(QUORVEX_DATASETS_DIR) + "/edge-values.json";
    GarminDownload download(profile, dataset);
    CommandResult result = download.Run("--track-lines --track-points");
    ASSERT_EQ(result.status, kExitOk) << result.output;
    // Only the oddities hold points without position, which are left out with a message;
    // the aviation unit says that it keeps no track log.
    EXPECT_EQ(result.output.find(kEndedEarly) != std::string::npos,
              dataset == "oddities" || profile == "aviation");
    EXPECT_EQ(download.Check(), "");
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

// Every command refuses a bad command line (2), a port that does not open (1) and an
// --out that cannot be a directory (3, said before the port is opened), and says why.
TEST(CliCommands, MistakesAndUnreachableReceivers) {
    TempDir out;
    const std::string garmin = "garmin --port /dev/quorvex-no-such-port --out " + out.path();
    const std::string identify = "identify garmin --port /dev/quorvex-no-such-port";
    const std::string magellan = "magellan --out " + out.path() + " --port /dev/no-such-receiver";
    const std::string noPort = "Could not open Serial port /dev/quorvex-no-such-port\nErr = 2\n";
    const struct {
        std::string arguments;
        int status;
        std::string output;
    } cases[] = {
        {garmin + " --bogus", kExitUsage, ""},
        {garmin + " --pictures-per-waypoint 7", kExitUsage, ""},
        {garmin + " --time-window 11", kExitUsage, ""},
        {garmin + " --field-names A,B,C,D,E,F,G", kExitUsage, ""},
        {garmin + " --pictures", kExitUsage, ""},
        {garmin + " --pictures --track-lines", kExitUsage, ""},
        // Picture field names the matching would use are checked before the port.
        {garmin + " --field-names North,NORTH --pictures a.jpg", kExitUsage, "given twice"},
        {garmin + " --field-names Eleven_Char --pictures a.jpg", kExitUsage, "Eleven_Char"},
        // A missing --out is made, parents too.
        {"garmin --port /dev/quorvex-no-such-port --out " + out.File("new/deeper"),
         kExitNoReceiver, noPort},
        {garmin + " port", kExitUsage, ""},
        {"garmin --out " + out.path(), kExitUsage, ""},
        {"garmin --port /dev/quorvex-no-such-port", kExitUsage, ""},
        {garmin, kExitNoReceiver, noPort},
        {"garmin --port /dev/quorvex-no-such-port --out /dev/null", kExitWriteFailed,
         "is not a directory"},
        {"identify garmin", kExitUsage, ""},
        {"identify garmin --port", kExitUsage, ""},
        {"identify garmin --port /dev/null --baud 4800", kExitUsage, ""},
        {identify, kExitNoReceiver, noPort},
        {magellan + " --baud 12345678901", kExitUsage, ""},
        {magellan + " --data 9", kExitUsage, ""},
        {magellan + " --data 8x", kExitUsage, ""},
        {magellan + " --stop 3", kExitUsage, ""},
        {magellan + " --parity X", kExitUsage, ""},
        {magellan + " --parity NE", kExitUsage, ""},
        {"magellan --port /dev/no-such-receiver --out /dev/null", kExitWriteFailed,
         "is not a directory"},
        // The serial settings as parsed, in the message.
        {magellan + " --baud 9600", kExitNoReceiver,
         "Can't open serial port(/dev/no-such-receiver)\n with baud=9600 parity=N data=8 stop=1"},
        {magellan + " --baud 4800 --data 7 --parity e --stop 2", kExitNoReceiver,
         "with baud=4800 parity=E data=7 stop=2"},
    };
    for (const auto& c : cases) {
        CommandResult result = RunProgram("quorvex-cli " + c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments << "\n" << result.output;
        EXPECT_TRUE(Contains(result.output, c.output)) << c.arguments;
    }
    EXPECT_TRUE(std::filesystem::is_directory(out.File("new/deeper")));
}

// On a terminal the line of each transfer is redrawn in place, then ends. (On a pipe, with
// --quiet and with --verbose: the cases of tests/regressions.)
TEST(CliGarmin, ProgressOnATerminalAndVersions) {
    SimulatorProcess sim;
    ASSERT_TRUE(sim.Started()) << sim.Error();
    TempDir out;
    const CommandResult result =
        RunCommand("script -qec '" + BinDir() + "/quorvex-cli garmin --no-routes --port " +
                   sim.DevicePath() + " --out " + out.path() + "' /dev/null");
    EXPECT_EQ(result.status, kExitOk) << result.output;
    for (const char* part :
         {"\rWaypoints 1 of 20    5%  ", " left\x1b[K", "\rWaypoints 20 of 20 (100%) in "})
        EXPECT_TRUE(Contains(result.output, part)) << result.output;
    EXPECT_FALSE(Contains(result.output, "Transfering"));
    for (const char* program : {"quorvex-cli", "quorvex-gpssim", "quorvex"})
        EXPECT_EQ(RunProgram(std::string(program) + " --version").output,
                  std::string(program) + " " + QUORVEX_VERSION + "\n");
}

