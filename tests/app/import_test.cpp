// File > Import through the program's own dialogs against the simulated receiver
// on Com 2, File > Save As and Export > GPX through their file choosers, and
// Cancel in each dialog and during a transfer.

#include <wx/checkbox.h>
#include <wx/choicdlg.h>
#include <wx/filedlg.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include <chrono>
#include <filesystem>

#include "quorvex_test.h"

#include "dialogs/dialog_ids.h"
#include "dialogs/picture_match_dlg.h"
#include "gui_test_support.h"
#include "serial/serial_port.h"
#include "view/command_ids.h"
#include "view/view_globals.h"

namespace {

constexpr char kComm[] = "Communication Parameters";
constexpr char kPortProperties[] = "Communication Port Properties";
constexpr char kInterface[] = "GPS Interface";
constexpr char kPictures[] = "Picture matching ";

const DialogScript::Action Ok = [](wxDialog& d) { Click(&d, wxID_OK); };
const DialogScript::Action CancelIt = [](wxDialog& d) { Click(&d, wxID_CANCEL); };

// Counts the paints of a progress text in the status bar, running `onPaint` at each.
struct ProgressPaints : wxEvtHandler {
    explicit ProgressPaints(std::function<void()> onPaint) : m_onPaint(std::move(onPaint)) {
        g_pStatusBar->Bind(wxEVT_PAINT, &ProgressPaints::OnPaint, this);
    }
    ~ProgressPaints() override {
        g_pStatusBar->Unbind(wxEVT_PAINT, &ProgressPaints::OnPaint, this);
    }
    void OnPaint(wxPaintEvent& event) {
        event.Skip();
        if (!g_pStatusBar->GetStatusText(0).StartsWith(" Transfering")) return;
        ++count;
        m_onPaint();
    }
    int count = 0;
    std::function<void()> m_onPaint;
};

class Import : public GuiTest {
  protected:
    // Starts the simulated receiver and makes it Com 2.
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(m_receiver.Started()) << m_receiver.Error();
        setenv("QUORVEX_COM2", m_receiver.DevicePath().c_str(), 1);
    }
    static std::vector<std::string> LayerNames() {
        std::vector<std::string> names;
        const GeometryStore& store = Doc().m_geometryStore;
        for (int k = 0; k < store.layerCount; ++k) names.push_back(store.Layer(k).name);
        return names;
    }
    // Every layer of the store has its colour on the drawn map, and its box in the bar.
    static void ExpectEveryLayerDrawn() {
        Pump(200);
        EXPECT_TRUE(View().m_extentSet);
        const wxImage image = RenderScreen(View().GetCanvas()->GetClientSize());
        for (int k = 0; k < Doc().m_geometryStore.layerCount; ++k) {
            const char* name = Doc().m_geometryStore.Layer(k).name;
            EXPECT_GT(CountColour(image, LayerRgb(k)), 0) << name;
            EXPECT_EQ(LayersBar().Box(k)->GetLabel(), name);
        }
    }
    // Runs `command`, whose file chooser `title` is given `path`; nothing is said.
    static void SaveThrough(int command, const char* title, const std::string& path) {
        DialogScript save;
        const auto choose = [&path](wxDialog& d) {
            auto& chooser = dynamic_cast<wxFileDialog&>(d);
            chooser.SetPath(path);
            // GTK's file chooser takes the path once it has read the folder.
            for (int wait = 0; wait < 100 && chooser.GetPath().empty(); ++wait) Pump(50);
        };
        save.Then(title, choose, wxID_OK);
        Command(command);
        EXPECT_TRUE(save.Done());
        EXPECT_TRUE(save.messages.empty()) << save.messages[0];
    }
    SimulatorProcess m_receiver;
};

}  // namespace

