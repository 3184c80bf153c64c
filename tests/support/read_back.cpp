#include "read_back.h"

#include <gtest/gtest.h>

#include "test_files.h"

nlohmann::json ReadBack(const std::string& base) {
    CommandResult run =
        RunCommand(PythonInterpreter() + " " + TestScript("read_shapefile.py") + " '" + base + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    nlohmann::json parsed = nlohmann::json::parse(run.output, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << run.output;
    return run.status != 0 || parsed.is_discarded() ? nlohmann::json() : parsed;
}
