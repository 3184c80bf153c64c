#include "shapefile/layer_export.h"

#include <unistd.h>
#include "quorvex_test.h"

#include <filesystem>

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "read_back.h"

using nlohmann::json;

namespace {

// A document's two stores, filled the way the transfers fill them.
struct Document {
    GeometryStore geometry;
    AttributeStore attributes;

    Document() {
        geometry.Clear();
        attributes.Clear();
    }

    // A waypoint layer with one record per point.
    int Waypoints(const char* name, const char* fileName, int count, double x0 = 0) {
        int l = geometry.AddLayer(name, fileName, 500, 0, 0);
        int t = attributes.AddTable(name, fileName);
        geometry.Layer(l).attributeTable = t;
        attributes.AddField(t, "Ident", 'C', 12, 0);
        attributes.AddField(t, "Longitude", 'N', 12, 5);
        attributes.ReserveRecords(t, 500);
        for (int i = 0; i < count; ++i) {
            int p = geometry.FindOrAddPoint(l, x0 + i, i * 0.5);
            attributes.SetText(t, p, 0, ("WP" + std::to_string(i)).c_str());
            attributes.SetNumber(t, p, 1, x0 + i);
        }
        geometry.ComputeExtent(l);
        return l;
    }

    // A route layer of one line through `points` points, with one record: its
    // edges carry the record's number, 1.
    int Route(const char* fileName, int points) {
        int l = geometry.AddLayer("Route", fileName, 500, 500, 0);
        int t = attributes.AddTable("Route", fileName);
        geometry.Layer(l).attributeTable = t;
        attributes.AddField(t, "Ident", 'C', 40, 0);
        int previous = -1;
        for (int i = 0; i < points; ++i) {
            int p = geometry.FindOrAddPoint(l, i * 0.001, 1.0);
            if (previous >= 0) geometry.AddVertex(l, 1, previous, p);
            previous = p;
        }
        attributes.SetText(t, 0, 0, "R1");
        geometry.ComputeExtent(l);
        return l;
    }

