#include "CliTestSupport.h"

#include "platform/DynLib.h"
#include "platform/Files.h"
#include "platform/Registry.h"

#include <sstream>
#include <stdexcept>

namespace clitest {

namespace {

// A Python bytes literal for any bytes.
std::string pyBytes(const std::string& bytes) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "b'";
    for (unsigned char c : bytes) {
        out += "\\x";
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out + "'";
}

} // namespace

void makeZip(const fs::path& zip, const std::vector<ZipItem>& items) {
    std::ostringstream py;
    py << "import zipfile\n"
       << "with zipfile.ZipFile(" << pyBytes(zip.string()) << ".decode(), 'w') as z:\n";
    if (items.empty())
        py << "    pass\n";
    for (const ZipItem& item : items) {
        py << "    i = zipfile.ZipInfo(" << pyBytes(item.name) << ".decode('utf-8'), ("
           << item.date[0] << "," << item.date[1] << "," << item.date[2] << "," << item.date[3]
           << "," << item.date[4] << "," << item.date[5] << "))\n"
           << "    i.compress_type = zipfile." << (item.deflate ? "ZIP_DEFLATED" : "ZIP_STORED")
           << "\n"
           << "    z.writestr(i, " << pyBytes(item.data) << ")\n";
    }
    const fs::path script = zip.string() + ".make.py";
    testsupport::writeFile(script, py.str());
    const int status = testsupport::runCommand("python3 " + shellQuote(script.string()));
    fs::remove(script);
    if (status != 0)
        throw std::runtime_error("python3 could not write " + zip.string());
}

void setStoredPassword(const std::string& password) {
    platform::Registry registry(platform::RootKey::ClassesRoot);
    if (!registry.openKey("\\tessaly.zip", true))
        throw std::runtime_error("cannot open the password key");
    registry.writeString("PSW", password);
    registry.closeKey();
}

std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string sampleData(std::size_t size, unsigned seed) {
    std::string data;
    data.reserve(size);
    unsigned x = seed * 2654435761u + 1;
    while (data.size() < size) {
        x = x * 1103515245u + 12345u;
        data += static_cast<char>('a' + (x >> 16) % 7);
    }
    return data;
}

bool archiveLibrariesBuilt() {
    const std::string dir = platform::programDirectory() + "/";
    return platform::fileExists(dir + platform::moduleFileName("ZIPPER.DLL")) &&
           platform::fileExists(dir + platform::moduleFileName("UNZIPPER.DLL"));
}

} // namespace clitest
