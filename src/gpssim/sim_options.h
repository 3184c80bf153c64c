#pragma once
// Command-line options of quorvex-gpssim and the faults they inject.

#include <string>

struct FaultOptions {
    int badChecksums = 0;  // first N tries of each packet / sentence go out corrupted
    int silentAfter = -1;  // fall silent after K data packets / sentences (-1: never)
    int garbage = 0;       // N garbage bytes before each packet / sentence
    bool sizeLie = false;  // Garmin: size byte larger than the data sent
    int sizeLieAfter = 0;  // ... only after this many data packets of the session
    int closeAfter = -1;   // close the device after K data packets (-1: never)
    // What real lines and units do to the link:
    bool dleNoise = false;        // Garmin: noise holding DLE bytes before each packet
    int dropEtxEvery = 0;         // Garmin: every K-th data packet loses its ETX on the first try
    int lostAckEvery = 0;         // every K-th data packet / sentence is sent again after its ACK
    bool zeroSize = false;        // Garmin: transfer-complete packets carry no data
    int damageBodyEvery = 0;      // Magellan: every K-th sentence's first try has a body
                                  // character changed under its original checksum
};

struct SimOptions {
    std::string dataset = "builtin";
    std::string profile = "current";
    std::string link;
    std::string replay;  // a trace of quorvex-cli --trace to play back as the receiver
    int baud = 0;
    int productId = -1;  // overrides the profile's product ID when >= 0
    bool noCapabilities = false;
    bool extendedProductData = false;  // Garmin: extended product data after the product data
    bool repeatProductData = false;    // Garmin: the product data again after its ACK
    bool refuseSpeed = false;          // Garmin: a rate request gets only the link's ACK
    bool gpwpl = false;       // Magellan waypoints as standard $GPWPL sentences
    int ackTimeoutMs = 3000;  // longest wait for the host's acknowledgement
    int resendAfterMs = 0;    // resend when no acknowledgement came within this (0: never)
    bool verbose = false;
    bool dumpDataset = false;
    bool listProfiles = false;
    FaultOptions faults;
    // Garmin records a host may not expect:
    bool completeFirst = false;  // transfer complete in place of the records packet
    bool unknownTypes = false;   // the capability list names record types no host reads
    int unreadableAfter = -1;    // the record after the first K of a transfer comes cut
                                 // to 2 bytes, too short for any layout (-1: never)
};

// 0: run; 1: print help and exit 0; 2: usage error (message in `error`).
int ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error);
const char* SimHelpText();
