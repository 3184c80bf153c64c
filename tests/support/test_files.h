#pragma once
// Files and processes for tests: a scratch directory removed at the end of the
// test, whole-file reads, and running a command or a built program for its output.

#include <gtest/gtest.h>

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

// The Python interpreter that has pyshp, from QUORVEX_PYTHON, and the folder of
// the test scripts, from QUORVEX_TEST_SCRIPTS.
std::string PythonInterpreter();
std::string TestScript(const std::string& name);
// Runs the checker `script` (garmin_check.py, magellan_check.py) on the shapefiles
// in `outDir` against the simulator's `dataset`, dumped into outDir/dataset.json.
CommandResult CheckAgainstDataset(const std::string& script, const std::string& dataset,
                                  const std::string& outDir, const std::string& options = "");
