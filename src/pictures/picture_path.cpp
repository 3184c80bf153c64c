#include "pictures/picture_path.h"

PicturePathParts SplitPicturePath(const std::string& path) {
    PicturePathParts parts;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    size_t separator = path.find_last_of("\\/");
    size_t nameStart = start;
    if (separator != std::string::npos && separator >= start) {
        parts.directory = path.substr(start, separator + 1 - start);
        nameStart = separator + 1;
    }
    size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && dot >= nameStart) {
        parts.name = path.substr(nameStart, dot - nameStart);
        parts.extension = path.substr(dot);
    } else {
        parts.name = path.substr(nameStart);
    }
    return parts;
}

#ifdef _WIN32
static const char kPathSeparator = '\\';
#else
static const char kPathSeparator = '/';
#endif

std::string PicturePathText(const std::string& path, bool relative, const std::string& directory) {
    if (!relative) return path;
    PicturePathParts parts = SplitPicturePath(path);
    std::string text = directory;
    if (!text.empty() && text.back() != '\\' && text.back() != '/') text += kPathSeparator;
    return text + parts.name + parts.extension;
}
