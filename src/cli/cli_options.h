#pragma once
// Options of the quorvex-cli subcommands: "--name value" options, "--name"
// switches and "--name value..." lists, declared with their targets and parsed
// in one pass. A mistake is reported on standard error as
//   quorvex-cli: <what is wrong>
//   (quorvex-cli <command> --help lists the options)
// and the command then exits with kExitUsage.

#include <string>
#include <vector>

class CliOptions {
  public:
    // `command` names the subcommand in messages ("identify garmin").
    explicit CliOptions(const char* command);

    // A switch: sets `*target` to `value` when given.
    void AddSwitch(const char* name, bool* target, bool value = true);
    // An option with a text value.
    void AddText(const char* name, std::string* target);
    // An option with a whole number from `minimum` to `maximum`.
    void AddNumber(const char* name, int* target, int minimum, int maximum);
    // An option with one letter out of `letters` (upper or lower case given).
    void AddLetter(const char* name, char* target, const char* letters);
    // An option followed by one or more values, up to the next option.
    void AddList(const char* name, std::vector<std::string>* target);
    // Arguments that are no option (nor an option's value) are collected here;
    // without this they are mistakes.
    void AddOperands(std::vector<std::string>* target) { operands_ = target; }

    // True when every argument was understood (or --help was asked for);
    // otherwise the mistake has been reported.
    bool Parse(int argc, char** argv);
    bool HelpWanted() const { return help_; }
    // True when the option appeared on the command line.
    bool Given(const char* name) const;
    // Reports a usage mistake found by the command itself; returns false.
    bool Fail(const std::string& text) const;

  private:
    enum Kind { kSwitch, kText, kNumber, kLetter, kList };
    struct Option {
        std::string name;
        Kind kind;
        void* target;
        bool switchValue;
        int minimum;
        int maximum;
        std::string letters;
        bool given;
    };
    Option* Find(const std::string& name);

    std::string command_;
    std::vector<Option> options_;
    bool help_ = false;
    std::vector<std::string>* operands_ = nullptr;
};

// The serial line of a command: the port, and for receivers whose line can be
// set, its baud rate text, data bits, parity and stop bits.
struct SerialOptions {
    std::string port;
    std::string baud = "4800";
    int dataBits = 8;
    char parity = 'N';
    int stopBits = 1;
    std::string trace;  // --trace FILE: every byte of the line, both ways, with times
    int speed = 9600;   // --speed N (Garmin): the rate asked of the receiver
};

// Declares --port DEV and --trace FILE and, with `lineSettings`, also --baud
// TEXT, --data 7|8, --parity N|E|O and --stop 1|2; without, --speed N.
void AddSerialOptions(CliOptions& options, SerialOptions* serial, bool lineSettings);
// Starts the trace that --trace asked for; false (after saying why) when its
// file cannot be written.
bool StartTraceOf(const SerialOptions& serial);
// False (after saying why) when --speed names no rate a Garmin receiver takes.
bool CheckSpeed(CliOptions& options, const SerialOptions& serial);

// Help lines for the options of AddSerialOptions.
const char* SerialOptionsHelp(bool lineSettings);
