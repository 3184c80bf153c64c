// Runs a harness over saved inputs without libFuzzer, so that the seed and
// regression inputs are replayed as ordinary tests under any compiler and
// sanitizer. Arguments are files or directories (every regular file in them,
// in name order). Exit status 0 when every input ran; a failing input aborts.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, as libFuzzer hands it over.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...\n", argv[0]);
        return 2;
    }
    int runs = 0;
    bool ok = true;
    for (int a = 1; a < argc; ++a) {
        const std::filesystem::path argument(argv[a]);
        std::error_code error;
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(argument, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(argument, error))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            if (files.empty()) {
                std::fprintf(stderr, "no inputs in %s\n", argv[a]);
                ok = false;
            }
        } else {
            files.push_back(argument);
        }
        for (const auto& file : files) {
            ok = RunFile(file) && ok;
            ++runs;
        }
    }
    std::printf("%d inputs replayed\n", runs);
    return ok ? 0 : 1;
}
