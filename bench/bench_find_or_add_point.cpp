// FindOrAddPoint of a million distinct positions into one layer, as a long track
// log download does: once with tolerance 0 (the store after Clear, the normal
// case) and once with the 3e-6 of a store that was never cleared. A last pass
// looks every position up again (all matches, nothing added).
//
// usage: quorvex-bench-find-or-add-point [COUNT]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "layers/geometry_store.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU time of this process, user and system: less disturbed than the wall time
// on a machine that other work shares.
double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// A wandering track: steps of about 10 m, all positions distinct.
std::vector<double> Track(int count) {
    std::vector<double> xy;
    xy.reserve(2 * static_cast<size_t>(count));
    double x = -83.0, y = 42.0;
    unsigned state = 12345;
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        x += 1e-4 + ((state >> 16) % 100) * 1e-6;
        y += (static_cast<int>((state >> 8) % 201) - 100) * 1e-6;
        xy.push_back(x);
        xy.push_back(y);
    }
    return xy;
}

void Run(const char* label, bool cleared, const std::vector<double>& xy) {
    GeometryStore store;
    if (cleared) store.Clear();
    int layer = store.AddLayer("Track", "TRACK", 500, 0, 0);
    int count = static_cast<int>(xy.size() / 2);

    auto start = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();
    for (int i = 0; i < count; ++i) store.FindOrAddPoint(layer, xy[2 * i], xy[2 * i + 1]);
    double adding = Seconds(start);
    double addingCpu = CpuSeconds() - cpu;

    start = std::chrono::steady_clock::now();
    long found = 0;
    for (int i = 0; i < count; ++i) found += store.FindOrAddPoint(layer, xy[2 * i], xy[2 * i + 1]);
    double lookup = Seconds(start);

    std::printf(
        "%-14s tolerance %-6g  %d points added in %.3f s (CPU %.3f s, %.0f ns each), "
        "looked up again in %.3f s; %d points in the layer (checksum %ld)\n",
        label, store.matchTolerance, count, adding, addingCpu, adding * 1e9 / count, lookup,
        store.Layer(layer).pointCount, found);
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (count < 1) {
        std::fprintf(stderr, "usage: %s [COUNT]\n", argv[0]);
        return 2;
    }
    std::vector<double> xy = Track(count);
    Run("after Clear", true, xy);
    Run("never cleared", false, xy);
    return 0;
}