TEST_F(Import, GarminEveryLayerWithPicturesDrawnThenSavedFromTheDocument) {
    // Pictures whose camera dates fall near MARKET (08:05) and CHURCH (08:34).
    TempDir pictures;
    std::vector<std::string> files;
    for (const char* time : {"08:06:10", "08:33:00", "08:07:30"}) {
        files.push_back(pictures.File("IMG_000" + std::to_string(files.size() + 1) + ".JPG"));
        std::ofstream(files.back(), std::ios::binary) << "\xFF\xD8 Exif 2003:05:17 " << time << " ";
    }
    DialogScript script;
    script.Then(kComm, Ok)
        .Then(kInterface,
              [](wxDialog& d) {
                  EXPECT_EQ(TextOf(&d, kIdProductId), "900");
                  EXPECT_EQ(TextOf(&d, kIdRoutesProtocol), "A201, D202, D108, D210");
                  EXPECT_EQ(TextOf(&d, kIdTracksProtocol), "A301, D310, D301");
                  for (int id : {kIdMatchPictures, kIdTracksAsLines, kIdTracksAsPoints})
                      Check(&d, id);
                  Type(&d, kIdWaypointsFile, "Sights");
                  Ok(d);
              })
        .Then(kPictures, [&files](wxDialog& d) {
            dynamic_cast<CPictureMatchDlg&>(d).SetFileChooser(
                [&files](wxWindow*, std::vector<std::string>* chosen) {
                    *chosen = files;
                    return true;
                });
            Click(&d, kIdSelectPictureFiles);
            Choose(&d, kIdPicturesPerWaypoint, "5");  // "Local" takes a single picture
            Ok(d);
        });
    // The progress is painted during the transfers, with no input taken; each paint
    // also uncovers the map, which waits for the whole download.
    int withoutInput = 0;
    {
        ProgressPaints paints([&withoutInput] {
            withoutInput += Frame().TransferRunning() && !LayersBar().IsEnabled();
            View().GetCanvas()->Refresh();
        });
        Command(ID_IMPORT_GARMIN);
    }
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(script.unexpected.empty());
    EXPECT_TRUE(script.messages.empty()) << script.messages[0];
    EXPECT_GT(withoutInput, 3);
    EXPECT_TRUE(Frame().IsEnabled());
    EXPECT_EQ(g_pStatusBar->GetStatusText(0).utf8_string(),
              " Transfering Track Log as Points 380 of 382");  // of the records, headers too
    EXPECT_EQ(LayerNames(),
              (std::vector<std::string>{"Garmin GPS Waypoints", "Garmin GPS Routes",
                                        "Garmin GPS Tracks", "Garmin GPS Tracks(Pts)"}));
    EXPECT_TRUE(Doc().IsModified());
    ExpectEveryLayerDrawn();

    // File > Save of an unnamed document asks for the place with Save As.
    TempDir out;
    SaveThrough(wxID_SAVE, "Save As", out.File("Town"));
    EXPECT_FALSE(Doc().IsModified());
    // The shapes of each file, and the picture fields of MARKET (two pictures,
    // earliest first) and CHURCH (one, in "Local"), read back from the files.
    const char* reader = R"(import shapefile, sys
for n in ("Sights", "Routes", "Tracks", "TracksPts"): print(n, len(shapefile.Reader(sys.argv[1] + n)))
r = shapefile.Reader(sys.argv[1] + "Sights")
print([f[0] for f in r.fields[-5:]])
for i in (0, 1): print([v.strip() for v in r.record(i)[-5:]]))";
    EXPECT_EQ(RunCommand(PythonInterpreter() + " -c '" + reader + "' " + out.path()).output,
              "Sights 20\nRoutes 2\nTracks 2\nTracksPts 380\n['North', 'East', 'South', 'West', "
              "'Local']\n['" +
                  files[0] + "', '" + files[2] + "', '', '', '']\n['', '', '', '', '" + files[1] +
                  "']\n");
}

