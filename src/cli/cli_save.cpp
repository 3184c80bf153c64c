#include "cli/cli_save.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/cli_commands.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "shapefile/layer_export.h"

bool CheckOutputDirectory(const std::string& outDir) {
    std::error_code error;
    if (std::filesystem::is_directory(outDir, error)) return true;
    if (!std::filesystem::exists(outDir, error) &&
        std::filesystem::create_directories(outDir, error))
        return true;
    if (error)
        std::fprintf(stderr, "quorvex-cli: --out %s cannot be made: %s\n", outDir.c_str(),
                     error.message().c_str());
    else
        std::fprintf(stderr, "quorvex-cli: --out %s is not a directory\n", outDir.c_str());
    return false;
}

int FinishDownload(GeometryStore& geometry, AttributeStore& attributes, const std::string& outDir,
                   int transferMessages) {
    geometry.ComputeTotalExtent();
    const ExportResult result = ExportLayers(geometry, attributes, outDir + "/");
    if (!result.allWritten) return kExitWriteFailed;
    if (transferMessages > 0) {
        std::fprintf(stderr,
                     "quorvex-cli: a transfer ended early or skipped data (%d message%s above); "
                     "the files hold what was received\n",
                     transferMessages, transferMessages == 1 ? "" : "s");
    }
    return kExitOk;
}
