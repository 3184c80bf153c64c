#include "simulator_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "host_line.h"
#include "test_files.h"

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 2000;

// Waits for the child to end, at most `timeoutMs`; true when it did.
bool WaitForExit(pid_t pid, int timeoutMs, int& status) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& arguments) {
    std::string program = BinDir() + "/quorvex-gpssim";
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    std::vector<char*> argv;
    argv.push_back(program.data());
    std::vector<std::string> args = arguments;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
        error_ = std::string("fork: ") + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return;
    }
    if (pid_ == 0) {
        // A test that dies without its destructor must not leave the simulator
        // behind (it would hold the test runner's output open).
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        dup2(out[1], STDOUT_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);

    // The first line is the device path.
    const std::string line = HostLine(out[0]).ReadLine(kStartTimeoutMs);
    close(out[0]);
    if (line.empty()) {
        error_ = "quorvex-gpssim (" + program + ") printed no device path";
        Stop();
        return;
    }
    devicePath_ = line;
}

SimulatorProcess::~SimulatorProcess() {
    Stop();
}

int SimulatorProcess::Stop() {
    if (pid_ <= 0) return exitStatus_;
    int status = 0;
    kill(pid_, SIGTERM);
    if (!WaitForExit(pid_, kStopTimeoutMs, status)) {
        kill(pid_, SIGKILL);
        WaitForExit(pid_, kStopTimeoutMs, status);
    }
    pid_ = -1;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitStatus_;
}
