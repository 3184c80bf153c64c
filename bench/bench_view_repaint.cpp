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

// Median, best and worst of `times` (milliseconds), sorted on the way.
void Report(const char* what, std::vector<double>& times) {
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.1f ms, best %.1f ms, worst %.1f ms (%zu runs)\n", what,
                times[times.size() / 2], times.front(), times.back(), times.size());
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
        std::vector<double> times;
        for (int i = 0; i < repeats + 1; ++i) {
            const auto start = std::chrono::steady_clock::now();
            view->DrawScreen(dc, area);
            const auto end = std::chrono::steady_clock::now();
            if (i > 0)
                times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
        Report("full repaint 1280x800", times);

        // Navigation: each step changes the view window, then repaints all of it.
        std::vector<double> zooms, pans;
        for (int i = 0; i < repeats; ++i) {
            for (std::vector<double>* steps : {&zooms, &pans}) {
                const auto start = std::chrono::steady_clock::now();
                if (steps == &zooms)
                    view->Mapping().ZoomAbout(640 + i, 400, i % 2 ? 1.0 / CQUORVEXView::kWheelZoom
                                                                  : CQUORVEXView::kWheelZoom);
                else
                    view->Mapping().PanByDevice(i % 2 ? 40 : -40, 25);
                view->DrawScreen(dc, area);
                steps->push_back(std::chrono::duration<double, std::milli>(
                                     std::chrono::steady_clock::now() - start)
                                     .count());
            }
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
