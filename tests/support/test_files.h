#pragma once
// Files and processes for tests: a scratch directory removed at the end of the
// test, whole-file reads, running a command or a built program for its output,
// and the simulator as a process of the test.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory, ending with '/'.
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

std::vector<unsigned char> ReadBytes(const std::string& file);
std::string ReadTextFile(const std::string& file);
bool FileExists(const std::string& file);

struct CommandResult {
    int status = -1;     // exit status, or -1 when the command did not exit normally
    std::string output;  // standard output and standard error, interleaved
};

// Runs `command` with /bin/sh and collects its output.
CommandResult RunCommand(const std::string& command);

// The directory of the built programs, from QUORVEX_BIN (set by ctest).
std::string BinDir();
// Runs "BinDir()/program arguments" (the program's name first in `commandLine`).
CommandResult RunProgram(const std::string& commandLine);
// Whether `part` is in `text`, with the text shown when it is not.
::testing::AssertionResult Contains(const std::string& text, const std::string& part);

// The Python interpreter that has pyshp, from QUORVEX_PYTHON.
std::string PythonInterpreter();
// The shapefile set `base` (the path without extension) read back by an independent
// reader (pyshp, through read_shapefile.py of QUORVEX_TEST_SCRIPTS); on failure the
// test fails and it is null.
nlohmann::json ReadBack(const std::string& base);
// Runs the checker `script` (download_check.py) on the shapefiles
// in `outDir` against the simulator's `dataset`, dumped into outDir/dataset.json.
CommandResult CheckAgainstDataset(const std::string& script, const std::string& dataset,
                                  const std::string& outDir, const std::string& options = "");

// Runs quorvex-gpssim (from BinDir()) with `arguments` for one test. The constructor
// waits up to 60 s (a sanitizer build on a loaded machine starts slowly) for the
// device path the simulator prints first; Stop and the destructor end it (SIGTERM,
// then SIGKILL after 2 s). Its standard error goes to the test's.
class SimulatorProcess {
  public:
    explicit SimulatorProcess(const std::vector<std::string>& arguments = {});
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool Started() const { return !devicePath_.empty(); }
    // The pseudo-terminal the simulator serves, empty when it did not start.
    const std::string& DevicePath() const { return devicePath_; }
    // Why it did not start.
    const std::string& Error() const { return error_; }
    void Stop();

  private:
    pid_t pid_ = -1;
    std::string devicePath_;
    std::string error_;
};
