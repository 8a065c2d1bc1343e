#pragma once
// Helpers of the command-line tests: archives made by Python's zipfile, the stored access
// password, and quoting for the shell.
#include "tests/support/TestSupport.h"

#include <array>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;

struct ZipItem {
    std::string name;
    std::string data;
    std::array<int, 6> date{2020, 5, 17, 13, 45, 30}; // year, month, day, hour, minute, second
    bool deflate = true;
};

// Writes ZIP with ITEMS in order through Python's zipfile; throws when that fails.
void makeZip(const fs::path& zip, const std::vector<ZipItem>& items);

// Stores PASSWORD as the access password ("" means none) in the sandbox's registry hive.
void setStoredPassword(const std::string& password);

std::string shellQuote(const std::string& text);

// A text of SIZE bytes that compresses a little but not to nothing.
std::string sampleData(std::size_t size, unsigned seed);

// Whether the archive libraries were built beside this test program.
bool archiveLibrariesBuilt();

} // namespace clitest
