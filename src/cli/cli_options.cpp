#include "cli/cli_options.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "garmin/garmin_device.h"
#include "serial/serial_trace.h"

CliOptions::CliOptions(const char* command) : command_(command) {}

void CliOptions::AddSwitch(const char* name, bool* target, bool value) {
    options_.push_back({name, kSwitch, target, value, 0, 0, "", false});
}

void CliOptions::AddText(const char* name, std::string* target) {
    options_.push_back({name, kText, target, false, 0, 0, "", false});
}

void CliOptions::AddNumber(const char* name, int* target, int minimum, int maximum) {
    options_.push_back({name, kNumber, target, false, minimum, maximum, "", false});
}

void CliOptions::AddLetter(const char* name, char* target, const char* letters) {
    options_.push_back({name, kLetter, target, false, 0, 0, letters, false});
}

void CliOptions::AddList(const char* name, std::vector<std::string>* target) {
    options_.push_back({name, kList, target, false, 0, 0, "", false});
}

CliOptions::Option* CliOptions::Find(const std::string& name) {
    for (auto& option : options_)
        if (option.name == name) return &option;
    return nullptr;
}

bool CliOptions::Given(const char* name) const {
    for (const auto& option : options_)
        if (option.name == name) return option.given;
    return false;
}

bool CliOptions::Fail(const std::string& text) const {
    std::fprintf(stderr, "quorvex-cli: %s\n(quorvex-cli %s --help lists the options)\n",
                 text.c_str(), command_.c_str());
    return false;
}

bool CliOptions::Parse(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            help_ = true;
            return true;
        }
        if (operands_ != nullptr && name.compare(0, 2, "--") != 0) {
            operands_->push_back(name);
            continue;
        }
        Option* option = Find(name);
        if (option == nullptr) return Fail("unknown option '" + name + "'");
        option->given = true;
        if (option->kind == kSwitch) {
            *static_cast<bool*>(option->target) = option->switchValue;
            continue;
        }
        if (option->kind == kList) {
            auto* list = static_cast<std::vector<std::string>*>(option->target);
            int first = i + 1;
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0)
                list->push_back(argv[++i]);
            if (i + 1 == first) return Fail(name + " needs at least one value");
            continue;
        }
        if (i + 1 >= argc) return Fail(name + " needs a value");
        const std::string value = argv[++i];
        switch (option->kind) {
            case kText:
                *static_cast<std::string*>(option->target) = value;
                break;
            case kNumber: {
                char* end = nullptr;
                errno = 0;
                long number = std::strtol(value.c_str(), &end, 10);
                if (value.empty() || *end != '\0' || errno != 0 || number < option->minimum ||
                    number > option->maximum) {
                    return Fail(name + " takes a number from " + std::to_string(option->minimum) +
                                " to " + std::to_string(option->maximum) + ", not '" + value + "'");
                }
                *static_cast<int*>(option->target) = static_cast<int>(number);
                break;
            }
            case kLetter: {
                char letter =
                    value.size() == 1
                        ? static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])))
                        : '\0';
                if (letter == '\0' || option->letters.find(letter) == std::string::npos)
                    return Fail(name + " takes one of " + option->letters + ", not '" + value +
                                "'");
                *static_cast<char*>(option->target) = letter;
                break;
            }
            default:
                break;
        }
    }
    return true;
}

void AddSerialOptions(CliOptions& options, SerialOptions* serial, bool lineSettings) {
    options.AddText("--port", &serial->port);
    options.AddText("--trace", &serial->trace);
    if (!lineSettings) {
        options.AddNumber("--speed", &serial->speed, 9600, 115200);
        return;
    }
    options.AddText("--baud", &serial->baud);
    options.AddNumber("--data", &serial->dataBits, 7, 8);
    options.AddLetter("--parity", &serial->parity, "NEO");
    options.AddNumber("--stop", &serial->stopBits, 1, 2);
}

bool StartTraceOf(const SerialOptions& serial) {
    if (serial.trace.empty() || StartSerialTrace(serial.trace)) return true;
    std::fprintf(stderr, "quorvex-cli: cannot write the trace %s: %s\n", serial.trace.c_str(),
                 std::strerror(errno));
    return false;
}

bool CheckSpeed(CliOptions& options, const SerialOptions& serial) {
    for (int rate : GarminDevice::kSpeeds)
        if (serial.speed == rate) return true;
    options.Fail("--speed takes 9600, 19200, 38400, 57600 or 115200");
    return false;
}

const char* SerialOptionsHelp(bool lineSettings) {
    if (!lineSettings)
        return "  --port DEV            device path or Com1..Com4 (required)\n"
               "  --trace FILE          write every byte of the line, both ways, with times\n"
               "  --speed N             ask the receiver for N baud (19200, 38400, 57600,\n"
               "                        115200) after identifying it (default 9600)\n";
    return "  --port DEV            device path or Com1..Com4 (required)\n"
           "  --trace FILE          write every byte of the line, both ways, with times\n"
           "  --baud TEXT           baud rate (default 4800)\n"
           "  --data 7|8            data bits (default 8)\n"
           "  --parity N|E|O        parity (default N)\n"
           "  --stop 1|2            stop bits (default 1)\n";
}
