// The window's side of encrypted archives, against fake archive libraries that ask for the
// password as scripted: the prompt answered as a person answers it for Extract, Open entry
// and Test, the password kept for the archive shown and dropped when it no longer fits, and
// the Encrypt option of Add To ZIP.
#include "tests/gui/MainWindowFixture.h"

#include "app/MessageWindow.h"
#include "archive/LibCallBack.h"
#include "dialogs/ArchivePasswordPrompt.h"
#include "tests/archive/FakeScript.h"

#include <QLabel>
#include <QTimer>

namespace fs = std::filesystem;

namespace {

struct PasswordCase {
    const char* what;
    const char* commands; // "extract", "view", "test", "reopen" (the other archive), "close"
    // What the library does at each call: "read" and "wrong" ask for the password of
    // dir/a.txt (PasswordToRead, PasswordWrong), "file" extracts it.
    const char* script;
    // Typed at each prompt in turn: a password ("pw", or "pw/again" for the repetition) or
    // "cancel".
    const char* answers;
    // The prompts (label and [notice]), the passwords the library got, the result line, the
    // shell's calls.
    const char* expected;
    friend void PrintTo(const PasswordCase& c, std::ostream* os) { *os << c.what; }
};

class EncryptedArchiveTest : public MainWindowFixture {
protected:
    EncryptedArchiveTest() {
        fake::reset();
        QObject::connect(&answering, &QTimer::timeout, [this] { answerPrompt(); });
        answering.start(5);
    }
    ~EncryptedArchiveTest() override { fake::reset(); }

    // Types the next answer into the archive password prompt, when one is up.
    void answerPrompt() {
        auto* prompt = qobject_cast<TArchivePassword*>(QApplication::activeModalWidget());
        if (!prompt || !prompt->isVisible())
            return;
        const QString notice = prompt->Label3->text();
        prompts << prompt->Label1->text() + (notice.isEmpty() ? "" : " [" + notice + "]");
        const QString answer = answers.isEmpty() ? "cancel" : answers.takeFirst();
        QApplication::setActiveWindow(prompt);
        if (answer == "cancel") {
            QTest::keyClick(prompt->Edit1, Qt::Key_Escape);
            return;
        }
        QTest::keyClicks(prompt->Edit1, answer.section('/', 0, 0));
        if (prompt->Edit2->isVisible())
            QTest::keyClicks(prompt->Edit2, answer.section('/', -1));
        QTest::keyClick(prompt->Edit1, Qt::Key_Return);
    }

    // Does COMMAND in the main window; STEPS in the dialog it shows.
    void command(const QString& command, const QString& steps = {}) {
        QTimer::singleShot(0, [this, steps] {
            if (QWidget* dialog = QApplication::activeModalWidget(); dialog && !steps.isEmpty()) {
                QApplication::setActiveWindow(dialog);
                dialogtest::act(dialog, steps, QString::fromStdString(files.str()));
            }
        });
        dialogtest::act(Mainform, command);
    }

    // The passwords the fake library LIBRARY got, over all its calls.
    template <typename Library> static QString passwordsGot(const Library& library) {
        QStringList got;
        for (const auto& call : library.calls)
            for (const std::string& password : call.passwords)
                got << QString::fromStdString(password);
        return got.join(',');
    }

    QTimer answering;
    QStringList answers;
    QStringList prompts;
};

class PasswordAnswers : public EncryptedArchiveTest,
                        public ::testing::WithParamInterface<PasswordCase> {};

} // namespace

