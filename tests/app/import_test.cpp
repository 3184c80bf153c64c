// File > Import through the program's own dialogs against the simulated
// receiver on Com 2: whole downloads drawn on the map and saved with Save As
// (the files read back by an independent reader), Cancel in each dialog, a port
// that does not open, and an import with nothing ticked.

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/radiobut.h>
#include <wx/statusbr.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "dialog_script.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/picture_match_dlg.h"
#include "gui_test_support.h"
#include "serial/serial_port.h"
#include "simulator_process.h"
#include "test_files.h"
#include "view/command_ids.h"
#include "view/view_globals.h"

namespace {

constexpr char kComm[] = "Communication Parameters";
constexpr char kPortProperties[] = "Communication Port Properties";
constexpr char kInterface[] = "GPS Interface";
constexpr char kPictures[] = "Picture matching ";

void Ok(wxDialog& dialog) {
    Click(&dialog, wxID_OK);
}
void CancelIt(wxDialog& dialog) {
    Click(&dialog, wxID_CANCEL);
}

// Counts the paints of a progress text in the status bar while the main window
// takes no input. Each paint also uncovers the map, as a window dragged across
// the program during a transfer would.
struct ProgressPaints : wxEvtHandler {
    ProgressPaints(wxWindow* frame, wxWindow* map) : m_frame(frame), m_map(map) {
        g_pStatusBar->Bind(wxEVT_PAINT, &ProgressPaints::OnPaint, this);
    }
    ~ProgressPaints() override {
        g_pStatusBar->Unbind(wxEVT_PAINT, &ProgressPaints::OnPaint, this);
    }
    void OnPaint(wxPaintEvent& event) {
        const std::string text = g_pStatusBar->GetStatusText(0).utf8_string();
        if (text.rfind(" Transfering", 0) == 0 && !m_frame->IsEnabled()) ++count;
        m_map->Refresh();
        event.Skip();
    }
    int count = 0;
    wxWindow* m_frame;
    wxWindow* m_map;
};

class Import : public GuiTest {
  protected:
    // Starts the simulated receiver and makes it Com 2.
    void StartReceiver() {
        m_receiver = std::make_unique<SimulatorProcess>();
        ASSERT_TRUE(m_receiver->Started()) << m_receiver->Error();
        setenv("QUORVEX_COM2", m_receiver->DevicePath().c_str(), 1);
    }

    std::vector<std::string> LayerNames() const {
        std::vector<std::string> names;
        const GeometryStore& store = Doc().m_geometryStore;
        for (int k = 0; k < store.layerCount; ++k) names.push_back(store.Layer(k).name);
        return names;
    }

    // File > Save As into `dir`, the file dialog answered with `dir`/Town.
    void SaveAs(const TempDir& dir) {
        DialogScript script;
        script.Answer(
            "Save As",
            [&dir](wxDialog& dialog) {
                auto& files = dynamic_cast<wxFileDialog&>(dialog);
                files.SetPath(dir.File("Town"));
                // GTK's file chooser takes the path once it has read the folder.
                for (int wait = 0; wait < 100 && files.GetPath().empty(); ++wait) Pump(50);
            },
            wxID_OK);
        Command(wxID_SAVEAS);
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.messages.empty()) << script.messages[0];
        EXPECT_EQ(Doc().GetFilename().utf8_string(), dir.File("Town"));
    }

    // The checker's verdict on the files in `dir` against the served dataset
    // ("" when they match).
    std::string CheckFiles(const char* script, const TempDir& dir, const std::string& arguments) {
        const std::string dataset = dir.File("dataset.json");
        if (RunCommand(BinDir() + "/quorvex-gpssim --dump-dataset > " + dataset).status != 0)
            return "could not dump the dataset";
        const CommandResult check = RunCommand(PythonInterpreter() + " " + TestScript(script) +
                                               " " + dataset + " " + dir.path() + " " + arguments);
        return check.status == 0 ? "" : check.output;
    }

    // Every layer of the store has its colour on the drawn map.
    void ExpectEveryLayerDrawn() {
        Pump(200);
        EXPECT_TRUE(View().m_extentSet);
        const wxImage image = RenderScreen(CanvasSize());
        for (int k = 0; k < Doc().m_geometryStore.layerCount; ++k)
            EXPECT_GT(CountColour(image, LayerRgb(k)), 0) << Doc().m_geometryStore.Layer(k).name;
    }

