// Full repaint of the map view into an offscreen bitmap: N points and N edges
// (100,000 unless QUORVEX_BENCH_POINTS says otherwise) at 1280 x 800, grid on;
// then the repaint after one wheel step (zoom in about a point) and after one
// pan step, as navigating the map costs. Needs a display (xvfb-run under CI):
//     xvfb-run -a quorvex-bench-view-repaint [repeats [picture.png [calls]]]
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "app/quorvex_doc.h"
#include "view/quorvex_view.h"

namespace {

void FillStore(GeometryStore& store, int n) {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> lon(-10.0, 30.0), lat(35.0, 60.0), step(-0.05, 0.05);
    const int points = store.AddLayer("Points", "POINTS", n, 0, 0);
    for (int i = 0; i < n; ++i) store.AppendPoint(points, lon(random), lat(random));
    store.ComputeExtent(points);

    const int lines = store.AddLayer("Lines", "LINES", n + 1, n + 1, 0);
    double x = 10.0, y = 47.0;
    int previous = store.AppendPoint(lines, x, y);
    for (int i = 0; i < n; ++i) {
        x = std::clamp(x + step(random), -10.0, 30.0);
        y = std::clamp(y + step(random), 35.0, 60.0);
        const int point = store.AppendPoint(lines, x, y);
        store.AddVertex(lines, 1, previous, point);
        previous = point;
    }
    store.ComputeExtent(lines);
    store.ComputeTotalExtent();
    std::printf("layers: %d points, %d edges (%d line points)\n", store.Layer(points).pointCount,
                store.Layer(lines).vertexCount, store.Layer(lines).pointCount);
}

// CPU time of this thread in milliseconds: on a shared machine it counts only
// the repaint's own work, not the time other processes had the core.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall and CPU times of repeated steps (milliseconds).
struct Times {
    std::vector<double> wall, cpu;
    template <typename Step>
    void Measure(Step step) {
        const double cpuStart = ThreadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        step();
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        cpu.push_back(ThreadCpuMs() - cpuStart);
    }
};

// Median, best and worst wall time, and the median CPU time.
void Report(const char* what, Times& times) {
    std::sort(times.wall.begin(), times.wall.end());
    std::sort(times.cpu.begin(), times.cpu.end());
    const size_t n = times.wall.size();
    std::printf("%s: median %.1f ms, best %.1f ms, worst %.1f ms (%zu runs); cpu median %.1f ms\n",
                what, times.wall[n / 2], times.wall.front(), times.wall.back(), n,
                times.cpu[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "no display: run under xvfb-run\n");
        return 1;
    }
    {
        auto* doc = new CQUORVEXDoc;
        auto* view = new CQUORVEXView;
        view->SetDocument(doc);
        const char* count = std::getenv("QUORVEX_BENCH_POINTS");
        FillStore(doc->m_geometryStore, count ? std::max(1, std::atoi(count)) : 100000);
        // "calls" as third argument: one device-context call per edge and circle.
        view->m_rasterLayers = !(argc > 3 && std::string(argv[3]) == "calls");

        const wxSize area(1280, 800);
        wxBitmap bitmap(area);
        wxMemoryDC dc(bitmap);
        view->DrawScreen(dc, area);  // the first one sets the view window
        Times times;
        for (int i = 0; i < repeats; ++i) times.Measure([&] { view->DrawScreen(dc, area); });
        Report("full repaint 1280x800", times);

        // Navigation: each step changes the view window, then repaints all of it.
        Times zooms, pans;
        for (int i = 0; i < repeats; ++i) {
            zooms.Measure([&] {
                view->Mapping().ZoomAbout(
                    640 + i, 400,
                    i % 2 ? 1.0 / CQUORVEXView::kWheelZoom : CQUORVEXView::kWheelZoom);
                view->DrawScreen(dc, area);
            });
            pans.Measure([&] {
                view->Mapping().PanByDevice(i % 2 ? 40 : -40, 25);
                view->DrawScreen(dc, area);
            });
        }
        Report("wheel zoom step", zooms);
        Report("pan step", pans);
        dc.SelectObject(wxNullBitmap);
        if (argc > 2) bitmap.SaveFile(argv[2], wxBITMAP_TYPE_PNG);
        delete view;  // the document goes with its last view
    }
    wxEntryCleanup();
    return 0;
}
