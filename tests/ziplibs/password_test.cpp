// Encrypted archives through the libraries: the password is asked once through the callback
// and reused, asked again after a wrong one, an empty answer skips the encrypted entries and
// Stop cancels with nothing written; AE-2 entries (stored CRC 0) are checked by their
// authentication code; adding encrypts every new entry and leaves the old ones as they were.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

const std::string StopAnswer = "<stop>";

// Answers the password requests with ANSWERS in turn (StopAnswer stops) and records why each
// was asked.
struct Answers {
    std::vector<std::string> answers;
    std::vector<std::int32_t> reasons;
    Recorder rec;
    explicit Answers(std::vector<std::string> a) : answers(std::move(a)) {
        rec.password = [this](const Event& e) {
            reasons.push_back(e.code);
            return reasons.size() <= answers.size() ? answers[reasons.size() - 1] : "";
        };
        rec.answer = [this](const Event& e) {
            return e.action == ActionPassword && !reasons.empty() &&
                           reasons.size() <= answers.size() &&
                           answers[reasons.size() - 1] == StopAnswer
                       ? CallbackStop
                       : CallbackContinue;
        };
    }
};

struct ReadCase {
    const char* label;
    std::string writer; // "ours:N" (the zipper with EncryptMethod N) or a shell command
    std::vector<std::string> answers;
    std::vector<std::int32_t> asked; // why the password was asked, in order
    bool sound;                      // every file comes out whole; else none does
    std::int32_t code = 0;           // a message of this code is sent
    bool test = false;               // tested instead of extracted
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.label;
}

class ReadEncrypted : public ::testing::TestWithParam<ReadCase> {
protected:
    TempDir td;
    fs::path src = td / "src", out = td / "out";
    std::string archive = (td / "e.zip").string();

