#include "gpx/gpx_reader.h"

#include <expat.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/text_encoding.h"
#include "core/user_feedback.h"
#include "gpx/gpx_time.h"

namespace {

// Name spaces come from expat as "uri<separator>local".
constexpr char kNameSeparator = ' ';
// Longer texts are cut here: no field holds more than 254 bytes, and a name of
// megabytes must not cost megabytes.
constexpr size_t kMaxText = 1024;
// The file is fed to the parser in blocks of this size.
constexpr size_t kBlockSize = 1 << 16;

bool IsGpxNamespace(const std::string& uri) {
    return uri.empty() || uri == "http://www.topografix.com/GPX/1/0" ||
           uri == "http://www.topografix.com/GPX/1/1";
}

bool SameIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return i == a.size() && b[i] == '\0';
}

// Leading and trailing white space go; line breaks and tabs inside become blanks,
// as a .DBF text field holds one line.
std::string CleanText(const std::string& text) {
    size_t begin = 0, end = text.size();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    std::string clean = text.substr(begin, end - begin);
    for (char& c : clean)
        if (blank(c)) c = ' ';
    return clean;
}

bool ReadNumber(const std::string& text, double* value) {
    const std::string clean = CleanText(text);
    const char* begin = clean.c_str();
    const char* end = begin + clean.size();
    if (begin != end && *begin == '+') ++begin;
    const auto result = std::from_chars(begin, end, *value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(*value);
}

// The Unicode character of one byte in Windows-1252.
int Windows1252CodePoint(int byte) {
    const char c = static_cast<char>(byte);
    const std::string utf8 = Windows1252ToUtf8(&c, 1);
    int code = static_cast<unsigned char>(utf8[0]);
    if (utf8.size() == 2) code = (code & 0x1F) << 6 | (utf8[1] & 0x3F);
    if (utf8.size() == 3) code = (code & 0x0F) << 12 | (utf8[1] & 0x3F) << 6 | (utf8[2] & 0x3F);
    return code;
}

// Windows-1252, which some programs declare for their GPX files and expat does
// not know.
int XMLCALL Windows1252Encoding(void*, const XML_Char* name, XML_Encoding* info) {
    const std::string encoding(name);
    if (!SameIgnoringCase(encoding, "windows-1252") && !SameIgnoringCase(encoding, "cp1252"))
        return XML_STATUS_ERROR;
    info->map[0] = 0;
    for (int i = 1; i < 256; ++i) info->map[i] = Windows1252CodePoint(i);
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

class GpxParser {
  public:
    GpxParser(GpxData* data, const std::string& name) : data_(data), name_(name) {
        parser_ = XML_ParserCreateNS(nullptr, kNameSeparator);
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, StartElement, EndElement);
        XML_SetCharacterDataHandler(parser_, CharacterData);
        XML_SetUnknownEncodingHandler(parser_, Windows1252Encoding, nullptr);
    }
    ~GpxParser() { XML_ParserFree(parser_); }
    GpxParser(const GpxParser&) = delete;
    GpxParser& operator=(const GpxParser&) = delete;

    // Feeds one block; false once the document is done with (fault or refusal).
    bool Feed(const char* bytes, size_t size, bool last) {
        if (XML_Parse(parser_, bytes, static_cast<int>(size), last) != XML_STATUS_ERROR)
            return true;
        if (!notGpx_) {
            result_ = GpxReadResult::kBroken;
            ShowMessage(FormatText(
                "%s, line %lu, column %lu: %s. What was read before this point is kept.",
                name_.c_str(), static_cast<unsigned long>(XML_GetCurrentLineNumber(parser_)),
                static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser_) + 1),
                XML_ErrorString(XML_GetErrorCode(parser_))));
        }
        return false;
    }

    GpxReadResult Result() const { return result_; }

  private:
    enum class Kind {
        kGpx,
        kWaypoint,
        kRoute,
        kRoutePoint,
        kTrack,
        kSegment,
        kTrackPoint,
        kExtensions,
        kValue
    };
    enum class Value { kName, kComment, kDescription, kElevation, kTime, kSymbol, kDepth };
    struct Frame {
        Kind kind;
        Value value;
        Kind owner;  // for values and extensions: the element they describe
    };

    static void XMLCALL StartElement(void* self, const XML_Char* name, const XML_Char** atts) {
        static_cast<GpxParser*>(self)->Start(name, atts);
    }
    static void XMLCALL EndElement(void* self, const XML_Char*) {
        static_cast<GpxParser*>(self)->End();
    }
    static void XMLCALL CharacterData(void* self, const XML_Char* text, int length) {
        auto* parser = static_cast<GpxParser*>(self);
        if (parser->skipDepth_ == 0 && !parser->frames_.empty() &&
            parser->frames_.back().kind == Kind::kValue && parser->text_.size() < kMaxText)
            parser->text_.append(
                text, std::min(static_cast<size_t>(length), kMaxText - parser->text_.size()));
    }

    void Start(const char* qualified, const char** atts) {
        if (skipDepth_ > 0) {
            ++skipDepth_;
            return;
        }
        const char* separator = std::strchr(qualified, kNameSeparator);
        const std::string uri = separator ? std::string(qualified, separator) : std::string();
        const std::string local = separator ? std::string(separator + 1) : std::string(qualified);

        if (frames_.empty()) {
            if (local != "gpx" || !IsGpxNamespace(uri)) {
                notGpx_ = true;
                result_ = GpxReadResult::kNotGpx;
                ShowMessage(FormatText("%s is not a GPX file: its root element is <%s>.",
                                       name_.c_str(), local.c_str()));
                XML_StopParser(parser_, XML_FALSE);
                return;
            }
            frames_.push_back({Kind::kGpx, Value::kName, Kind::kGpx});
            return;
        }
        const Frame parent = frames_.back();
        if (parent.kind == Kind::kExtensions) {
            // Garmin's extensions nest their values one level down
            // (<gpxx:WaypointExtension><gpxx:Depth>, <gpxtpx:TrackPointExtension>
            // <gpxtpx:depth>); any element there may hold them.
            if (SameIgnoringCase(local, "depth")) return PushValue(Value::kDepth, parent.owner);
            frames_.push_back({Kind::kExtensions, Value::kName, parent.owner});
            return;
        }
        if (!IsGpxNamespace(uri)) return Skip();

        switch (parent.kind) {
            case Kind::kGpx:
                if (local == "wpt" && data_->wantWaypoints) return StartWaypoint(atts);
                if (local == "rte" && data_->wantRoutes) return StartLine(Kind::kRoute);
                if (local == "trk" && data_->wantTracks) return StartLine(Kind::kTrack);
                return Skip();
            case Kind::kWaypoint:
                if (local == "name") return PushValue(Value::kName, parent.kind);
                if (local == "cmt") return PushValue(Value::kComment, parent.kind);
                if (local == "desc") return PushValue(Value::kDescription, parent.kind);
                if (local == "ele") return PushValue(Value::kElevation, parent.kind);
                if (local == "time") return PushValue(Value::kTime, parent.kind);
                if (local == "sym") return PushValue(Value::kSymbol, parent.kind);
                if (local == "extensions") return PushExtensions(parent.kind);
                return Skip();
            case Kind::kRoute:
            case Kind::kTrack:
                if (local == "name") return PushValue(Value::kName, parent.kind);
                if (parent.kind == Kind::kRoute && local == "rtept")
                    return StartPoint(Kind::kRoutePoint, atts);
                if (parent.kind == Kind::kTrack && local == "trkseg") {
                    segmentOpen_ = true;
                    frames_.push_back({Kind::kSegment, Value::kName, Kind::kTrack});
                    return;
                }
                return Skip();
            case Kind::kSegment:
                if (local == "trkpt") return StartPoint(Kind::kTrackPoint, atts);
                return Skip();
            case Kind::kTrackPoint:
                if (local == "ele") return PushValue(Value::kElevation, parent.kind);
                if (local == "time") return PushValue(Value::kTime, parent.kind);
                if (local == "extensions") return PushExtensions(parent.kind);
                return Skip();
            default:
                return Skip();
        }
    }

    void End() {
        if (skipDepth_ > 0) {
            --skipDepth_;
            return;
        }
        if (frames_.empty()) return;
        const Frame frame = frames_.back();
        frames_.pop_back();
        if (frame.kind == Kind::kValue) StoreValue(frame);
    }

    void Skip() { skipDepth_ = 1; }

    void PushValue(Value value, Kind owner) {
        // A waypoint or point that was left out has nothing to take its values.
        if (!ownerKept_ && owner != Kind::kRoute && owner != Kind::kTrack) return Skip();
        text_.clear();
        frames_.push_back({Kind::kValue, value, owner});
    }

    void PushExtensions(Kind owner) {
        if (!ownerKept_) return Skip();
        frames_.push_back({Kind::kExtensions, Value::kName, owner});
    }

    // The position of a <wpt>, <rtept> or <trkpt>; false when it has none.
    bool ReadPosition(const char** atts, double* longitude, double* latitude) {
        bool hasLatitude = false, hasLongitude = false;
        for (int i = 0; atts[i] != nullptr; i += 2) {
            if (std::strcmp(atts[i], "lat") == 0) hasLatitude = ReadNumber(atts[i + 1], latitude);
            if (std::strcmp(atts[i], "lon") == 0) hasLongitude = ReadNumber(atts[i + 1], longitude);
        }
        if (hasLatitude && hasLongitude && std::fabs(*latitude) <= 90.0 &&
            std::fabs(*longitude) <= 180.0)
            return true;
        ++data_->pointsWithoutPosition;
        return false;
    }

    // Points are stored as soon as their start tag is read, and their values
    // filled in as they come, so a file cut short keeps every point it began.
    void StartWaypoint(const char** atts) {
        frames_.push_back({Kind::kWaypoint, Value::kName, Kind::kGpx});
        GpxWaypoint waypoint{0.0, 0.0, std::nan(""), kNoGpxTime, {}, {}, {}};
        ownerKept_ = ReadPosition(atts, &waypoint.longitude, &waypoint.latitude);
        if (ownerKept_) data_->waypoints.push_back(std::move(waypoint));
    }

    void StartLine(Kind kind) {
        frames_.push_back({kind, Value::kName, Kind::kGpx});
        GpxLine line;
        if (kind == Kind::kRoute) {
            line.first = data_->routePoints.size();
            data_->routes.push_back(std::move(line));
        } else {
            line.first = data_->trackPoints.size();
            data_->tracks.push_back(std::move(line));
        }
        segmentOpen_ = kind == Kind::kRoute;
    }

    void StartPoint(Kind kind, const char** atts) {
        frames_.push_back({kind, Value::kName, kind});
        GpxTrackPoint point{0.0, 0.0, kNoGpxTime, std::nanf(""), std::nanf("")};
        ownerKept_ = ReadPosition(atts, &point.longitude, &point.latitude);
        if (!ownerKept_) return;
        const bool route = kind == Kind::kRoutePoint;
        std::vector<GpxTrackPoint>& points = route ? data_->routePoints : data_->trackPoints;
        GpxLine& line = route ? data_->routes.back() : data_->tracks.back();
        if (segmentOpen_) {
            line.segmentStarts.push_back(points.size());
            segmentOpen_ = false;
        }
        points.push_back(point);
        ++line.count;
    }

    void StoreValue(const Frame& frame) {
        if (frame.owner == Kind::kRoute || frame.owner == Kind::kTrack) {
            GpxLine& line =
                frame.owner == Kind::kRoute ? data_->routes.back() : data_->tracks.back();
            if (frame.value == Value::kName) line.name = CleanText(text_);
            return;
        }
        double number = 0.0;
        if (frame.owner == Kind::kWaypoint) {
            GpxWaypoint& waypoint = data_->waypoints.back();
            switch (frame.value) {
                case Value::kName:
                    waypoint.name = CleanText(text_);
                    break;
                case Value::kComment:
                    waypoint.comment = CleanText(text_);
                    break;
                case Value::kDescription:
                    if (waypoint.comment.empty()) waypoint.comment = CleanText(text_);
                    break;
                case Value::kElevation:
                    if (ReadNumber(text_, &number)) waypoint.elevation = number;
                    break;
                case Value::kTime:
                    waypoint.time = ParseGpxTime(text_.data(), text_.size());
                    break;
                case Value::kSymbol:
                    waypoint.symbol = CleanText(text_);
                    if (!waypoint.symbol.empty()) data_->anySymbol = true;
                    break;
                case Value::kDepth:
                    break;  // the waypoint layer has no depth column
            }
            return;
        }
        if (frame.owner != Kind::kTrackPoint) return;
        GpxTrackPoint& point = data_->trackPoints.back();
        if (frame.value == Value::kElevation && ReadNumber(text_, &number))
            point.elevation = static_cast<float>(number);
        if (frame.value == Value::kDepth && ReadNumber(text_, &number))
            point.depth = static_cast<float>(number);
        if (frame.value == Value::kTime) point.time = ParseGpxTime(text_.data(), text_.size());
    }

    XML_Parser parser_;
    GpxData* data_;
    std::string name_;
    std::vector<Frame> frames_;
    std::string text_;
    int skipDepth_ = 0;
    bool ownerKept_ = false;    // the open waypoint or point had a position
    bool segmentOpen_ = false;  // the next point kept begins a segment
    bool notGpx_ = false;
    GpxReadResult result_ = GpxReadResult::kRead;
};

}  // namespace

