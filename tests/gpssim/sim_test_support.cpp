#include "sim_test_support.h"

#include <ctime>
#include <sstream>

#include "test_files.h"

nlohmann::json DumpDataset(const std::vector<std::string>& arguments) {
    std::string command = BinDir() + "/quorvex-gpssim --dump-dataset";
    for (const std::string& a : arguments) command += " '" + a + "'";
    CommandResult result = RunCommand(command);
    return nlohmann::json::parse(result.output, nullptr, false);
}

GarminIdentity Identify(HostLine& line, int capabilityWaitMs) {
    GarminIdentity id;
    line.SendPacket(254, {});
    WirePacket ack = line.ReadPacket();
    if (ack.id != 6) return id;
    id.product = line.ReceiveAndAck();
    id.capabilities = line.ReadPacket(capabilityWaitMs);
    if (id.capabilities.id >= 0) line.SendAck(static_cast<uint8_t>(id.capabilities.id));
    return id;
}

GarminTransfer Transfer(HostLine& line, uint16_t command) {
    GarminTransfer t;
    line.SendCommand(command);
    t.commandAck = line.ReadPacket();
    WirePacket records = line.ReceiveAndAck();
    if (records.id == 27 && records.data.size() >= 2)
        t.announced = static_cast<int16_t>(U16At(records.data, 0));
    t.allIntact = records.framed && records.checksumOk;
    for (;;) {
        WirePacket p = line.ReceiveAndAck();
        t.allIntact = t.allIntact && p.framed && p.checksumOk;
        if (p.id < 0 || p.id == 12) {
            t.complete = p;
            return t;
        }
        t.records.push_back(p);
    }
}

std::string CapabilityText(const WirePacket& capabilities) {
    std::ostringstream text;
    for (size_t i = 0; i + 3 <= capabilities.data.size(); i += 3) {
        if (i > 0) text << ' ';
        text << static_cast<char>(capabilities.data[i]) << U16At(capabilities.data, i + 1);
    }
    return text.str();
}

long long UnixTime(const std::string& text) {
    std::tm tm{};
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%dZ", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6)
        return -1;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<long long>(timegm(&tm));
}