    void write(const std::string& writer) {
        writeFile(src / "a.txt", textData(200'000, 3));
        writeFile(src / "b.bin", noiseData(70'000, 4));
        fs::create_directories(out);
        if (writer.rfind("ours:", 0) == 0) {
            Answers pw({"pw"});
            const fs::path old = fs::current_path();
            fs::current_path(src);
            runZip({.archive = archive,
                    .specs = {"a.txt", "b.bin"},
                    .encrypt = std::stoi(writer.substr(5))},
                   &pw.rec);
            fs::current_path(old);
        } else {
            int status = 0;
            capture("cd " + shellQuote(src.string()) + " && " + writer + " " + shellQuote(archive) +
                        " a.txt b.bin >/dev/null",
                    &status);
            ASSERT_EQ(status, 0) << writer;
        }
        ASSERT_EQ(readCentralDirectory(archive).size(), 2u);
        ASSERT_TRUE(readCentralDirectory(archive)[0].flags & 1);
    }
};

TEST_P(ReadEncrypted, AsksOnceAndExtractsOrWritesNothing) {
    const ReadCase& c = GetParam();
    write(c.writer);
    Answers pw(c.answers);
    const auto n = runUnz(out, {.archive = archive, .test = c.test}, &pw.rec);
    EXPECT_EQ(pw.reasons, c.asked) << pw.rec.messages();
    EXPECT_EQ(n, c.sound ? 2 : 0) << pw.rec.messages();
    const auto expected = c.sound && !c.test ? treeContents(src) : decltype(treeContents(out)){};
    EXPECT_EQ(treeContents(out), expected);
    EXPECT_TRUE(c.code == 0 || pw.rec.hasMessage(c.code)) << pw.rec.messages();
}

const std::string SevenZip = "7z a -tzip -ppw ";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadEncrypted,
    ::testing::Values(
        ReadCase{"OursAes", "ours:1", {"pw"}, {PasswordToRead}, true},
        ReadCase{"OursZipCrypto", "ours:2", {"pw"}, {PasswordToRead}, true},
        ReadCase{"WrongThenRight", "ours:1", {"bad", "pw"}, {PasswordToRead, PasswordWrong}, true},
        ReadCase{"WrongThenRightTested",
                 "ours:1",
                 {"bad", "pw"},
                 {PasswordToRead, PasswordWrong},
                 true,
                 0,
                 true},
        ReadCase{"EmptySkipsAskingOnce", "ours:1", {""}, {PasswordToRead}, false, 4},
        ReadCase{"StopCancels", "ours:1", {StopAnswer}, {PasswordToRead}, false, 8},
        ReadCase{"StopAfterWrong",
                 "ours:1",
                 {"bad", StopAnswer},
                 {PasswordToRead, PasswordWrong},
                 false,
                 8},
        ReadCase{"Ae2Deflated", SevenZip + "-mem=AES256", {"pw"}, {PasswordToRead}, true},
        ReadCase{"Ae2Stored", SevenZip + "-mem=AES256 -mx0", {"pw"}, {PasswordToRead}, true},
        ReadCase{"Ae2StoredTested",
                 SevenZip + "-mem=AES192 -mx0",
                 {"pw"},
                 {PasswordToRead},
                 true,
                 0,
                 true},
        ReadCase{"Aes128Bzip2", SevenZip + "-mem=AES128 -mm=BZip2", {"pw"}, {PasswordToRead}, true},
        ReadCase{"Ae2Lzma", SevenZip + "-mem=AES256 -mm=LZMA", {"pw"}, {PasswordToRead}, true},
        ReadCase{"InfoZip", "zip -q -P pw", {"pw"}, {PasswordToRead}, true}),
    [](const auto& info) { return std::string(info.param.label); });

// About one wrong password in 256 passes the ZipCrypto header check: the data then fails its
// CRC, which is reported as such, and the file is not left behind.
TEST(ZipCryptoCheck, PasswordPassingTheHeaderCheckFailsTheCrc) {
    TempDir td;
    writeFile(td / "a.txt", textData(5000, 9));
    const std::string archive = (td / "z.zip").string();
    Answers make({"right"});
    ASSERT_EQ(runZip({.archive = archive,
                      .specs = {(td / "a.txt").string()},
                      .level = 0,
                      .noDirNames = true,
                      .encrypt = ZipEncryptZipCrypto},
                     &make.rec),
              1);
    fs::create_directories(td / "out");
    for (int i = 0; i < 5000; ++i) {
        Answers pw({"wrong" + std::to_string(i), StopAnswer});
        runUnz(td / "out", {.archive = archive}, &pw.rec);
        if (pw.reasons.size() != 1)
            continue; // refused by the header check
        EXPECT_NE(pw.rec.messages().find("Wrong password or damaged data in a.txt"),
                  std::string::npos)
            << pw.rec.messages();
        EXPECT_TRUE(treeContents(td / "out").empty());
        return;
    }
    ADD_FAILURE() << "no password passed the header check";
}

struct AddCase {
    const char* label;
    std::int32_t encrypt;
    std::string answer;
    std::uint16_t method; // of the new entry in the central directory; 0: nothing added
    std::int32_t code = 0;
};

void PrintTo(const AddCase& c, std::ostream* os) {
    *os << c.label;
}

class AddEncrypted : public ::testing::TestWithParam<AddCase> {};

// The password is asked once, naming the archive; every added entry is encrypted with it and
// the entry already there keeps its own state. Without a password nothing is added.
TEST_P(AddEncrypted, EncryptsNewEntriesOnly) {
    const AddCase& c = GetParam();
    TempDir td;
    writeFile(td / "old.txt", textData(3000, 1));
    writeFile(td / "n1.txt", textData(90'000, 2));
    writeFile(td / "n2.bin", noiseData(40'000, 3));
    const std::string archive = (td / "a.zip").string();
    ASSERT_EQ(
        runZip({.archive = archive, .specs = {(td / "old.txt").string()}, .noDirNames = true}), 1);
    const std::string before = readFile(archive);
    Answers pw({c.answer});
    const auto n = runZip({.archive = archive,
                           .specs = {(td / "n1.txt").string(), (td / "n2.bin").string()},
                           .noDirNames = true,
                           .encrypt = c.encrypt},
                          &pw.rec);
    ASSERT_EQ(pw.reasons, std::vector<std::int32_t>{PasswordToEncrypt});
    EXPECT_EQ(pw.rec.withAction(ActionPassword)[0].text, archive);
    if (c.method == 0) {
        EXPECT_EQ(n, 0);
        EXPECT_TRUE(pw.rec.hasMessage(c.code)) << pw.rec.messages();
        EXPECT_EQ(readFile(archive), before);
        return;
    }
    EXPECT_EQ(n, 2) << pw.rec.messages();
    for (const CdEntry& e : readCentralDirectory(archive)) {
        EXPECT_EQ((e.flags & 1) != 0, e.name != "old.txt") << e.name;
        EXPECT_EQ(e.method, e.name == "old.txt" ? 8 : c.method) << e.name;
    }
    Answers read({c.answer});
    fs::create_directories(td / "out");
    EXPECT_EQ(runUnz(td / "out", {.archive = archive}, &read.rec), 3) << read.rec.messages();
    EXPECT_EQ(readFile(td / "out" / "n1.txt"), readFile(td / "n1.txt"));
}

INSTANTIATE_TEST_SUITE_P(Methods, AddEncrypted,
                         ::testing::Values(AddCase{"Aes256", ZipEncryptAes256, "pw", 99},
                                           AddCase{"ZipCrypto", ZipEncryptZipCrypto, "pw", 8},
                                           AddCase{"NoPassword", ZipEncryptAes256, "", 0, 11},
                                           AddCase{"Stopped", ZipEncryptAes256, StopAnswer, 0, 8}),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
