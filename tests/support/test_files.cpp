#include "test_files.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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

std::string TestScript(const std::string& name) {
    return FromEnvironment("QUORVEX_TEST_SCRIPTS", QUORVEX_TEST_SCRIPTS_DIR) + "/" + name;
}

CommandResult CheckAgainstDataset(const std::string& script, const std::string& dataset,
                                  const std::string& outDir, const std::string& options) {
    const std::string json = outDir + "/dataset.json";
    RunProgram("quorvex-gpssim --dataset " + dataset + " --dump-dataset > " + json);
    return RunCommand(PythonInterpreter() + " " + TestScript(script) + " " + json + " " + outDir +
                      " " + options);
}
