#include "tests/gui/GuiTestSupport.h"

#include "app/MainWindow.h"
#include "platform/Registry.h"
#include "platform/qt/ErrorGuard.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <filesystem>

namespace guitest {

QApplication& application() {
    static int argc = 1;
    static char name[] = "quembly_gui_tests";
    static char* argv[] = {name, nullptr};
    static platform::GuardedApplication* app = [] {
        auto* a = new platform::GuardedApplication(argc, argv);
        installFontSubstitutions();
        return a;
    }();
    return *app;
}

std::uint16_t dosDate(int year, int month, int day) {
    return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

std::uint16_t dosTime(int hour, int minute, int second) {
    return static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

namespace {} // namespace

std::string buildZip(const std::vector<ZipEntrySpec>& entries) {
    using testsupport::le16;
    using testsupport::le32;
    std::string local, central;
    for (const ZipEntrySpec& e : entries) {
        const std::uint32_t offset = static_cast<std::uint32_t>(local.size());
        const std::uint32_t crc = testsupport::crc32(e.data);
        const auto size = static_cast<std::uint32_t>(e.data.size());
        const auto nameLength = static_cast<std::uint16_t>(e.name.size());
        local += le32(0x04034b50) + le16(20) + le16(0) + le16(0) + le16(e.time) + le16(e.date) +
                 le32(crc) + le32(size) + le32(size) + le16(nameLength) + le16(0) + e.name + e.data;
        central += le32(0x02014b50) + le16(20) + le16(20) + le16(0) + le16(0) + le16(e.time) +
                   le16(e.date) + le32(crc) + le32(size) + le32(size) + le16(nameLength) + le16(0) +
                   le16(0) + le16(0) + le16(0) + le32(0) + le32(offset) + e.name;
    }
    const auto count = static_cast<std::uint16_t>(entries.size());
    return local + central + le32(0x06054b50) + le16(0) + le16(0) + le16(count) + le16(count) +
           le32(static_cast<std::uint32_t>(central.size())) +
           le32(static_cast<std::uint32_t>(local.size())) + le16(0);
}

void resetRegistry(const std::string& documentsFolder, const char* password) {
    std::error_code ec;
    std::filesystem::remove(platform::registryHivePath(), ec);
    platform::Registry user(platform::RootKey::CurrentUser);
    user.openKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", true);
    user.writeString("Personal", documentsFolder);
    if (password) {
        platform::Registry classes(platform::RootKey::ClassesRoot);
        classes.openKey("\\tessaly.zip", true);
        classes.writeString("PSW", password);
    }
}

} // namespace guitest