    int TableOf(int layer) { return geometry.Layer(layer).attributeTable; }
};

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(LayerExport, WritesChangedLayersThenTablesOnce) {
    for (auto [path, directory] : {std::pair{"/data/out/anything.xyz", "/data/out/"},
                                   {"/data/out/", "/data/out/"},
                                   {"anything.xyz", ""},
                                   {"/x", "/"}})
        EXPECT_EQ(ExportDirectory(path), directory);
    TempDir dir;
    RecordingFeedback feedback;
    Document doc;
    doc.Waypoints("Garmin GPS Waypoints", "WPTS", 3);
    doc.Route("ROUTE1", 4);
    int gone = doc.Waypoints("Gone", "GONE", 2);
    doc.geometry.DeleteLayer(gone);
    doc.geometry.Layer(gone).modified = true;  // deleted wins over modified

    ExportResult result = ExportLayers(doc.geometry, doc.attributes, dir.File("anything.xyz"));
    EXPECT_TRUE(result.allWritten);
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(result.layersWritten, 2);
    EXPECT_EQ(result.tablesWritten, 3);  // the deleted layer's table is still a table
    EXPECT_EQ(result.filesWritten,
              (std::vector<std::string>{
                  dir.File("WPTS.SHP"), dir.File("WPTS.SHX"), dir.File("WPTS.PRJ"),
                  dir.File("ROUTE1.SHP"), dir.File("ROUTE1.SHX"), dir.File("ROUTE1.PRJ"),
                  dir.File("WPTS.DBF"), dir.File("WPTS.CPG"), dir.File("ROUTE1.DBF"),
                  dir.File("ROUTE1.CPG"), dir.File("GONE.DBF"), dir.File("GONE.CPG")}));
    EXPECT_EQ(FilesIn(dir.path()).size(), 12u);
    // The code page and the coordinate system, byte for byte (no line end).
    EXPECT_EQ(ReadTextFile(dir.File("GONE.CPG")), "UTF-8");
    EXPECT_EQ(ReadTextFile(dir.File("ROUTE1.PRJ")),
              "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,"
              "298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]");

    // Nothing changed since: a second save writes nothing, wherever it goes.
    TempDir other;
    result = ExportLayers(doc.geometry, doc.attributes, other.File("again.shp"));
    EXPECT_TRUE(result.allWritten);
    EXPECT_TRUE(result.filesWritten.empty());
    EXPECT_TRUE(FilesIn(other.path()).empty());

    // A download afterwards: only what it made is written next time.
    doc.Waypoints("More", "MORE", 1);
    result = ExportLayers(doc.geometry, doc.attributes, other.path());
    EXPECT_EQ(FilesIn(other.path()), (std::vector<std::string>{"MORE.CPG", "MORE.DBF", "MORE.PRJ",
                                                               "MORE.SHP", "MORE.SHX"}));
}

// A file that cannot be written fails its own layer or table: one message
// naming it, no half of a set left behind, the layer or table still modified,
// and the rest written; the next save writes just what is still due.
TEST(LayerExport, FailedFiles) {
    enum Obstacle { kMissingDirectory, kBelowAFile, kFullDisk, kTooLarge };
    const std::vector<const char*> all = {"WPTS.SHP", "ROUTE1.SHP", "WPTS.DBF", "ROUTE1.DBF"};
    const struct {
        Obstacle obstacle;
        const char* directory;            // where the save goes, in the scratch directory
        std::vector<const char*> failed;  // the files named by the messages, in order
        const char* reason;               // the end of each message
        std::vector<std::string> left;    // files in the scratch directory afterwards
        std::vector<bool> modified;       // waypoint layer and table, route layer and table
        size_t dueNext;                   // files the next save writes
    } rows[] = {
        {kMissingDirectory, "missing/", all, "No such file or directory", {}, {1, 1, 1, 1}, 10},
        {kBelowAFile, "plainfile/", all, "Not a directory", {"plainfile"}, {1, 1, 1, 1}, 10},
        // The .SHX of the waypoints and the .DBF of the route go to a full disk.
        {kFullDisk,
         "",
         {"WPTS.SHX", "ROUTE1.DBF"},
         "No space left on device",
         {"ROUTE1.PRJ", "ROUTE1.SHP", "ROUTE1.SHX", "WPTS.CPG", "WPTS.DBF"},
         {1, 0, 0, 1},
         5},
        // A .SHP of 2.2 GB; the route of 10,001 points is well within the format.
        {kTooLarge,
         "",
         {"WPTS.SHP"},
         "the layer needs more than 2 GB, the most a shapefile can hold; nothing of it was written",
         {"ROUTE1.CPG", "ROUTE1.DBF", "ROUTE1.PRJ", "ROUTE1.SHP", "ROUTE1.SHX", "WPTS.CPG",
          "WPTS.DBF"},
         {1, 0, 0, 0},
         3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.obstacle);
        TempDir dir;
        RecordingFeedback feedback;
        Document doc;
        int w = doc.Waypoints("W", "WPTS", 2000);
        int r = doc.Route("ROUTE1", 10001);
        if (row.obstacle == kBelowAFile) std::ofstream(dir.File("plainfile")) << "x";
        if (row.obstacle == kFullDisk) {
            ASSERT_EQ(symlink("/dev/full", dir.File("WPTS.SHX").c_str()), 0);
            ASSERT_EQ(symlink("/dev/full", dir.File("ROUTE1.DBF").c_str()), 0);
        }
        if (row.obstacle == kTooLarge) doc.geometry.Layer(w).pointCount = 80000000;

        ExportResult result =
            ExportLayers(doc.geometry, doc.attributes, dir.File(row.directory + std::string("x")));
        EXPECT_FALSE(result.allWritten);
        std::vector<std::string> messages;
        for (const char* file : row.failed)
            messages.push_back("Could not write the file " + dir.File(row.directory) + file + ": " +
                               row.reason);
        EXPECT_EQ(feedback.messages, messages);
        EXPECT_EQ(result.filesFailed.size(), messages.size());
        EXPECT_EQ(FilesIn(dir.path()), row.left);
        EXPECT_EQ(
            (std::vector<bool>{
                doc.geometry.Layer(w).modified, doc.attributes.Table(doc.TableOf(w)).modified,
                doc.geometry.Layer(r).modified, doc.attributes.Table(doc.TableOf(r)).modified}),
            row.modified);

        if (row.obstacle == kTooLarge) doc.geometry.Layer(w).pointCount = 2000;
        TempDir again;
        result = ExportLayers(doc.geometry, doc.attributes, again.path());
        EXPECT_TRUE(result.allWritten);
        EXPECT_EQ(result.filesWritten.size(), row.dueNext);
    }
}

// A save asks once before replacing files that this document did not write for
// the same layer or table; No writes nothing.
TEST(LayerExport, AsksBeforeReplacingFilesItDidNotWrite) {
    TempDir dir;
    RecordingFeedback feedback;
    Document doc;
    int w = doc.Waypoints("W", "WPTS", 2);
    std::ofstream(dir.File("WPTS.DBF")) << "another program's";
    WrittenFiles written;
    std::vector<std::vector<std::string>> asked;
    bool answer = false;
    auto save = [&] {
        return ExportLayers(doc.geometry, doc.attributes, dir.path(), &written,
                            [&](const std::vector<std::string>& files) {
                                asked.push_back(files);
                                return answer;
                            });
    };
    ExportResult result = save();
    EXPECT_TRUE(result.declined);
    EXPECT_FALSE(result.allWritten);
    EXPECT_EQ(asked, (std::vector<std::vector<std::string>>{{dir.File("WPTS.DBF")}}));
    EXPECT_EQ(ReadTextFile(dir.File("WPTS.DBF")), "another program's");
    EXPECT_EQ(FilesIn(dir.path()).size(), 1u);
    EXPECT_TRUE(doc.geometry.Layer(w).modified);

    answer = true;
    EXPECT_TRUE(save().allWritten);
    EXPECT_EQ(FilesIn(dir.path()).size(), 5u);
    // The same layer saved again replaces its own files without a question.
    doc.geometry.Layer(w).modified = doc.attributes.Table(doc.TableOf(w)).modified = true;
    EXPECT_TRUE(save().allWritten);
    EXPECT_EQ(asked.size(), 2u);
    // A second download under the same file name is another layer: asked again.
    doc.Waypoints("W", "WPTS", 3);
    EXPECT_TRUE(save().allWritten);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2].size(), 5u);
}