GpxReadResult ReadGpxBuffer(const char* bytes, size_t size, const std::string& name,
                            GpxData* data) {
    GpxParser parser(data, name);
    // Blocks as from a file, so the buffer and the file take the same road.
    size_t offset = 0;
    do {
        const size_t block = std::min(kBlockSize, size - offset);
        if (!parser.Feed(bytes + offset, block, offset + block == size)) break;
        offset += block;
    } while (offset < size);
    return parser.Result();
}

GpxReadResult ReadGpxFile(const std::string& path, GpxData* data) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        ShowMessage(FormatText("Cannot open %s: %s", path.c_str(), std::strerror(errno)));
        return GpxReadResult::kUnreadable;
    }
    GpxParser parser(data, path);
    std::unique_ptr<char[]> block(new char[kBlockSize]);
    for (;;) {
        const size_t got = std::fread(block.get(), 1, kBlockSize, file.get());
        if (got < kBlockSize && std::ferror(file.get())) {
            ShowMessage(FormatText("Cannot read %s: %s. What was read before is kept.",
                                   path.c_str(), std::strerror(errno)));
            return GpxReadResult::kBroken;
        }
        const bool last = got < kBlockSize;
        if (!parser.Feed(block.get(), got, last) || last) break;
        if (Feedback().CancelRequested()) break;
    }
    return parser.Result();
}
