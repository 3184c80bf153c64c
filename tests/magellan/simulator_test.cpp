// Magellan downloads against quorvex-gpssim, the simulated receiver: through
// quorvex-cli with the written shapefiles read back by an independent reader,
// and through MagellanDevice for the line faults.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "magellan/magellan_device.h"
#include "recording_feedback.h"
#include "simulator_process.h"
#include "test_files.h"

namespace {

std::string Cli() {
    return BinDir() + "/quorvex-cli";
}

// The dataset the simulator serves, as JSON in `dir`.
std::string DumpDataset(const TempDir& dir, const std::string& name) {
    const CommandResult dump =
        RunCommand(BinDir() + "/quorvex-gpssim --dataset " + name + " --dump-dataset");
    const std::string file = dir.File(name + ".json");
    std::ofstream(file) << dump.output;
    return file;
}

CommandResult CheckShapefiles(const std::string& dataset, const std::string& outDir,
                              const std::string& options = "") {
    return RunCommand(PythonInterpreter() + " " + TestScript("magellan_check.py") + " " + dataset +
                      " " + outDir + " " + options);
}

TEST(MagellanCli, IdentifyAndDownloadMatchTheDataset) {
    SimulatorProcess sim({"--dataset", "examples"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    TempDir dir;

    // The identity the dataset gives the receiver.
    const std::string dataset = DumpDataset(dir, "examples");
    const std::string json = ReadTextFile(dataset);
    const size_t product = json.find("\"productId\": ");
    ASSERT_NE(product, std::string::npos) << json;
    const int productId = std::atoi(json.c_str() + product + 13);

    const CommandResult identify =
        RunCommand(Cli() + " identify magellan --port " + sim.DevicePath());
    EXPECT_EQ(identify.status, 0) << identify.output;
    EXPECT_NE(identify.output.find("Product ID: " + std::to_string(productId) +
                                   "\nDescription: QUORVEX SIMULATED RECEIVER\n"
                                   "Waypoints protocol: PMGNWPL\nRoutes protocol: PMGNRTE\n"
                                   "Tracks protocol: PMGNTRK\n"),
              std::string::npos)
        << identify.output;

    const CommandResult download =
        RunCommand(Cli() + " magellan --port " + sim.DevicePath() + " --out " + dir.path() +
                   " --track-lines --waypoints-file Waypoints --routes-file Routes");
    EXPECT_EQ(download.status, 0) << download.output;
    EXPECT_EQ(download.output.find("ended early"), std::string::npos) << download.output;

    const CommandResult check = CheckShapefiles(dataset, dir.path());
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("checked: Waypoints Routes Tracks"), std::string::npos)
        << check.output;
}

TEST(MagellanCli, SilentReceiverKeepsWhatArrived) {
    SimulatorProcess sim({"--dataset", "examples", "--silent-after", "5"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    TempDir dir;
    const CommandResult run =
        RunCommand(Cli() + " magellan --port " + sim.DevicePath() + " --out " + dir.path() +
                   " --no-waypoints --no-routes --track-lines");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Reading Tracks: Timeout...No Response from GPS."), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("the files hold what was received"), std::string::npos);
    EXPECT_FALSE(FileExists(dir.File("Waypoints.SHP")));

    // The version reply and four track sentences came before the silence; one of
    // those was a void fix.
    const CommandResult check =
        CheckShapefiles(DumpDataset(dir, "examples"), dir.path(), "--track-points 3");
    EXPECT_EQ(check.status, 0) << check.output;
}

TEST(MagellanCli, UsageAndPortErrors) {
    TempDir dir;
    const std::string out = " --out " + dir.path();
    CommandResult run = RunCommand(Cli() + " magellan --port /dev/null --baud 12345678901" + out);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("Baud rate \"12345678901\" is too long: at most 10 characters."),
              std::string::npos)
        << run.output;

    EXPECT_EQ(RunCommand(Cli() + " magellan --port /dev/null").status, 2);
    EXPECT_EQ(RunCommand(Cli() + " magellan --out " + dir.path()).status, 2);
    EXPECT_EQ(RunCommand(Cli() + " magellan --port /dev/null --data 9" + out).status, 2);
    EXPECT_EQ(RunCommand(Cli() + " magellan --port /dev/null --parity X" + out).status, 2);
    EXPECT_EQ(RunCommand(Cli() + " identify magellan --port /dev/null --track-lines").status, 2);

    // Said before any download, not after it.
    run = RunCommand(Cli() + " magellan --port /dev/no-such-receiver --out " + dir.File("none"));
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.output.find("is not a directory"), std::string::npos) << run.output;

    run = RunCommand(Cli() + " magellan --help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("--track-lines"), std::string::npos);

    run = RunCommand(Cli() + " magellan --port /dev/no-such-receiver --baud 9600" + out);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Can't open serial port(/dev/no-such-receiver)\n with baud=9600 "
                              "parity=N data=8 stop=1"),
              std::string::npos)
        << run.output;
}

// MagellanDevice on the simulator's line, in hand-shaking mode without the
// start-up delay of Connect.
class MagellanOnSimulator : public ::testing::Test {
  protected:
    bool Open(SimulatorProcess& sim) {
        if (!sim.Started() ||
            !gps.port.Open(sim.DevicePath().c_str(), "baud=4800 parity=N data=8 stop=1"))
            return false;
        gps.port.Write("$$\r\n", 4);
        gps.SendCommand("$PMGNCMD,HANDON");
        return true;
    }
    RecordingFeedback feedback;
    GeometryStore geometry;
    AttributeStore attributes;
    MagellanDevice gps;
};

TEST_F(MagellanOnSimulator, WrongChecksumDigitsDoNotLoseSentences) {
    // Checksums are not verified on arrival: the acknowledgement carries the
    // checksum of what arrived, which the receiver accepts.
    SimulatorProcess sim({"--dataset", "examples", "--bad-checksums", "1"});
    ASSERT_TRUE(Open(sim)) << sim.Error();
    gps.TransferWaypoints(geometry, attributes, "Waypoints");
    gps.TransferRoutes(geometry, attributes, "Routes");
    EXPECT_TRUE(feedback.messages.empty()) << feedback.messages.front();
    EXPECT_EQ(geometry.Layer(0).pointCount, 3);
    EXPECT_EQ(attributes.RecordCount(1), 2);
    EXPECT_EQ(geometry.Layer(1).vertexCount, 3);
}

TEST_F(MagellanOnSimulator, RouteOfTwelveSentencesStaysOneRoute) {
    // The built-in town's second route has 22 nodes: eleven node sentences and
    // a comment sentence, numbered 1 to 12.
    SimulatorProcess sim({"--dataset", "builtin"});
    ASSERT_TRUE(Open(sim)) << sim.Error();
    gps.TransferWaypoints(geometry, attributes, "Waypoints");
    gps.TransferRoutes(geometry, attributes, "Routes");
    EXPECT_TRUE(feedback.messages.empty()) << feedback.messages.front();
    ASSERT_EQ(attributes.RecordCount(1), 2);
    char comment[41];
    attributes.GetText(1, 1, 1, comment);
    EXPECT_EQ(std::string(comment, 10), "ALL SIGHTS");

    const GeometryLayer& routes = geometry.Layer(1);
    ASSERT_EQ(routes.vertexCount, 4 + 21);
    for (int e = 4; e < routes.vertexCount; ++e) {
        EXPECT_EQ(routes.vertices[e].segment, routes.vertices[4].segment) << "edge " << e;
        if (e > 4) {
            EXPECT_EQ(routes.vertices[e].fromPoint, routes.vertices[e - 1].toPoint);
        }
    }
    EXPECT_NE(routes.vertices[4].segment, routes.vertices[3].segment);
}

TEST_F(MagellanOnSimulator, GarbageLinesNeverBecomeWaypoints) {
    SimulatorProcess sim({"--dataset", "builtin", "--garbage", "40"});
    ASSERT_TRUE(Open(sim)) << sim.Error();
    gps.TransferWaypoints(geometry, attributes, "Waypoints");
    // Each garbage line counts against the limit; whatever was stored is a
    // waypoint of the receiver, at its own position.
    const GeometryLayer& layer = geometry.Layer(0);
    EXPECT_GT(layer.pointCount, 0);
    for (int i = 0; i < layer.pointCount; ++i) {
        char name[13];
        attributes.GetText(0, i, 0, name);
        EXPECT_NE(name[0], ' ') << "record " << i;
        EXPECT_GT(layer.points[i].y, 0.0);
    }
    for (const std::string& m : feedback.messages)
        EXPECT_EQ(m, "Too Many Errors. Transfer terminated!");
}

}  // namespace
