#pragma once
// Runs quorvex-gpssim (from the bin directory, BinDir()) for one test:
//
//   SimulatorProcess sim({"--profile", "old"});
//   ASSERT_TRUE(sim.Started()) << sim.Error();
//   open(sim.DevicePath().c_str(), ...);
//
// The constructor waits (at most 10 s) for the device path that the simulator
// prints as its first line; the destructor stops it with SIGTERM (SIGKILL if it
// does not end within 2 s). The simulator's standard error goes to the test's.

#include <sys/types.h>

#include <string>
#include <vector>

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
    // Stops the simulator; its exit status, or -1 when it did not exit normally.
    int Stop();

  private:
    pid_t pid_ = -1;
    std::string devicePath_;
    std::string error_;
    int exitStatus_ = -1;
};
