#include "pictures/picture_set.h"

#include <algorithm>
#include <cctype>

#include "core/user_feedback.h"
#include "layers/attribute_store.h"
#include "pictures/picture_path.h"

PictureSet::PictureSet() : pictures(std::make_unique<PictureRecord[]>(kMaxPictures)) {}

int PictureSet::UsedPictureCount() const {
    return std::clamp(pictureCount, 0, kMaxPictures);
}

int PictureSet::UsedFieldCount() const {
    return std::clamp(picturesPerWaypoint, 0, kMaxPictureFields);
}

void PictureSet::SelectPictures(const std::vector<std::string>& paths) {
    pictureCount = 0;
    longestPathLength = 0;
    longestNameLength = 0;
    longestFileNameLength = 0;
    for (const std::string& path : paths) {
        if (pictureCount == kMaxPictures) break;
        PictureRecord& record = pictures[pictureCount];
        record = PictureRecord{};
        record.path = path;
        longestPathLength = std::max(longestPathLength, static_cast<int32_t>(path.size()));
        PicturePathParts parts = SplitPicturePath(path);
        longestNameLength = std::max(longestNameLength, static_cast<int32_t>(parts.name.size()));
        longestFileNameLength =
            std::max(longestFileNameLength,
                     static_cast<int32_t>(parts.name.size() + parts.extension.size()));
        ReadPictureTime(pictureCount);
        ++pictureCount;
    }
    if (paths.size() > static_cast<size_t>(kMaxPictures)) {
        ShowMessage(
            FormatText("%zu picture files were selected. \nOnly the first %d are matched "
                       "to waypoints.",
                       paths.size(), kMaxPictures));
    }
}

void PictureSet::ReadPictureTime(int record) {
    if (record < 0 || record >= kMaxPictures) return;
    ::ReadPictureTime(&pictures[record]);
}

std::string PictureSet::DirectoryOfFirstPicture() const {
    if (pictureCount < 1) return std::string();
    return SplitPicturePath(pictures[0].path).directory;
}

int PictureSet::ComputeFieldWidth() {
    int64_t width = relativePath
                        ? static_cast<int64_t>(picturesDirectory.size()) + longestFileNameLength + 2
                        : int64_t{longestPathLength} + 2;
    if (width <= minimumFieldWidth) width = minimumFieldWidth;
    if (width > kMaxFieldWidth) {
        ShowMessage(
            FormatText("Picture fields of %lld characters were asked for; a .DBF text "
                       "field holds at most %d. \nLonger picture paths are cut to %d "
                       "characters.",
                       static_cast<long long>(width), kMaxFieldWidth, kMaxFieldWidth));
        width = kMaxFieldWidth;
    }
    fieldWidth = static_cast<int32_t>(width);
    return fieldWidth;
}

int PictureSet::AddPictureFields(AttributeStore& store, int table) {
    firstPictureField = -1;
    if (pictureCount < 1 || picturesPerWaypoint < 1) return -1;
    // The store checks neither the table nor its field limit, and fields added
    // after the records have their buffer would break the record layout.
    if (table < 0 || table >= store.tableCount) return -1;
    if (store.Table(table).recordCapacity > 0 || store.RecordCount(table) > 0) return -1;
    const int fields = UsedFieldCount();
    const int existing = store.FieldCount(table);
    if (existing + fields > AttributeTable::kMaxFields) return -1;
    if (fieldWidth < 1) ComputeFieldWidth();
    const int width = std::clamp(fieldWidth, 1, static_cast<int32_t>(kMaxFieldWidth));
    for (int f = 0; f < fields; ++f) {
        if (!store.AddField(table, fieldNames[f].c_str(), 'C', width, 0)) break;
        firstPictureField = existing;
    }
    return firstPictureField;
}

std::string PictureSet::CheckFieldNames(const std::vector<std::string>& tableFields) const {
    constexpr size_t kLongestName = 10;
    auto folded = [](std::string name) {
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return name;
    };
    const int used = std::clamp(picturesPerWaypoint, 0, static_cast<int32_t>(kMaxPictureFields));
    for (int f = 0; f < used; ++f) {
        const std::string& name = fieldNames[f];
        if (name.empty()) return FormatText("Picture field %d has no name.", f + 1);
        bool plain = name.size() <= kLongestName;
        for (unsigned char c : name) plain = plain && (std::isalnum(c) || c == '_');
        if (!plain)
            return FormatText(
                "The picture field name \"%s\" cannot be used: a field name has 1 to 10 "
                "letters, digits or underscores.",
                name.c_str());
        for (int other = 0; other < f; ++other)
            if (folded(fieldNames[other]) == folded(name))
                return FormatText(
                    "The picture field name \"%s\" is given twice (upper and lower case "
                    "count as the same).",
                    name.c_str());
        for (const std::string& field : tableFields)
            if (folded(field) == folded(name))
                return FormatText(
                    "The picture field name \"%s\" is already a field of the waypoint table.",
                    name.c_str());
    }
    return std::string();
}

std::string PictureSet::PathText(const PictureRecord& picture) const {
    return PicturePathText(picture.path, relativePath, picturesDirectory);
}
