#include "read_back.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "test_files.h"

namespace {

std::string ReaderScript() {
    const char* fromEnvironment = std::getenv("QUORVEX_TEST_SCRIPTS");
    if (fromEnvironment && *fromEnvironment) return TestScript("read_shapefile.py");
    return QUORVEX_SCRIPTS_DIR "/read_shapefile.py";
}

}  // namespace

nlohmann::json ReadBack(const std::string& base) {
    CommandResult run = RunCommand(PythonInterpreter() + " " + ReaderScript() + " '" + base + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    if (run.status != 0) return nullptr;
    nlohmann::json parsed = nlohmann::json::parse(run.output, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << run.output;
    return parsed.is_discarded() ? nlohmann::json() : parsed;
}
