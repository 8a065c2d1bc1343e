#include "platform/Errors.h"
#include "platform/Registry.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::ERegistryException;
using platform::Registry;
using platform::RootKey;
using namespace testsupport;

namespace {

const std::string passwordKey = "\\tessaly.zip";
const std::string shellFolders =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Sets environment variables for one test and puts the old values back afterwards.
class Env {
public:
    ~Env() {
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    void set(const std::string& name, const std::string& value) {
        save(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void unset(const std::string& name) {
        save(name);
        unsetenv(name.c_str());
    }

private:
    void save(const std::string& name) {
        const char* v = std::getenv(name.c_str());
        saved_.try_emplace(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

// The message of the registry error F raises, or "" when it raises none.
template <typename F> std::string registryError(F f) {
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return "";
}

// Starts F in a child process, which ends with F's result; reap gives that result, or -1.
pid_t spawn(const std::function<int()>& f) {
    const pid_t child = fork();
    if (child == 0)
        _exit(f());
    return child;
}
int reap(pid_t child) {
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { env.set("QUEMBLY_REGISTRY", hive().string()); }
    fs::path hive() const { return dir / "hive.reg"; }
    std::string hiveText() const { return readFile(hive()); }

    // Creates the settings key as the installer would.
    void createPasswordKey() {
        Registry r(RootKey::ClassesRoot);
        ASSERT_TRUE(r.openKey(passwordKey, true));
    }
    // A registry object with KEY open under ROOT (a failed check when it does not open).
    std::unique_ptr<Registry> open(RootKey root = RootKey::ClassesRoot,
                                   const std::string& key = passwordKey) {
        auto r = std::make_unique<Registry>(root);
        EXPECT_TRUE(r->openKey(key, false)) << key;
        return r;
    }
    std::string readPassword(const std::string& name = "PSW") {
        Registry r(RootKey::ClassesRoot);
        if (!r.openKey(passwordKey, false))
            return "<no key>";
        return r.readString(name);
    }

    TempDir dir;
    Env env;
};

TEST_F(RegistryTest, WrittenValuesReadBackThroughFreshObjects) {
    createPasswordKey();
    {
        const auto r = open();
        EXPECT_EQ(r->readString("PSW"), ""); // missing value
        r->writeString("PSW", "secret");
        r->writeString("smb", "15");
        EXPECT_EQ(r->readString("PSW"), "secret");
        r->writeString("PSW", ""); // the value stays, empty
        EXPECT_TRUE(r->valueExists("PSW"));
    }
    EXPECT_EQ(readPassword(), "");
    EXPECT_EQ(readPassword("smb"), "15");
    EXPECT_EQ(hiveText(), "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n\"PSW\"=\"\"\n"
                          "\"smb\"=\"15\"\n\n");

    // Roots are kept apart: the same key under another root does not exist.
    Registry user(RootKey::CurrentUser);
    EXPECT_FALSE(user.openKey(passwordKey, false));
    user.setRootKey(RootKey::ClassesRoot);
    EXPECT_TRUE(user.openKey(passwordKey, false));
    user.setRootKey(RootKey::LocalMachine);
    EXPECT_FALSE(user.hasOpenKey());
}

TEST_F(RegistryTest, KeyPathsAreCaseInsensitiveAndMayBeRelative) {
    writeFile(hive(), "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\TESSALY.ZIP]\n\"psw\"=\"old\"\n\n"
                      "[HKEY_CURRENT_USER\\Software\\Vendor\\Tool]\n");
    const auto r = open();
    EXPECT_EQ(r->readString("PSW"), "old");
    r->writeString("Psw", "new");
    EXPECT_EQ(readPassword(), "new");
    // One value, written over the old one rather than beside it; the key keeps its spelling.
    EXPECT_EQ(hiveText(), "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\TESSALY.ZIP]\n\"Psw\"=\"new\"\n\n"
                          "[HKEY_CURRENT_USER\\Software\\Vendor\\Tool]\n\n");

    // A key with subkeys exists even without its own section; a path without a leading
    // backslash continues from the open key.
    Registry u(RootKey::CurrentUser);
    EXPECT_TRUE(u.openKey("\\software\\vendor", false));
    EXPECT_TRUE(u.openKey("tool", false));
    u.writeString("Mode", "fast");
    const auto check = open(RootKey::CurrentUser, "\\Software\\Vendor\\Tool\\");
    EXPECT_EQ(check->readString("mode"), "fast");
    EXPECT_FALSE(check->openKey("\\Software\\Vend", false)); // not a prefix match
}

TEST_F(RegistryTest, ValuesOfOtherTypesRaiseTheInvalidTypeError) {
    writeFile(hive(), "REGEDIT4\r\n; exported by hand\r\n\r\n[HKEY_CLASSES_ROOT\\tessaly.zip]\r\n"
                      "\"PSW\"=dword:0000000a\r\n\"Blob\"=hex:01,02,\\\r\n  03,ff\r\n"
                      "\"Expand\"=hex(2):25,00\r\n\"Multi\"=hex(7):61,00,00,00\r\n"
                      "\"Huge\"=hex(80000000):01\r\n\"Sz\"=hex(1):61,0d,0a,62,00\r\n"
                      "@=\"default\"\r\n\"Broken\"=nonsense\r\n\"smb\"=\"7\"\r\n");
    const auto r = open();
    for (const std::string name : {"PSW", "Blob", "Multi", "Broken"})
        EXPECT_EQ(registryError([&] { r->readString(name); }),
                  "Invalid data type for '" + name + "'");
    EXPECT_EQ(r->readString("Expand"), "%");
    EXPECT_EQ(r->readString("Sz"), "a\r\nb");
    EXPECT_EQ(r->readString(""), "default");
    EXPECT_EQ(r->readString("smb"), "7"); // the line after the continued one is still read
    EXPECT_TRUE(r->valueExists("Blob"));

    // Writing a string over a value of another type replaces it; every other line survives.
    r->writeString("PSW", "pw");
    EXPECT_EQ(r->readString("PSW"), "pw");
    const std::string text = hiveText();
    for (const char* kept :
         {"; exported by hand", "\"Blob\"=hex:01,02,03,ff", "\"Huge\"=hex(80000000):01",
          "\"Expand\"=hex(2):25,00", "\"Broken\"=nonsense", "@=\"default\""})
        EXPECT_NE(text.find(kept), std::string::npos) << kept << "\n" << text;
    EXPECT_EQ(text.find("dword"), std::string::npos) << text;
}

TEST_F(RegistryTest, TextsSurviveEscapingRoundTrip) {
    createPasswordKey();
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Backslash", "C:\\Users\\me\\"},
        {"Quotes", "say \"hi\" \\\" end"},
        {"Brackets", "\"]\n[HKEY_CLASSES_ROOT\\x]"},
        {"Equals", "a=\"b\"=c"},
        {"Utf8", "p\xC3\xA4ss\xE2\x82\xAC"},
        {"Lines", "one\r\ntwo\n"},
        {"Spaces", "  padded  "},
        {"Name with \"quote\" and \\", "v"}};
    for (const auto& [name, value] : values)
        open()->writeString(name, value);
    const auto r = open();
    for (const auto& [name, value] : values)
        EXPECT_EQ(r->readString(name), value) << name << "\n" << hiveText();
    EXPECT_FALSE(r->openKey("\\x", false)) << "nothing in the values made an extra key";
}

// Hives of odd text: the values read, a value written reads back as one of its own, a second
// write of the same value changes nothing, and the odd lines are kept.
struct OddCase {
    const char* label;
    const char* text;
    const char* psw;  // as read
    const char* kept; // a piece of the text the hive still holds
    friend void PrintTo(const OddCase& c, std::ostream* os) { *os << c.label; }
};
class OddHive : public RegistryTest, public ::testing::WithParamInterface<OddCase> {};

TEST_P(OddHive, ValuesReadAndASecondWriteChangesNothing) {
    const OddCase& c = GetParam();
    writeFile(hive(), c.text);
    const auto r = open();
    EXPECT_EQ(r->readString("PSW"), c.psw);
    r->writeString("smb", "1");
    EXPECT_EQ(r->readString("smb"), "1");
    const std::string once = hiveText();
    r->writeString("smb", "1");
    EXPECT_EQ(hiveText(), once);
    EXPECT_NE(once.find(c.kept), std::string::npos) << once;
}

const OddCase oddCases[] = {
    {"LineEndsConvertedTwice",
     "REGEDIT4\r\r\n\r\r\n[HKEY_CLASSES_ROOT\\tessaly.zip]\r\r\n\"PSW\"=\"pw\"\r\r\nnot a "
     "value\r\r\n",
     "pw", "\nnot a value\n"},
    {"DanglingContinuationAtTheEnd",
     "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n\"Blob\"=hex:01,\\\\\\", "",
     "\"Blob\"=hex:01,\\\\\\\n"},
};
INSTANTIATE_TEST_SUITE_P(Texts, OddHive, ::testing::ValuesIn(oddCases),
                         [](const auto& info) { return std::string(info.param.label); });

// A write that cannot be done raises the registry's error, leaves the hive as it was (or
// absent) and no temporary file beside it, and the old value still reads. A file that is not a
// hive does not even let the key be created.
enum class Obstacle { NoKey, NotAHive, KeyRemoved, ReadOnlyFolder, FullDisk };
struct RefusedCase {
    const char* label;
    const char* hive; // the hive's text; nullptr: no hive
    Obstacle obstacle;
    friend void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.label; }
};
class RefusedWrite : public RegistryTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedWrite, RaisesAndKeepsTheOldHive) {
    const RefusedCase& c = GetParam();
    if (c.hive)
        writeFile(hive(), c.hive);
    Registry r(RootKey::ClassesRoot);
    const bool hasKey = c.obstacle > Obstacle::NotAHive;
    ASSERT_EQ(r.openKey(passwordKey, c.obstacle == Obstacle::NotAHive), hasKey);
    EXPECT_EQ(r.hasOpenKey(), hasKey);
    if (!hasKey) { // reads give "" without a key
        EXPECT_EQ(r.readString("PSW"), "");
        EXPECT_FALSE(r.valueExists("PSW"));
    }
    if (c.obstacle == Obstacle::KeyRemoved)
        writeFile(hive(), "REGEDIT4\n\n");
    const std::string before = c.hive ? hiveText() : "";
    const auto write = [&] { return registryError([&] { r.writeString("PSW", "new"); }); };
    const std::string refused = "Failed to set data for 'PSW'";
    if (c.obstacle == Obstacle::ReadOnlyFolder) {
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        {
            Unprivileged unprivileged;
            EXPECT_EQ(write(), refused);
        }
        fs::permissions(dir.path(), fs::perms::owner_all);
    } else if (c.obstacle == Obstacle::FullDisk) {
        // A file size limit, which binds every user, stands for a disk that fills up.
        EXPECT_EQ(reap(spawn([&] {
                      std::signal(SIGXFSZ, SIG_IGN);
                      rlimit limit{1000, 1000};
                      setrlimit(RLIMIT_FSIZE, &limit);
                      return write() == refused ? 0 : 1;
                  })),
                  0);
    } else {
        EXPECT_EQ(write(), refused);
    }
    EXPECT_EQ(c.hive ? hiveText() : "", before);
    EXPECT_EQ(fs::exists(hive()), c.hive != nullptr);
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path() == hive() || entry.path() == dir / "hive.reg.lock") << entry;
    if (c.obstacle == Obstacle::ReadOnlyFolder || c.obstacle == Obstacle::FullDisk) {
        EXPECT_EQ(r.readString("PSW"), "old");
        EXPECT_EQ(readPassword(), "old");
    }
}

const std::string oldHive =
    "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n\"PSW\"=\"old\"\n\"Filler\"=\"" +
    std::string(5000, 'f') + "\"\n";
const RefusedCase refusedCases[] = {
    {"NoHive", nullptr, Obstacle::NoKey},
    {"HiveWithoutTheKey", "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\other.zip]\n\"PSW\"=\"x\"\n",
     Obstacle::NoKey},
    {"FileThatIsNotAHive", "my notes\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n", Obstacle::NotAHive},
    {"KeyRemovedMeanwhile", oldHive.c_str(), Obstacle::KeyRemoved},
    {"ReadOnlyFolder", oldHive.c_str(), Obstacle::ReadOnlyFolder},
    {"FullDisk", oldHive.c_str(), Obstacle::FullDisk},
};
INSTANTIATE_TEST_SUITE_P(Obstacles, RefusedWrite, ::testing::ValuesIn(refusedCases),
                         [](const auto& info) { return std::string(info.param.label); });

// Writers in several processes at once: every value written arrives, none is lost to another
// process's read-change-replace round.
TEST_F(RegistryTest, ConcurrentWritersInOtherProcessesLoseNothing) {
    createPasswordKey();
    const auto name = [](int w, int i) {
        return "v" + std::to_string(w) + "_" + std::to_string(i);
    };
    std::vector<pid_t> writers;
    for (int w = 0; w < 3; ++w)
        writers.push_back(spawn([&] {
            for (int i = 0; i < 15; ++i)
                open()->writeString(name(w, i), std::to_string(w * 100 + i));
            return 0;
        }));
    for (pid_t writer : writers)
        EXPECT_EQ(reap(writer), 0);
    const auto r = open();
    for (int w = 0; w < 3; ++w)
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(r->readString(name(w, i)), std::to_string(w * 100 + i));
}

TEST(RegistryHivePath, FollowsTheEnvironment) {
    Env env;
    env.set("QUEMBLY_REGISTRY", "/somewhere/hive.reg");
    EXPECT_EQ(platform::registryHivePath(), "/somewhere/hive.reg");
    env.unset("QUEMBLY_REGISTRY");
    env.set("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(platform::registryHivePath(), "/cfg/quembly/registry.reg");
    env.unset("XDG_CONFIG_HOME");
    env.set("HOME", "/home/someone");
    EXPECT_EQ(platform::registryHivePath(), "/home/someone/.config/quembly/registry.reg");
}

TEST_F(RegistryTest, HiveFolderIsCreatedOnFirstWrite) {
    env.set("QUEMBLY_REGISTRY", (dir / "new/folder/registry.reg").string());
    Registry r(RootKey::ClassesRoot);
    ASSERT_TRUE(r.openKey(passwordKey, true));
    r.writeString("PSW", "x");
    EXPECT_EQ(readPassword(), "x");
    // The hive holds a password in plain text: it is the owner's alone.
    EXPECT_EQ(fs::status(dir / "new/folder/registry.reg").permissions() &
                  (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
}

// A hive kept elsewhere and linked into place stays linked; the file it names is rewritten.
TEST_F(RegistryTest, LinkedHiveStaysALink) {
    fs::create_directories(dir / "store");
    writeFile(dir / "store/real.reg",
              "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n\"smb\"=\"5\"\n");
    fs::create_symlink("store/real.reg", hive());
    open()->writeString("PSW", "linked");
    EXPECT_TRUE(fs::is_symlink(hive()));
    EXPECT_EQ(readPassword(), "linked");
    EXPECT_EQ(readPassword("smb"), "5");
    EXPECT_NE(readFile(dir / "store/real.reg").find("\"PSW\"=\"linked\""), std::string::npos);
}

class DocumentsFolderTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        env.set("HOME", (dir / "home").string());
        env.set("XDG_CONFIG_HOME", (dir / "home/.config").string());
        fs::create_directories(dir / "home/.config");
        env.unset("XDG_DOCUMENTS_DIR");
    }
    std::string personal() {
        return open(RootKey::CurrentUser, shellFolders)->readString("Personal");
    }
    // A hive whose shell folders key (in another spelling) holds VALUE as "Personal".
    void personalInHive(const std::string& value) {
        writeFile(hive(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\microsoft\\windows\\"
                          "currentversion\\explorer\\shell folders]\n\"Personal\"=" +
                              value + "\n");
    }
};

TEST_F(DocumentsFolderTest, ShellFoldersKeyOpensWithoutBeingCreated) {
    env.set("XDG_DOCUMENTS_DIR", "/data/docs/");
    const auto r = open(RootKey::CurrentUser, shellFolders);
    EXPECT_TRUE(r->valueExists("Personal"));
    EXPECT_EQ(r->readString("Personal"), "/data/docs");
    EXPECT_EQ(r->readString("Desktop"), "");
    EXPECT_EQ(platform::documentsFolder(), "/data/docs");
    EXPECT_FALSE(fs::exists(hive()));
    // Only under the current user, and only that key.
    EXPECT_FALSE(Registry(RootKey::ClassesRoot).openKey(shellFolders, false));
    EXPECT_FALSE(r->openKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", false));
}

TEST_F(DocumentsFolderTest, HiveValueComesFirst) {
    env.set("XDG_DOCUMENTS_DIR", "/data/docs");
    personalInHive("\"/srv/mine\"");
    EXPECT_EQ(personal(), "/srv/mine");
    EXPECT_EQ(platform::documentsFolder(), "/srv/mine");

    // An empty value names no folder; the environment answers.
    personalInHive("\"\"");
    EXPECT_EQ(personal(), "/data/docs");

    // Written through the key, it is stored and read back.
    open(RootKey::CurrentUser, shellFolders)->writeString("Personal", "/srv/other");
    EXPECT_EQ(platform::documentsFolder(), "/srv/other");

    // A value of another type raises on reading, and documentsFolder() falls back.
    personalInHive("dword:00000001");
    EXPECT_EQ(registryError([&] { personal(); }), "Invalid data type for 'Personal'");
    EXPECT_EQ(platform::documentsFolder(), "/data/docs");
}

TEST_F(DocumentsFolderTest, FallsBackThroughUserDirsDocumentsAndHome) {
    const fs::path home = dir / "home";
    // user-dirs.dirs naming an existing folder.
    fs::create_directories(home / "Dokumente");
    writeFile(home / ".config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
              "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(platform::documentsFolder(), (home / "Dokumente").string());
    EXPECT_EQ(personal(), (home / "Dokumente").string());

    // Naming a folder that does not exist: ~/Documents when it exists.
    writeFile(home / ".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Gone\"\n");
    fs::create_directories(home / "Documents");
    EXPECT_EQ(platform::documentsFolder(), (home / "Documents").string());

    // Else the home folder itself.
    fs::remove(home / "Documents");
    EXPECT_EQ(platform::documentsFolder(), home.string());
}

} // namespace

namespace {

// --- The machine-wide layer -------------------------------------------------------------

const char* const machineKey = "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n\"smb\"=\"2\"\n";

struct LayerCase {
    const char* label;
    const char* machine; // the machine-wide hive's text; nullptr: no such file
    const char* user;    // the user's hive's text; nullptr: no such file
    bool opens;
    const char* smb; // as read through the key
    friend void PrintTo(const LayerCase& c, std::ostream* os) { *os << c.label; }
};

class MachineLayerTest : public RegistryTest, public ::testing::WithParamInterface<LayerCase> {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        env.set("QUEMBLY_MACHINE_REGISTRY", (dir / "classes.reg").string());
    }
};

TEST_P(MachineLayerTest, KeyOpensFromEitherHive) {
    const LayerCase& c = GetParam();
    if (c.machine)
        writeFile(dir / "classes.reg", c.machine);
    if (c.user)
        writeFile(hive(), c.user);
    Registry r(RootKey::ClassesRoot);
    EXPECT_EQ(r.openKey(passwordKey, false), c.opens);
    EXPECT_EQ(readPassword("smb"), c.smb);
    EXPECT_FALSE(Registry(RootKey::CurrentUser).openKey(passwordKey, false));
}

const LayerCase layerCases[] = {
    {"MachineOnly", machineKey, nullptr, true, "2"},
    {"UserValueOverlaysMachineValue", machineKey,
     "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n\"smb\"=\"7\"\n", true, "7"},
    {"UserOnly", nullptr, "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n", true, ""},
    {"NeitherHive", nullptr, nullptr, false, "<no key>"},
    {"MachineLayerNotAHive", "[HKEY_CLASSES_ROOT\\tessaly.zip]\n", nullptr, false, "<no key>"},
    {"UserKeysOfTheMachineLayerAreIgnored",
     "REGEDIT4\n\n[HKEY_CURRENT_USER\\tessaly.zip]\n[HKEY_CURRENT_USER\\x]\n", nullptr, false,
     "<no key>"},
};
INSTANTIATE_TEST_SUITE_P(Layers, MachineLayerTest, ::testing::ValuesIn(layerCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(MachineLayerTest, WritesGoToTheUserHiveAndNeverCreateTheKey) {
    writeFile(dir / "classes.reg", machineKey);
    {
        Registry r(RootKey::ClassesRoot);
        ASSERT_TRUE(r.openKey(passwordKey, true));
        EXPECT_FALSE(fs::exists(hive())) << "opening does not copy the key";
        r.writeString("PSW", "secret");
    }
    EXPECT_EQ(readPassword(), "secret");
    EXPECT_EQ(readPassword("smb"), "2");
    EXPECT_EQ(hiveText(), "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n\"PSW\"=\"secret\"\n\n");
    EXPECT_EQ(readFile(dir / "classes.reg"), machineKey);

    // Without the layer the user's hive still holds what was written.
    env.set("QUEMBLY_MACHINE_REGISTRY", "");
    EXPECT_EQ(readPassword("smb"), "");
    EXPECT_EQ(readPassword(), "secret");
}

} // namespace
