#include "sim_options.h"

#include <getopt.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

bool ParseCount(const char* text, int minimum, int& out) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < minimum || value > INT_MAX) return false;
    out = static_cast<int>(value);
    return true;
}

enum OptionId {
    kDataset = 1000,
    kProfile,
    kLink,
    kReplay,
    kBaud,
    kBadChecksums,
    kSilentAfter,
    kGarbage,
    kSizeLie,
    kSizeLieAfter,
    kCloseAfter,
    kDleNoise,
    kDropEtx,
    kLostAck,
    kZeroSize,
    kDamageBody,
    kExtendedProductData,
    kRepeatProductData,
    kRefuseSpeed,
    kProductId,
    kNoCapabilities,
    kGpwpl,
    kAckTimeout,
    kResendAfter,
    kVerbose,
    kDumpDataset,
    kListProfiles,
    kHelp,
    kCompleteFirst,
    kUnknownTypes,
    kUnreadableAfter,
};

}  // namespace

const char* SimHelpText() {
    return R"(Usage: quorvex-gpssim [OPTIONS]

A simulated Garmin and Magellan GPS receiver on a pseudo-terminal, for tests
and for trying QUORVEX without hardware. It prints the path of the device it
serves (for example /dev/pts/7) as the first line of standard output, then
serves one host session after another until SIGTERM or SIGINT. It answers
whichever protocol the host speaks: Garmin binary packets (DLE ... DLE ETX)
or Magellan NMEA sentences ($PMGN...).

Data and receiver:
  --dataset NAME|FILE.json  what the receiver holds:
        builtin            a day's walk round a small town: 20 waypoints,
                           two routes along them (one of 21 nodes), the
                           track log of the walk in two tracks (default)
        examples           HOME/SHOP/PARK with the route HOME-SHOP-PARK, a
                           route with a comment, several tracks, unnamed
                           tracks and void ("V") fixes
        oddities           lines of one point, track segments, points without
                           position or time, a 10,500-point track, two
                           waypoints at one position, non-ASCII names
        generated:W,R,T    W waypoints, R routes, T track points (load tests)
        FILE.json          a dataset file (format below)
  --profile NAME        Garmin receiver profile (default current); see
                        --list-profiles. Every record layout has one.
  --product-id N        report product ID N instead of the profile's
  --no-capabilities     send no protocol capability list (old receivers: the
                        host must look the product ID up in QUORVEX.XRF)
  --extended-product-data  send extended product data (248) after the
                        product data, as newer receivers do
  --repeat-product-data send the product data again after its ACK, as a
                        receiver does whose ACK was lost
  --refuse-speed        answer a rate request (48) with the link's ACK only,
                        as units without the feature do
  --gpwpl               (Magellan) send waypoints as standard $GPWPL
                        sentences (position and name only)
  --replay FILE         play a trace written by quorvex-cli --trace back as
                        the receiver: its bytes go out in the order the host
                        met them, each after the host has sent what it sent
                        before them; where the host's bytes differ from
                        the trace's, the first difference goes to stderr;
                        the simulator ends with the trace
  --list-profiles       print the profiles and exit
  --dump-dataset        print the chosen dataset as JSON and exit

Line:
  --link PATH           also make PATH a symbolic link to the device
  --baud N              pace the line at N baud (10 bits a byte), both the
                        bytes sent and the bytes taken from the host
  --ack-timeout MS      longest wait for an acknowledgement before the
                        transfer is abandoned (default 3000)
  --resend-after MS     resend a packet or sentence when no acknowledgement
                        came within MS (default: only on NAK or a wrong
                        $PMGNCSM)

Faults:
  --bad-checksums N     send the first N tries of each packet / sentence with
                        a wrong checksum (Garmin: the host must NAK; Magellan:
                        the checksum digits are wrong)
  --silent-after K      fall silent after K data packets / sentences of a
                        session (a session starts at the product request or
                        at $PMGNCMD,HANDON); silent means no answer at all
  --garbage N           put N garbage bytes before each packet (Garmin) or a
                        line of N garbage characters before each sentence
                        (Magellan)
  --size-lie            (Garmin) record packets carry a size byte larger than
                        the data sent
  --size-lie-after K    ... only after the first K data packets of a session
  --close-after K       close the device (it disappears) after K data packets
                        / sentences, then wait for the stop signal
  --complete-first      (Garmin) answer a transfer command with the transfer
                        complete packet in place of the records packet
  --unknown-types       (Garmin) the capability list names record types no
                        host reads (D199, D299, D399)
  --unreadable-after K  (Garmin) the record after the first K of each transfer
                        comes cut to 2 bytes, too short for its layout
  --dle-noise           (Garmin) noise holding DLE bytes that looks like the
                        start of a frame before each packet
  --drop-etx K          (Garmin) every K-th data packet loses its final ETX on
                        its first try; the receiver then waits for an answer
  --lost-ack K          every K-th data packet / sentence is sent again after
                        it was acknowledged, as if the acknowledgement was lost
  --zero-size           (Garmin) transfer-complete packets carry no data
  --damage-body K       (Magellan) every K-th sentence goes out first with one
                        body character changed under its original checksum
  --verbose             log every byte and event on standard error
  --help                this text
  --version             print the version and exit

Garmin side: the product request (254) is acknowledged and answered with the
product data (255) and, unless the profile is an old receiver, the protocol
capability list (253) once the product data is acknowledged. Commands (10)
7, 4 and 6 send waypoints, routes and the track log: a records packet (27),
the records (35; 29, 30 and 98 links for A201; 99 and 34), and a transfer
complete packet (12) carrying the command number. Each packet waits for the
host's ACK; a NAK makes it resend. A rate request (48) is answered with the
rate accepted (49); once the host acknowledges it the line is paced at the new
rate (when --baud paces it at all). Any other packet from the host (a new
command, an abort) ends a running transfer and is served.

Magellan side: $PMGNCMD,HANDON switches hand-shaking on: every command is
then answered with $PMGNCSM,XX (XX: its checksum), and every sentence of a
list waits for the host's $PMGNCSM before the next; a wrong checksum in it
makes the sentence go out again. The closing $PMGNCMD,END is not waited for.
VERSION answers $PMGNVER; WAYPOINT, ROUTE and TRACK send $PMGNWPL, $PMGNRTE
(c sentences of two nodes each, the route number in field 4, an m sentence
with the comment last) and $PMGNTRK lists. Void fixes carry "V" in field 8.

Dataset files (JSON):
  {
    "name": "my town",
    "magellan": {"productId": 19, "version": "3.06", "description": "..."},
    "waypoints": [
      {"ident": "HOME", "comment": "17-MAY-03 14:22", "lat": 48.1173,
       "lon": 11.516667, "alt": 545, "depth": null, "symbol": 0}
    ],
    "routes": [
      {"number": 1, "name": "TO WORK", "comment": "", "points": ["HOME", "SHOP"]}
    ],
    "tracks": [
      {"name": "MORNING", "points": [
        {"lat": 48.1, "lon": 11.5, "time": "2003-05-17T14:22:05Z",
         "alt": 540.5, "depth": null, "valid": true}]}
    ]
  }
  Only "lat" and "lon" of a waypoint or track point and "ident" of a waypoint
  are required. Latitudes and longitudes are decimal degrees (south and west
  negative), altitudes and depths metres (null: not available), times UTC.
  Route points name waypoints of the file by ident. Waypoint comments in the
  form "17-MAY-03 14:22" are what receivers write and what picture matching
  reads. Void fixes ("valid": false) go to Magellan hosts only.

Exit status: 0 after a stop signal or a replay the host followed, 1 when the
device or the dataset cannot be set up or a replayed host departed from the
trace, 2 for a usage error.
)";
}

int ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error) {
    static const option kLong[] = {
        {"dataset", required_argument, nullptr, kDataset},
        {"profile", required_argument, nullptr, kProfile},
        {"link", required_argument, nullptr, kLink},
        {"replay", required_argument, nullptr, kReplay},
        {"baud", required_argument, nullptr, kBaud},
        {"bad-checksums", required_argument, nullptr, kBadChecksums},
        {"silent-after", required_argument, nullptr, kSilentAfter},
        {"garbage", required_argument, nullptr, kGarbage},
        {"size-lie", no_argument, nullptr, kSizeLie},
        {"size-lie-after", required_argument, nullptr, kSizeLieAfter},
        {"close-after", required_argument, nullptr, kCloseAfter},
        {"dle-noise", no_argument, nullptr, kDleNoise},
        {"drop-etx", required_argument, nullptr, kDropEtx},
        {"lost-ack", required_argument, nullptr, kLostAck},
        {"zero-size", no_argument, nullptr, kZeroSize},
        {"damage-body", required_argument, nullptr, kDamageBody},
        {"extended-product-data", no_argument, nullptr, kExtendedProductData},
        {"repeat-product-data", no_argument, nullptr, kRepeatProductData},
        {"refuse-speed", no_argument, nullptr, kRefuseSpeed},
        {"product-id", required_argument, nullptr, kProductId},
        {"no-capabilities", no_argument, nullptr, kNoCapabilities},
        {"gpwpl", no_argument, nullptr, kGpwpl},
        {"ack-timeout", required_argument, nullptr, kAckTimeout},
        {"resend-after", required_argument, nullptr, kResendAfter},
        {"verbose", no_argument, nullptr, kVerbose},
        {"dump-dataset", no_argument, nullptr, kDumpDataset},
        {"list-profiles", no_argument, nullptr, kListProfiles},
        {"help", no_argument, nullptr, kHelp},
        {"complete-first", no_argument, nullptr, kCompleteFirst},
        {"unknown-types", no_argument, nullptr, kUnknownTypes},
        {"unreadable-after", required_argument, nullptr, kUnreadableAfter},
        {nullptr, 0, nullptr, 0},
    };
    optind = 1;
    opterr = 0;
    int id;
    while ((id = getopt_long(argc, argv, "", kLong, nullptr)) != -1) {
        bool ok = true;
        FaultOptions& f = options.faults;
        switch (id) {
            case kDataset:
                options.dataset = optarg;
                break;
            case kProfile:
                options.profile = optarg;
                break;
            case kLink:
                options.link = optarg;
                break;
            case kReplay:
                options.replay = optarg;
                break;
            case kBaud:
                ok = ParseCount(optarg, 1, options.baud);
                break;
            case kBadChecksums:
                ok = ParseCount(optarg, 0, f.badChecksums);
                break;
            case kSilentAfter:
                ok = ParseCount(optarg, 0, f.silentAfter);
                break;
            case kGarbage:
                ok = ParseCount(optarg, 0, f.garbage) && f.garbage <= 4096;
                break;
            case kSizeLie:
                f.sizeLie = true;
                break;
            case kSizeLieAfter:
                ok = ParseCount(optarg, 0, f.sizeLieAfter);
                f.sizeLie = true;
                break;
            case kCloseAfter:
                ok = ParseCount(optarg, 0, f.closeAfter);
                break;
            case kDleNoise:
                f.dleNoise = true;
                break;
            case kDropEtx:
                ok = ParseCount(optarg, 1, f.dropEtxEvery);
                break;
            case kLostAck:
                ok = ParseCount(optarg, 1, f.lostAckEvery);
                break;
            case kZeroSize:
                f.zeroSize = true;
                break;
            case kDamageBody:
                ok = ParseCount(optarg, 1, f.damageBodyEvery);
                break;
            case kExtendedProductData:
                options.extendedProductData = true;
                break;
            case kRepeatProductData:
                options.repeatProductData = true;
                break;
            case kRefuseSpeed:
                options.refuseSpeed = true;
                break;
            case kProductId:
                ok = ParseCount(optarg, 0, options.productId) && options.productId <= 32767;
                break;
            case kGpwpl:
                options.gpwpl = true;
                break;
            case kNoCapabilities:
                options.noCapabilities = true;
                break;
            case kAckTimeout:
                ok = ParseCount(optarg, 1, options.ackTimeoutMs);
                break;
            case kResendAfter:
                ok = ParseCount(optarg, 1, options.resendAfterMs);
                break;
            case kVerbose:
                options.verbose = true;
                break;
            case kDumpDataset:
                options.dumpDataset = true;
                break;
            case kListProfiles:
                options.listProfiles = true;
                break;
            case kHelp:
                return 1;
            case kCompleteFirst:
                options.completeFirst = true;
                break;
            case kUnknownTypes:
                options.unknownTypes = true;
                break;
            case kUnreadableAfter:
                ok = ParseCount(optarg, 0, options.unreadableAfter);
                break;
            default:
                error = optind > 0 && optind <= argc
                            ? std::string("unknown option or missing value: ") + argv[optind - 1]
                            : "unknown option";
                return 2;
        }
        if (!ok) {
            const char* name = "";
            for (const option* o = kLong; o->name; ++o)
                if (o->val == id) name = o->name;
            error = std::string("bad value for --") + name + ": " + (optarg ? optarg : "");
            return 2;
        }
    }
    if (optind < argc) {
        error = std::string("unexpected argument: ") + argv[optind];
        return 2;
    }
    return 0;
}
