#include "magellan/magellan_device.h"

#include <cctype>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <thread>

#include "core/user_feedback.h"
#include "magellan/magellan_download.h"

namespace {
constexpr char kLineDelimiter = '\n';
}

MagellanDevice::MagellanDevice()
    : layer(-1), table(-1), previousPoint(-1), productId(0), description{} {}

MagellanDevice::~MagellanDevice() {
    port.Close();
}

int MagellanDevice::SendSentence(const char* body) {
    char sentence[kSentenceBufferSize];
    const int length =
        std::snprintf(sentence, sizeof sentence, "%s*%.2X\r\n", body, Checksum(body));
    // A body too long for the buffer is not sent cut short.
    if (length < 0 || length >= static_cast<int>(sizeof sentence)) return 0;
    return port.Write(sentence, length);
}

int MagellanDevice::SendAcknowledge(const char* line) {
    // The checksum runs up to the line's '*', so neither the received digits nor
    // CR LF count; an empty line (a time-out) gives "$PMGNCSM,00".
    char body[16];
    std::snprintf(body, sizeof body, "$PMGNCSM,%.2X", Checksum(line));
    return SendSentence(body);
}

int MagellanDevice::SendRefusal(const char* line, unsigned claimed) {
    unsigned refusal = Checksum(line) ^ 0xFFu;
    if (refusal == claimed) refusal ^= 0x01u;
    char body[16];
    std::snprintf(body, sizeof body, "$PMGNCSM,%.2X", refusal);
    return SendSentence(body);
}

bool MagellanDevice::WaitAcknowledge() {
    char scratch[kLineBufferSize];
    port.ReadLine(scratch, kLineDelimiter, kLineLength, kByteTimeoutMs);
    return true;
}

void MagellanDevice::SendCommand(const char* body) {
    port.DiscardInput();
    SendSentence(body);
    WaitAcknowledge();
}

int MagellanDevice::ReadSentence(char* line) {
    const int length = port.ReadLine(line, kLineDelimiter, kLineLength, kByteTimeoutMs);
    if (length > 0 && line[0] == '$') ++sentencesReceived;
    return length;
}

bool MagellanDevice::ChecksumMismatch(const char* line, unsigned& claimed) {
    const char* star = std::strrchr(line, '*');
    if (star == nullptr || std::strchr(line, '*') != star) return false;
    unsigned value = 0;
    for (int i = 1; i <= 2; ++i) {
        const char c = star[i];
        const int digit = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : (std::isxdigit(static_cast<unsigned char>(c))
                                     ? std::toupper(static_cast<unsigned char>(c)) - 'A' + 10
                                     : -1);
        if (digit < 0) return false;  // no checksum digits: taken as it is
        value = value * 16 + static_cast<unsigned>(digit);
    }
    claimed = value;
    return value != Checksum(line);
}

int MagellanDevice::ReceiveSentence(char* line) {
    const int length = ReadSentence(line);
    SendAcknowledge(line);
    return length;
}

void MagellanDevice::Delay(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool MagellanDevice::Connect(const char* portName, const char* settings) {
    if (!port.Open(portName, settings)) {
        ShowMessage(FormatText("Can't open serial port(%s)\n with %s", portName, settings));
        return false;
    }
    // Receivers lose what arrives while they settle after the line comes up.
    Delay(kStartupDelayMs);
    port.Write("$$\r\n", 4);
    SendCommand("$PMGNCMD,HANDON");
    SendCommand("$PMGNCMD,VERSION");

    // The version reply: $PMGNVER,product,software version,description. Nothing
    // in it is checked; a silent receiver leaves the description empty.
    char line[kLineBufferSize];
    ReceiveSentence(line);
    char field[kDescriptionSize];
    GetField(field, line, 1);
    ReadLeadingInteger(field, productId);
    GetField(description, line, 3);
    return true;
}

int MagellanDevice::RunDownload(int kind, GeometryStore& geometry, AttributeStore& attributes,
                                const char* fileName) {
    MagellanDownload download(static_cast<MagellanDownload::Kind>(kind), geometry, attributes);
    const bool ready = download.Begin(fileName);
    layer = download.layer;
    table = download.table;
    previousPoint = download.previousPoint;
    if (!ready) return 0;

    SendCommand(download.Command());
    char line[kLineBufferSize];
    // A sentence whose body does not match its checksum digits was damaged on
    // the line, in the body or in the digits; it is not taken. Its answer
    // matches neither the digits nor the body, so the receiver sends it again
    // in both cases. Only when the next line is not that resend does the
    // damage count as an error.
    bool awaitingResend = false;
    unsigned resendSums[2] = {0, 0};
    for (;;) {
        // A stopped download acknowledges nothing more: the receiver gives up,
        // and what arrived so far stays in the layer.
        if (Feedback().CancelRequested()) {
            ShowMessage("Transfer stopped by the user; what arrived is kept.");
            break;
        }
        const int length = ReadSentence(line);
        unsigned claimed = 0;
        const bool damaged = length > 0 && ChecksumMismatch(line, claimed);
        if (damaged) {
            SendRefusal(line, claimed);
        } else {
            SendAcknowledge(line);
        }
        if (awaitingResend) {
            // The resend may come damaged again: then its digits or its body
            // still carry the checksum the sentence had.
            awaitingResend = false;
            const unsigned sum = Checksum(line);
            const auto known = [&](unsigned value) {
                return value == resendSums[0] || value == resendSums[1];
            };
            const bool resent = length > 0 && (known(sum) || (damaged && known(claimed)));
            if (!resent && !download.CountError()) break;
        }
        if (damaged) {
            awaitingResend = true;
            resendSums[0] = claimed;
            resendSums[1] = Checksum(line);
            continue;
        }
        if (!download.HandleLine(line, length)) break;
    }
    previousPoint = download.previousPoint;
    return 0;
}

int MagellanDevice::TransferWaypoints(GeometryStore& geometry, AttributeStore& attributes,
                                      const char* fileName) {
    return RunDownload(MagellanDownload::kWaypoints, geometry, attributes, fileName);
}

int MagellanDevice::TransferRoutes(GeometryStore& geometry, AttributeStore& attributes,
                                   const char* fileName) {
    return RunDownload(MagellanDownload::kRoutes, geometry, attributes, fileName);
}

int MagellanDevice::TransferTracks(GeometryStore& geometry, AttributeStore& attributes,
                                   const char* fileName) {
    return RunDownload(MagellanDownload::kTracks, geometry, attributes, fileName);
}
