#pragma once
// Helpers of the window tests: the application object, hand-built archives and the registry
// values the main window reads at start.
#include <cstdint>
#include <string>
#include <vector>

class QApplication;

namespace guitest {

// The one application object of the test process (offscreen), with the font substitutions
// the program installs.
QApplication& application();

std::uint16_t dosDate(int year, int month, int day);
std::uint16_t dosTime(int hour, int minute, int second);

struct ZipEntrySpec {
    std::string name;
    std::string data;
    std::uint16_t date = dosDate(2021, 3, 4);
    std::uint16_t time = dosTime(5, 6, 8);
};

// A complete archive of stored entries: local headers, central directory, end record.
std::string buildZip(const std::vector<ZipEntrySpec>& entries);

// Empties the registry hive, then stores the documents folder ("Personal") and, when
// PASSWORD is not null, the password key with its "PSW" value.
void resetRegistry(const std::string& documentsFolder, const char* password = nullptr);

} // namespace guitest