TEST_P(PasswordAnswers, OpenTheEncryptedEntriesOrStop) {
    const PasswordCase& c = GetParam();
    const std::string other = writeZip("other.zip", {{"b.txt", "b"}});
    startWith("enc.zip", {{"dir/a.txt", "a"}});
    fs::create_directory(files / "out");
    answers = QString(c.answers).split(' ', Qt::SkipEmptyParts);
    fake::Script& script = fake::unzipper().standing;
    for (const QString& step : QString(c.script).split(' ')) {
        const std::int32_t code = step == "file" ? ActionNewFile : ActionPassword;
        script.actions.push_back(
            {code, step == "wrong" ? PasswordWrong : PasswordToRead, 1, "dir/a.txt"});
        // The library writes the file only once it has the password; a stopped one counts
        // nothing.
        if (step == "file" && !answers.contains("cancel")) {
            script.result = 1;
            script.before = [this] {
                testsupport::writeFile(fs::path(Mainform->Archiver1.ExtrBaseDir) / "a.txt", "a");
            };
        }
    }
    for (const QString& step : QString(c.commands).split(' ')) {
        grid()->setSelection({0, 1, 3, 1});
        if (step == "extract")
            command("ExtractBut", "Directorylistbox1=out OKbut");
        else if (step == "view")
            command("ViewSelectedFile1");
        else if (step == "test")
            command("TestArchive1");
        else if (step == "close")
            Mainform->close();
        else {
            chooser.choosePath(QString::fromStdString(other));
            command("ZipOpenBut");
        }
    }
    QStringList calls;
    for (const auto& s : shell.calls)
        calls << QString::fromStdString(s.verb + " " + s.path);
    EXPECT_EQ(QStringList({prompts.join(" / "), passwordsGot(fake::unzipper()),
                           Msgform->FileBeingZipped2->text(), calls.join(", ")})
                  .join(" | ")
                  .replace(QString::fromStdString(tempFolder()), "T/"),
              c.expected);
    EXPECT_EQ(shown(), "");
    EXPECT_TRUE(answers.isEmpty()) << "prompts missed";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(EncryptedArchive, PasswordAnswers, ::testing::Values(
    PasswordCase{"Extract, right", "extract", "read file", "right", "Password for enc.zip: | right | 1 files were extracted | "},
    PasswordCase{"Extract, wrong then right", "extract", "read wrong file", "oops right", "Password for enc.zip: / Password for enc.zip: [Wrong password for dir/a.txt] | oops,right | 1 files were extracted | "},
    PasswordCase{"Extract, Cancel", "extract", "read file", "cancel", "Password for enc.zip: |  | Cancelled: 0 files were extracted | "},
    PasswordCase{"Extract twice: asked once", "extract extract", "read file", "right", "Password for enc.zip: | right,right | 1 files were extracted | "},
    PasswordCase{"Test after Extract: asked once", "extract test", "read file", "right", "Password for enc.zip: | right,right | 1 files tested sound, 0 failed | "},
    PasswordCase{"a kept password found wrong is asked for again", "extract extract", "read wrong file", "a b c", "Password for enc.zip: / Password for enc.zip: [Wrong password for dir/a.txt] / Password for enc.zip: [Wrong password for dir/a.txt] | a,b,b,c | 1 files were extracted | "},
    PasswordCase{"another archive opened: asked again", "extract reopen extract", "read file", "one two", "Password for enc.zip: / Password for other.zip: | one,two | 1 files were extracted | "},
    PasswordCase{"the window closed: forgotten", "extract close extract", "read file", "one two", "Password for enc.zip: / Password for enc.zip: | one,two | 1 files were extracted | "},
    PasswordCase{"Open entry, right", "view", "read file", "right", "Password for enc.zip: | right | File being manipulated | open T/a.txt"},
    PasswordCase{"Open entry, wrong then right", "view", "read wrong file", "x right", "Password for enc.zip: / Password for enc.zip: [Wrong password for dir/a.txt] | x,right | File being manipulated | open T/a.txt"},
    PasswordCase{"Open entry, Cancel", "view", "read file", "cancel", "Password for enc.zip: |  | File being manipulated | "}));
// clang-format on

struct EncryptCase {
    const char* what;
    const char* options; // the Add Files dialog's steps before Add To ZIP
    const char* answers;
    // The prompts, the method in the library's record and the passwords it got, the result.
    const char* expected;
    friend void PrintTo(const EncryptCase& c, std::ostream* os) { *os << c.what; }
};
class EncryptAnswers : public EncryptedArchiveTest,
                       public ::testing::WithParamInterface<EncryptCase> {};

TEST_P(EncryptAnswers, AddToZipEncryptsWithThePasswordTypedTwice) {
    const EncryptCase& c = GetParam();
    const std::string zip = startWith("enc.zip", {{"old.txt", "o"}});
    testsupport::writeFile(files / "src/new.txt", "n");
    answers = QString(c.answers).split(' ', Qt::SkipEmptyParts);
    // The library asks once per call, when it has something to encrypt.
    if (QString(c.options).contains("EncryptCB"))
        fake::zipper().standing.actions = {{ActionPassword, PasswordToEncrypt, 0, zip}};
    fake::zipper().standing.result = answers.contains("cancel") ? 0 : 1;
    command("AddBut", "DirectoryListBox1=src FileListBox1=new.txt Addfilebut " +
                          QString(c.options) + " Okbut");
    const auto& calls = fake::zipper().calls;
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(prompts.join(" / ") + " | " + QString::number(calls[0].record.EncryptMethod) + " " +
                  passwordsGot(fake::zipper()) + " | " + Msgform->FileBeingZipped2->text(),
              c.expected);
    EXPECT_EQ(shown(), "");
    EXPECT_EQ(Mainform->Archiver1.AddEncryption, AddEncryptionEnum::None) << "this Add's only";

    // What was typed to encrypt is not kept for reading.
    fake::unzipper().standing.actions = {{ActionPassword, PasswordToRead, 0, "new.txt"}};
    answers = QStringList{"read"};
    prompts.clear();
    command("TestArchive1");
    EXPECT_EQ(passwordsGot(fake::unzipper()), "read");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(EncryptedArchive, EncryptAnswers, ::testing::Values(
    EncryptCase{"AES-256 by default", "EncryptCB", "s3cret/s3cret", "Password for enc.zip: | 1 s3cret | 1 files were added"},
    EncryptCase{"ZipCrypto, the repetition mistyped first", "EncryptCB ZipCryptoRB", "pw/pW pw/pw", "Password for enc.zip: / Password for enc.zip: [The two passwords differ; type them again.] | 2 pw | 1 files were added"},
    EncryptCase{"Cancel", "EncryptCB", "cancel", "Password for enc.zip: | 1  | Cancelled: 0 files were added"},
    EncryptCase{"not ticked: plain", "ZipCryptoRB", "", " | 0  | 1 files were added"}));
// clang-format on
