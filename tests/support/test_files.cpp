#include "test_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <thread>

#include "host_line.h"

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvex-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made ? std::string(made) + "/" : std::string("/tmp/");
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (path_ != "/tmp/") std::filesystem::remove_all(path_, ignored);
}

std::vector<unsigned char> ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadTextFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool FileExists(const std::string& file) { return std::filesystem::exists(file); }

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    std::string full = command + " 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) return result;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

static std::string FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string BinDir() { return FromEnvironment("QUORVEX_BIN", "."); }

CommandResult RunProgram(const std::string& commandLine) {
    return RunCommand(BinDir() + "/" + commandLine);
}

::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" looked for in:\n" << text;
}

std::string PythonInterpreter() { return FromEnvironment("QUORVEX_PYTHON", "/usr/bin/python3"); }

static std::string TestScript(const std::string& name) {
    return FromEnvironment("QUORVEX_TEST_SCRIPTS", QUORVEX_TEST_SCRIPTS_DIR) + "/" + name;
}

nlohmann::json ReadBack(const std::string& base) {
    CommandResult run =
        RunCommand(PythonInterpreter() + " " + TestScript("read_shapefile.py") + " '" + base + "'");
    nlohmann::json parsed = nlohmann::json::parse(run.output, nullptr, false);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(parsed.is_discarded()) << run.output;
    return run.status != 0 || parsed.is_discarded() ? nlohmann::json() : parsed;
}

CommandResult CheckAgainstDataset(const std::string& script, const std::string& dataset,
                                  const std::string& outDir, const std::string& options) {
    const std::string json = outDir + "/dataset.json";
    RunProgram("quorvex-gpssim --dataset " + dataset + " --dump-dataset > " + json);
    return RunCommand(PythonInterpreter() + " " + TestScript(script) + " " + json + " " + outDir +
                      " " + options);
}

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& arguments) {
    std::string program = BinDir() + "/quorvex-gpssim";
    std::vector<std::string> args = arguments;
    std::vector<char*> argv{program.data()};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    const pid_t parent = getpid();
    if (pipe2(out, O_CLOEXEC) != 0 || (pid_ = fork()) < 0) {
        error_ = "cannot start " + program + ": " + std::strerror(errno);
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
    devicePath_ = HostLine(out[0]).ReadLine(60000);  // its first line
    close(out[0]);
    if (devicePath_.empty()) {
        error_ = "quorvex-gpssim (" + program + ") printed no device path";
        Stop();
    }
}

SimulatorProcess::~SimulatorProcess() { Stop(); }

// SIGTERM, and SIGKILL when it has not ended within 2 s.
void SimulatorProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int waited = 0; waitpid(pid_, &status, WNOHANG) == 0; waited += 5) {
        if (waited == 2000) kill(pid_, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
}