    std::unique_ptr<SimulatorProcess> m_receiver;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST_F(Import, GarminEveryLayerWithPicturesDrawnAndSaved) {
    StartReceiver();
    // Pictures whose camera dates fall near MARKET (08:05) and CHURCH (08:34).
    TempDir pictures;
    const std::vector<std::string> files = {pictures.File("IMG_0001.JPG"),
                                            pictures.File("IMG_0002.JPG"),
                                            pictures.File("IMG_0003.JPG")};
    WriteFile(files[0], std::string("\xFF\xD8 Exif 2003:05:17 08:06:10 ", 27));
    WriteFile(files[1], std::string("\xFF\xD8 Exif 2003:05:17 08:33:00 ", 27));
    WriteFile(files[2], std::string("\xFF\xD8 Exif 2003:05:17 08:07:30 ", 27));

    DialogScript script;
    script
        .Then(kComm,
              [](wxDialog& d) {
                  EXPECT_TRUE(Control<wxRadioButton>(&d, kIdCom2)->GetValue());
                  Ok(d);
              })
        .Then(kInterface,
              [](wxDialog& d) {
                  EXPECT_EQ(TextOf(&d, kIdProductId), "900");
                  EXPECT_FALSE(TextOf(&d, kIdDeviceDescription).empty());
                  EXPECT_EQ(TextOf(&d, kIdWaypointsProtocol), "A100, D108");
                  EXPECT_EQ(TextOf(&d, kIdRoutesProtocol), "A201, D202, D108, D210");
                  EXPECT_EQ(TextOf(&d, kIdTracksProtocol), "A301, D310, D301");
                  Check(&d, kIdMatchPictures, true);
                  Check(&d, kIdTracksAsLines, true);
                  Check(&d, kIdTracksAsPoints, true);
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
    {
        ProgressPaints paints(&Frame(), View().GetCanvas());
        Command(ID_IMPORT_GARMIN);
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.unexpected.empty());
        EXPECT_TRUE(script.messages.empty()) << script.messages[0];
        // The progress was painted during the transfers, with no input taken;
        // the map, uncovered meanwhile, waited for the whole download.
        EXPECT_GT(paints.count, 3);
    }
    EXPECT_TRUE(Frame().IsEnabled());
    EXPECT_EQ(g_pStatusBar->GetStatusText(0).utf8_string(),
              " Transfering Track Log as Points 380 of 382");  // of the records, headers too

    const std::vector<std::string> layers = {"Garmin GPS Waypoints", "Garmin GPS Routes",
                                             "Garmin GPS Tracks", "Garmin GPS Tracks(Pts)"};
    EXPECT_EQ(LayerNames(), layers);
    EXPECT_TRUE(Doc().IsModified());
    for (size_t k = 0; k < layers.size(); ++k) {
        EXPECT_EQ(LayersBar().Box(k)->GetLabel(), layers[k]);
        EXPECT_TRUE(LayersBar().Box(k)->GetValue());
    }
    ExpectEveryLayerDrawn();

    TempDir out;
    SaveAs(out);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(CheckFiles("garmin_check.py", out,
                         "--layers Waypoints=Sights,Routes,Tracks,TracksPts --waypoint-type 108 "
                         "--route-types 201,202,108 --track-types 301,310,301"),
              "");
    // The picture fields of MARKET (two pictures, earliest first) and CHURCH (one,
    // in "Local"), read back from the written table.
    const CommandResult fields =
        RunCommand(PythonInterpreter() + " -c 'import shapefile\nr = shapefile.Reader(\"" +
                   out.File("Sights") +
                   "\")\nprint([f[0] for f in r.fields[-5:]])\nfor i in (0, 1): "
                   "print([v.strip() for v in r.record(i)[-5:]])'");
    EXPECT_EQ(fields.output, "['North', 'East', 'South', 'West', 'Local']\n['" + files[0] + "', '" +
                                 files[2] + "', '', '', '']\n['', '', '', '', '" + files[1] +
                                 "']\n");
}

TEST_F(Import, MagellanWithTheDefaultsDrawnAndSaved) {
    StartReceiver();
    DialogScript script;
    script.Then(kPortProperties, Ok).Then(kInterface, [](wxDialog& d) {
        EXPECT_EQ(TextOf(&d, kIdProductId), "19");
        EXPECT_EQ(TextOf(&d, kIdDeviceDescription), "QUORVEX SIMULATED RECEIVER");
        EXPECT_EQ(TextOf(&d, kIdWaypointsProtocol), "PMGNWPL");
        EXPECT_EQ(TextOf(&d, kIdRoutesProtocol), "PMGNRTE");
        EXPECT_EQ(TextOf(&d, kIdTracksProtocol), "PMGNTRK");
        Ok(d);
    });
    Command(ID_IMPORT_MAGELLAN);
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(script.unexpected.empty());
    EXPECT_TRUE(script.messages.empty()) << script.messages[0];

    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Magellan Waypoints", "Magellan Routes"}));
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(LayersBar().Box(1)->GetLabel(), "Magellan Routes");
    ExpectEveryLayerDrawn();

    TempDir out;
    SaveAs(out);
    EXPECT_TRUE(FileExists(out.File("Waypoints.DBF")));
    EXPECT_TRUE(FileExists(out.File("Routes.SHP")));
    EXPECT_FALSE(FileExists(out.File("Tracks.SHP")));
    EXPECT_EQ(CheckFiles("magellan_check.py", out, ""), "");
}

TEST_F(Import, CancelInEachDialogTouchesNothingAndClosesThePort) {
    StartReceiver();
    const auto expectUntouched = [this](const DialogScript& script) {
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.unexpected.empty());
        EXPECT_TRUE(script.messages.empty());
        EXPECT_EQ(Doc().m_geometryStore.layerCount, 0);
        EXPECT_EQ(Doc().m_attributeStore.tableCount, 0);
        EXPECT_FALSE(Doc().IsModified());
        EXPECT_TRUE(Frame().IsEnabled());
        // Nobody holds the port: it opens again (the port is opened exclusively).
        SerialPort port;
        EXPECT_TRUE(port.Open("Com2", "9600,N,8,1"));
    };
    {
        DialogScript script;
        script.Then(kComm, CancelIt);
        Command(ID_IMPORT_GARMIN);
        expectUntouched(script);
    }
    {
        DialogScript script;
        script.Then(kComm, Ok).Then(kInterface, CancelIt);
        Command(ID_IMPORT_GARMIN);
        expectUntouched(script);
    }
    {
        DialogScript script;
        script.Then(kPortProperties, CancelIt);
        Command(ID_IMPORT_MAGELLAN);
        expectUntouched(script);
    }
    // The picture dialog's Cancel only turns the matching off: the waypoints
    // come without picture fields.
    DialogScript script;
    script.Then(kComm, Ok)
        .Then(kInterface,
              [](wxDialog& d) {
                  Check(&d, kIdMatchPictures, true);
                  Check(&d, kIdTransferRoutes, false);
                  Ok(d);
              })
        .Then(kPictures, CancelIt);
    Command(ID_IMPORT_GARMIN);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(LayerNames(), std::vector<std::string>{"Garmin GPS Waypoints"});
    const AttributeTable& table = Doc().m_attributeStore.Table(0);
    for (int f = 0; f < table.fieldCount; ++f) EXPECT_STRNE(table.fields[f].name, "North");
}

TEST_F(Import, NothingTickedStillRedrawsAndMarksTheDocumentModified) {
    StartReceiver();
    AddPointLayer("Earlier", {{11.3, 48.2}, {11.4, 48.3}});
    FinishImport();
    Doc().Modify(false);  // as if saved
    // A layer neither the total extent nor the views know of yet.
    AddPointLayer("Later", {{11.35, 48.25}, {11.45, 48.35}});

    DialogScript script;
    script.Then(kComm, Ok).Then(kInterface, [](wxDialog& d) {
        Check(&d, kIdTransferWaypoints, false);
        Check(&d, kIdTransferRoutes, false);
        Ok(d);
    });
    Command(ID_IMPORT_GARMIN);
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(Doc().m_geometryStore.layerCount, 2);
    EXPECT_DOUBLE_EQ(Doc().m_geometryStore.xMax, 11.45);
    EXPECT_DOUBLE_EQ(Doc().m_geometryStore.yMax, 48.35);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(LayersBar().Box(1)->GetLabel(), "Later");
    ExpectEveryLayerDrawn();
}

TEST_F(Import, PortThatDoesNotOpenShowsItsMessageAndEnds) {
    TempDir dir;
    const std::string missing = dir.File("no-such-port");
    setenv("QUORVEX_COM2", missing.c_str(), 1);
    for (int command : {ID_IMPORT_GARMIN, ID_IMPORT_MAGELLAN}) {
        DialogScript script;
        script.Then(command == ID_IMPORT_GARMIN ? kComm : kPortProperties, Ok);
        Command(command);
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.unexpected.empty());
        ASSERT_FALSE(script.messages.empty());
        EXPECT_EQ(script.messages[0], "Could not open Serial port " + missing + "\nErr = 2");
        for (const std::string& title : script.titles) EXPECT_NE(title, kInterface);
    }
    EXPECT_EQ(Doc().m_geometryStore.layerCount, 0);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_TRUE(Frame().IsEnabled());
}
