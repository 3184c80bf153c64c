// The document: File > New with its save question, the save step writing the
// shapefiles, a failed save keeping the document modified, Save without a path,
// and a document named on the command line.

#include <wx/checkbox.h>
#include <wx/filename.h>

#include "app/demo_data.h"
#include "gui_test_support.h"
#include "recording_feedback.h"
#include "test_files.h"

namespace {

class Document : public GuiTest {
  protected:
    void Import() {
        FillDemoData(Doc().m_geometryStore, Doc().m_attributeStore);
        FinishImport();
        ASSERT_EQ(LayersBar().Box(0)->GetLabel(), "Garmin GPS Waypoints");
    }
};

}  // namespace

TEST_F(Document, NewAsksToSaveThenClearsEverything) {
    Import();
    {
        DialogAnswer answer(wxID_CANCEL);
        Command(wxID_NEW);
        ASSERT_EQ(answer.messages.size(), 1u);
        EXPECT_EQ(answer.messages[0], "Do you want to save changes to Untitled?");
    }
    EXPECT_EQ(Doc().m_geometryStore.layerCount, 4);  // cancel keeps everything
    EXPECT_TRUE(Doc().IsModified());

    {
        DialogAnswer answer(wxID_NO);
        Command(wxID_NEW);
        EXPECT_EQ(answer.messages.size(), 1u);
    }
    EXPECT_EQ(Doc().m_geometryStore.layerCount, 0);
    EXPECT_EQ(Doc().m_attributeStore.tableCount, 0);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Frame().GetTitle(), "Untitled - QUORVEX");
    for (int k = 0; k < CLayersBar::kBoxes; ++k) {
        EXPECT_FALSE(LayersBar().Box(k)->GetValue()) << k;
        EXPECT_TRUE(LayersBar().Box(k)->GetLabel().Trim().empty()) << k;
    }
    EXPECT_FALSE(View().m_extentSet);

    // An unmodified document is cleared without a question.
    DialogAnswer none(wxID_CANCEL);
    Command(wxID_NEW);
    EXPECT_TRUE(none.titles.empty());
}

TEST_F(Document, SaveWritesEveryLayerIntoTheChosenDirectory) {
    Import();
    TempDir dir;
    RecordingFeedback feedback;
    EXPECT_TRUE(Doc().OnSaveDocument(dir.File("anything.xyz")));
    EXPECT_FALSE(Doc().IsModified());
    for (const char* base : {"Waypoints", "Routes", "Tracks", "TracksPts"})
        for (const char* ext : {".SHP", ".SHX", ".DBF"})
            EXPECT_TRUE(FileExists(dir.File(std::string(base) + ext))) << base << ext;
    EXPECT_FALSE(FileExists(dir.File("anything.xyz")));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(Document, FailedSaveKeepsTheDocumentModified) {
    Import();
    RecordingFeedback feedback;
    EXPECT_FALSE(Doc().OnSaveDocument("/nonexistent-quorvex-dir/out.shp"));
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_FALSE(feedback.messages.empty());
}

TEST_F(Document, SaveWithoutAPathAsksForOne) {
    Import();
    DialogAnswer answer(wxID_CANCEL);
    Command(wxID_SAVE);
    ASSERT_EQ(answer.titles.size(), 1u);
    EXPECT_EQ(answer.titles[0], "Save As");
    EXPECT_TRUE(Doc().IsModified());
}

TEST_F(Document, NameOnTheCommandLineIsTakenInNameOnly) {
    TempDir dir;
    EXPECT_TRUE(Doc().OnOpenDocument(dir.File("Trip.shp")));
    EXPECT_EQ(Frame().GetTitle(), "Trip.shp - QUORVEX");
    EXPECT_EQ(Doc().m_geometryStore.layerCount, 0);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_FALSE(FileExists(dir.File("Trip.shp")));

    // File > New goes back to the default title but keeps the path, so a later
    // Save writes there without asking.
    Command(wxID_NEW);
    EXPECT_EQ(Frame().GetTitle(), "Untitled - QUORVEX");
    EXPECT_EQ(Doc().GetFilename(), wxString(dir.File("Trip.shp")));
}