TEST(LayerExport, SameFileNamesGetNumberedOnce) {
    TempDir dir;
    RecordingFeedback feedback;
    Document doc;
    doc.Waypoints("Garmin GPS Waypoints", "Waypoints", 1, 10);
    doc.Waypoints("Magellan Waypoints", "Waypoints", 2, 20);
    doc.Waypoints("Own name", "Waypoints1", 3, 30);  // already takes the first number
    int fourth = doc.Waypoints("Shouting", "WAYPOINTS", 4, 40);
    // A renamed layer takes its table along, also one saved before (only the layer is
    // due); a table of its own that shares a name, with no layer, is numbered too.
    doc.Waypoints("First", "Tracks", 1, 50);
    int sixth = doc.Waypoints("Second", "Tracks", 2, 60);
    doc.attributes.Table(doc.TableOf(sixth)).modified = false;
    int lone = doc.attributes.AddTable("Lone", "tracks");
    doc.attributes.AddField(lone, "Note", 'C', 4, 0);
    doc.attributes.SetText(lone, 0, 0, "x");

    ExportResult result = ExportLayers(doc.geometry, doc.attributes, dir.path());
    EXPECT_TRUE(result.allWritten);
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0],
              "Some layers would have been saved under the same file name and overwritten each "
              "other.\nThese were saved under new file names instead:\n"
              "    Magellan Waypoints: Waypoints -> Waypoints2\n"
              "    Shouting: WAYPOINTS -> WAYPOINTS3\n    Second: Tracks -> Tracks1\n"
              "    Lone: tracks -> tracks2");
    EXPECT_TRUE(FileExists(dir.File("tracks2.DBF")));
    EXPECT_STREQ(doc.geometry.Layer(fourth).fileName, "WAYPOINTS3");
    EXPECT_STREQ(doc.attributes.Table(doc.TableOf(fourth)).fileName, "WAYPOINTS3");

    // Each set holds its own layer's points and records: count, first x.
    for (auto [base, count, x0] : {std::tuple{"Waypoints", 1u, 10.0},
                                   {"Waypoints2", 2u, 20.0},
                                   {"Waypoints1", 3u, 30.0},
                                   {"WAYPOINTS3", 4u, 40.0},
                                   {"Tracks", 1u, 50.0},
                                   {"Tracks1", 2u, 60.0}}) {
        json got = ReadBack(dir.File(base));
        EXPECT_EQ(
            std::make_tuple(got["shp"]["shapes"].size(), got["dbf"]["records"].size(),
                            got["shp"]["shapes"][0]["points"][0][0], got["dbf"]["records"][0][1]),
            std::make_tuple(count, count, json(x0), json(x0)))
            << base;
    }

    // The names stay: a later save of the same layers needs no renaming.
    doc.geometry.Layer(fourth).modified = true;
    doc.geometry.Layer(0).modified = true;
    feedback.messages.clear();
    result = ExportLayers(doc.geometry, doc.attributes, dir.path());
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(result.layersWritten, 2);
}