TEST_F(Import, CancelsAPortThatDoesNotOpenMagellanDefaultsAndNothingTicked) {
    // Cancel in each dialog, or a port that does not open: nothing is imported, no
    // other dialog is shown, and nobody holds the port (it is opened exclusively).
    TempDir dir;
    const std::string missing = dir.File("no-such-port");
    const struct {
        int command;
        std::vector<std::string> titles;  // the last is cancelled, or OK on a missing port
        bool portMissing;
    } stops[] = {
        {ID_IMPORT_GARMIN, {kComm}, true},
        {ID_IMPORT_MAGELLAN, {kPortProperties}, true},
        {ID_IMPORT_GARMIN, {kComm}, false},
        {ID_IMPORT_GARMIN, {kComm, kInterface}, false},
        {ID_IMPORT_MAGELLAN, {kPortProperties}, false},
        {ID_IMPORT_MAGELLAN, {kPortProperties, kInterface}, false},
    };
    for (const auto& [command, titles, portMissing] : stops) {
        SCOPED_TRACE(titles.back() + (portMissing ? " missing" : ""));
        setenv("QUORVEX_COM2", portMissing ? missing.c_str() : m_receiver.DevicePath().c_str(), 1);
        DialogScript script;
        for (size_t i = 0; i < titles.size(); ++i)
            script.Then(titles[i], i + 1 < titles.size() || portMissing ? Ok : CancelIt);
        Command(command);
        EXPECT_EQ(script.messages.empty() ? "" : script.messages[0],
                  portMissing ? "Could not open Serial port " + missing + "\nErr = 2" : "");
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.unexpected.empty());
        EXPECT_EQ(Doc().m_geometryStore.layerCount, 0);
        EXPECT_FALSE(Doc().IsModified());
        EXPECT_TRUE(Frame().IsEnabled());  // the window takes input again
        EXPECT_TRUE(portMissing || SerialPort().Open("Com2", "9600,N,8,1"));
    }

    // The picture dialog's Cancel only turns the matching off: the waypoints
    // come without picture fields.
    {
        DialogScript pictures;
        pictures.Then(kComm, Ok).Then(kInterface, [](wxDialog& d) {
            Check(&d, kIdMatchPictures);
            Check(&d, kIdTransferRoutes, false);
            Ok(d);
        });
        pictures.Then(kPictures, CancelIt);
        Command(ID_IMPORT_GARMIN);
        EXPECT_TRUE(pictures.Done());
    }
    const AttributeTable& table = Doc().m_attributeStore.Table(0);
    for (int f = 0; f < table.fieldCount; ++f) EXPECT_STRNE(table.fields[f].name, "North");
    Doc().Modify(false);
    Command(wxID_NEW);

    // The receiver by its path as "Other device" (an empty path is refused);
    // the next import offers it again. Magellan takes no pictures or points.
    const std::string path = m_receiver.DevicePath();
    unsetenv("QUORVEX_COM2");
    for (bool again : {false, true}) {
        DialogScript script;
        script.Then(kPortProperties, [&](wxDialog& d) {
            if (again) {
                EXPECT_TRUE(Control<wxRadioButton>(&d, kIdComOther)->GetValue());
                EXPECT_EQ(TextOf(&d, kIdOtherDevice), path);
                return CancelIt(d);
            }
            Check(&d, kIdComOther);
            Click(&d, wxID_OK);
            Type(&d, kIdOtherDevice, path);
            EXPECT_TRUE(Control<wxRadioButton>(&d, kIdComOther)->GetValue());
            Ok(d);
        });
        if (!again)
            script.Then(kInterface, [](wxDialog& d) {
                EXPECT_EQ(TextOf(&d, kIdDeviceDescription), "QUORVEX SIMULATED RECEIVER");
                for (int id : {kIdMatchPictures, kIdTracksAsPoints})
                    EXPECT_FALSE(d.FindWindow(id)->IsEnabled()) << id;
                Ok(d);
            });
        Command(ID_IMPORT_MAGELLAN);
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(script.messages.empty() ? "" : script.messages[0],
                  again ? "" : "Choose or type the path of the serial device.");
    }
    setenv("QUORVEX_COM2", path.c_str(), 1);
    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Magellan Waypoints", "Magellan Routes"}));
    ExpectEveryLayerDrawn();

    // With nothing ticked the import still takes a layer that neither the
    // total extent nor the views know of yet, and marks the document modified.
    Doc().Modify(false);  // as if saved
    const GeometryStore& store = Doc().m_geometryStore;
    const double east = store.xMax + 0.1, north = store.yMax + 0.1;
    AddLayer("Later",
             {{(store.xMin + store.xMax) / 2, (store.yMin + store.yMax) / 2}, {east, north}});
    DialogScript nothing;
    nothing.Then(kComm, Ok).Then(kInterface, [](wxDialog& d) {
        Check(&d, kIdTransferWaypoints, false);
        Check(&d, kIdTransferRoutes, false);
        Ok(d);
    });
    Doc().m_sessionTrace = dir.File("s.trace");  // as File > Import > Save Session Trace... sets it
    Command(ID_IMPORT_GARMIN);
    EXPECT_TRUE(nothing.Done());
    EXPECT_TRUE(nothing.messages.empty());
    EXPECT_EQ(store.layerCount, 3);
    EXPECT_DOUBLE_EQ(store.xMax, east);
    EXPECT_DOUBLE_EQ(store.yMax, north);
    EXPECT_TRUE(Doc().IsModified());
    ExpectEveryLayerDrawn();
    // The trace holds that import's line from the product request on, for that import only.
    const std::string line = ReadTextFile(dir.File("s.trace"));
    EXPECT_EQ(line.find(" > 10 fe 00 02 10 03\n"), 8u) << line;
    EXPECT_TRUE(Doc().m_sessionTrace.empty());
}

