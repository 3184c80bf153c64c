// The simulator's Magellan side: hand-shaking, and the line faults the fault
// matrix relies on.

#include "quorvex_test.h"

namespace {

// The line without its checksum, after checking that the checksum is right.
std::string Body(const std::string& line) {
    size_t star = line.rfind('*');
    if (star == std::string::npos || star + 3 != line.size()) return "no checksum: " + line;
    unsigned sent = static_cast<unsigned>(std::stoul(line.substr(star + 1), nullptr, 16));
    if (sent != HostLine::Checksum(line)) return "bad checksum: " + line;
    return line.substr(0, star);
}

// Switches hand-shaking on, asks for the waypoints and checks both acknowledgements.
void StartWaypoints(HostLine& line) {
    line.SendSentence("$PMGNCMD,HANDON");
    EXPECT_EQ(line.ReadLine(), "$PMGNCSM,70*62");
    line.SendSentence("$PMGNCMD,WAYPOINT");
    EXPECT_EQ(line.ReadLine(), "$PMGNCSM,71*63");
}

TEST(MagellanSim, EachSentenceWaitsForItsAcknowledgement) {
    SimulatorProcess sim({"--dataset", "examples"});
    HostLine line(sim.DevicePath());
    line.Write("$$\r\n");
    StartWaypoints(line);
    const std::string home = line.ReadLine();
    EXPECT_EQ(Body(home), "$PMGNWPL,4807.038,N,01131.000,E,0000545,M,HOME,MY HOUSE,a");
    EXPECT_TRUE(line.QuietFor(300));
    // A wrong acknowledgement makes the sentence go out again.
    line.SendSentence("$PMGNCSM,00");
    EXPECT_EQ(line.ReadLine(), home);
    line.Acknowledge(home);
    for (const char* ident : {"SHOP", "PARK"}) {
        const std::string next = line.ReadLine();
        EXPECT_EQ(SentenceField(next, 7), ident);
        line.Acknowledge(next);
    }
    // The end of the list needs no acknowledgement: the next command is served.
    EXPECT_EQ(Body(line.ReadLine()), "$PMGNCMD,END");
    line.SendSentence("$PMGNCMD,VERSION");
    EXPECT_EQ(line.ReadLine(), "$PMGNCSM,28*6F");
    EXPECT_EQ(Body(line.ReadLine()), "$PMGNVER,19,3.06,QUORVEX SIMULATED RECEIVER");
}

TEST(MagellanSimFaults, BadChecksumsNoiseAndResends) {
    {
        // Wrong checksum digits on an intact body; acknowledgements stay intact,
        // and the acknowledgement of the body is the right one.
        SimulatorProcess sim({"--dataset", "examples", "--bad-checksums", "1"});
        HostLine line(sim.DevicePath());
        StartWaypoints(line);
        const std::string home = line.ReadLine();
        EXPECT_EQ(Body(home).rfind("bad checksum: $PMGNWPL,4807.038", 0), 0u);
        line.Acknowledge(home);
        EXPECT_EQ(SentenceField(line.ReadLine(), 7), "SHOP");
    }
    {
        // A line of noise before each sentence; acknowledging the noise as a
        // careless host does is no wrong acknowledgement.
        SimulatorProcess sim({"--dataset", "examples", "--garbage", "6"});
        HostLine line(sim.DevicePath());
        StartWaypoints(line);
        for (const char* ident : {"HOME", "SHOP", "PARK"}) {
            const std::string noise = line.ReadLine();
            EXPECT_EQ(noise.size(), 6u);
            EXPECT_EQ(noise.find_first_of("$*"), std::string::npos);
            line.Acknowledge(noise);
            const std::string sentence = line.ReadLine();
            EXPECT_EQ(SentenceField(sentence, 7), ident);
            line.Acknowledge(sentence);
        }
    }
    {
        // A receiver that hears no acknowledgement sends the sentence again.
        SimulatorProcess sim({"--dataset", "examples", "--resend-after", "200"});
        HostLine line(sim.DevicePath());
        StartWaypoints(line);
        const std::string first = line.ReadLine();
        EXPECT_EQ(line.ReadLine(1000), first);
    }
}

}  // namespace
