#include "garmin/protocol_table_file.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "core/user_feedback.h"

namespace {

std::string g_tableDirectory;

// Lines are read in pieces of at most this many characters.
constexpr int kLinePiece = 254;

// A decimal number after optional blanks, with an optional sign; false when
// there are no digits. Values beyond 32 bits are clamped.
bool ParseNumber(const char* text, int* value) {
    while (*text != '\0' && std::isspace(static_cast<unsigned char>(*text))) ++text;
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(text, &end, 10);
    if (end == text) return false;
    if (number > INT_MAX) number = INT_MAX;
    if (number < INT_MIN) number = INT_MIN;
    *value = static_cast<int>(number);
    return true;
}

// The field at `column`: its letter exactly there, then a number. Columns past
// the end of the line are blanks, so the entry keeps its value.
void ReadField(const char* line, size_t length, size_t column, char letter, std::int32_t* entry) {
    if (column >= length || line[column] != letter) return;
    int value = 0;
    if (ParseNumber(line + column + 1, &value)) *entry = value;
}

void ReadFields(const char* line, ProtocolTable* t) {
    const size_t length = std::strlen(line);
    const struct {
        size_t column;
        char letter;
        std::int32_t ProtocolTable::*entry;
    } kFields[] = {
        {22, 'A', &ProtocolTable::waypointProtocol},  {28, 'D', &ProtocolTable::waypointType},
        {33, 'A', &ProtocolTable::routeProtocol},     {39, 'D', &ProtocolTable::routeHeaderType},
        {45, 'D', &ProtocolTable::routeWaypointType}, {50, 'A', &ProtocolTable::trackProtocol},
        {56, 'D', &ProtocolTable::trackType1},        {61, 'A', &ProtocolTable::protocol400},
        {67, 'D', &ProtocolTable::type400},           {72, 'A', &ProtocolTable::protocol500},
        {78, 'D', &ProtocolTable::type500},
    };
    for (const auto& field : kFields)
        ReadField(line, length, field.column, field.letter, &(t->*field.entry));
}

std::string ProgramDirectory() {
#ifdef _WIN32
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string program(path, n < sizeof(path) ? n : 0);
    size_t slash = program.find_last_of("\\/");
#else
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string program(path, n > 0 ? static_cast<size_t>(n) : 0);
    size_t slash = program.rfind('/');
#endif
    return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

}  // namespace

std::string ProtocolTableFilePath() {
    std::string directory = g_tableDirectory.empty() ? ProgramDirectory() : g_tableDirectory;
    if (!directory.empty() && directory.back() != '/' && directory.back() != '\\') directory += '/';
    return directory + "QUORVEX.XRF";
}

void SetProtocolTableDirectory(const std::string& directory) {
    g_tableDirectory = directory;
}

bool ReadProtocolTableFile(const std::string& path, int productId, ProtocolTable* table) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        ShowMessage(
            "Can't open 'QUORVEX.XRF' file.\nFile must be in the same directory as QUORVEX.EXE.");
        return false;
    }
    char line[kLinePiece + 1];
    while (std::fgets(line, sizeof(line), file) != nullptr) {
        // The line feed ends the line and is not part of it; a carriage return stays.
        size_t length = std::strlen(line);
        if (length > 0 && line[length - 1] == '\n') line[length - 1] = '\0';
        int lineProduct = 0;
        if (ParseNumber(line, &lineProduct) && lineProduct == productId) {
            ReadFields(line, table);
            // These units send no capability list to name their link.
            table->linkProtocol = LinkProtocolOfProduct(productId);
            std::fclose(file);
            return true;
        }
    }
    std::fclose(file);
    ShowMessage(
        FormatText("Product ID (%d) is not listed in the 'QUORVEX.XRF' table.\n You may add "
                   "it to the table if you know the correct protocols for your GPS.",
                   productId));
    return false;
}