// A receiver mounted as a drive: offered first, the "GPS Interface" dialog starts
// with track lines ticked; then the document exported as GPX.
TEST_F(Import, GpxFromAMountedReceiverThenExportedAsGpx) {
    TempDir media;
    std::filesystem::create_directories(media.File("ETREX/Garmin/GPX"));
    std::ofstream(media.File("ETREX/Garmin/GPX/Current.gpx"))
        << "<gpx version='1.1' xmlns='http://www.topografix.com/GPX/1/1'><wpt lat='46' "
           "lon='7.8'><name>HUT</name></wpt><trk><trkseg><trkpt lat='46' lon='7.8'/><trkpt "
           "lat='46.1' lon='7.9'/></trkseg></trk></gpx>";
    setenv("QUORVEX_MEDIA_ROOT", media.path().c_str(), 1);
    {
        DialogScript script;
        script
            .Then(
                "GPX Files",
                [](wxDialog& d) { dynamic_cast<wxSingleChoiceDialog&>(d).SetSelection(0); },
                wxID_OK)
            .Then(kInterface, [&](wxDialog& d) {
                EXPECT_EQ(TextOf(&d, kIdDeviceDescription), "Receiver at " + media.File("ETREX"));
                EXPECT_TRUE(Control<wxCheckBox>(&d, kIdTracksAsLines)->GetValue());
                Ok(d);
            });
        Command(ID_IMPORT_GPX);
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"GPX Waypoints", "GPX Tracks"}));
    ExpectEveryLayerDrawn();

    const std::string gpx = media.File("out.gpx");
    SaveThrough(ID_EXPORT_GPX, "Export as GPX", gpx);
    const std::string text = ReadTextFile(gpx);
    EXPECT_NE(text.find("<name>HUT</name>"), std::string::npos) << text;
    EXPECT_NE(text.find("<trkpt lat=\"46.100000000\" lon=\"7.900000000\">"), std::string::npos);
}

TEST_F(Import, CancelStopsTheDownloadKeepsWhatArrivedAndSkipsTheRest) {
    SimulatorProcess large({"--dataset", "generated:4000,2,0"});
    ASSERT_TRUE(large.Started()) << large.Error();
    setenv("QUORVEX_COM2", large.DevicePath().c_str(), 1);
    // The first painted progress text is answered by a click on Cancel; the
    // paints meanwhile come at most 20 times a second.
    const auto start = std::chrono::steady_clock::now();
    bool clicked = false;
    ProgressPaints paints([&clicked] {
        if (std::exchange(clicked, true)) return;
        EXPECT_TRUE(Frame().CancelButton()->IsShownOnScreen());
        EXPECT_FALSE(Frame().GetToolBar()->IsEnabled());
        EXPECT_FALSE(View().GetCanvas()->IsEnabled());
        wxUIActionSimulator mouse;
        mouse.MouseMove(Frame().CancelButton()->GetScreenRect().GetPosition() + wxPoint(5, 5));
        mouse.MouseClick();
    });
    DialogScript script;
    script.Then(kPortProperties, Ok).Then(kInterface, Ok);
    Command(ID_IMPORT_MAGELLAN);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"Transfer stopped by the user; what arrived is kept."});
    EXPECT_LE(paints.count, ms / 50 + 3);
    ASSERT_EQ(LayerNames(), std::vector<std::string>{"Magellan Waypoints"});
    EXPECT_GT(Doc().m_geometryStore.Layer(0).pointCount, 0);
    EXPECT_LT(Doc().m_geometryStore.Layer(0).pointCount, 4000);
    EXPECT_FALSE(Frame().TransferRunning());
    EXPECT_FALSE(Frame().CancelButton()->IsShown());
    EXPECT_TRUE(LayersBar().IsEnabled());
}
