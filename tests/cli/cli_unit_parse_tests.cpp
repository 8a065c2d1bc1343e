// Parsing of the command line: which lines start the window, which run a command, and which
// are refused with a reason.
#include "app/CommandLine.h"
#include "archive/ZIPPER.h"

#include <gtest/gtest.h>

namespace {

using cli::Command;
using cli::parseArguments;

TEST(CliParse, WindowStartsWithoutCommand) {
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"archive.zip"},
        {"archive.zip", "--list"}, // further arguments after an archive are ignored
        {"-platform", "offscreen"},
        {"--style=fusion", "a.zip"},
        {"-"},
    };
    for (const auto& line : lines) {
        const auto r = parseArguments(line);
        EXPECT_EQ(r.error, "") << testing::PrintToString(line);
        EXPECT_EQ(r.options.command, Command::Window) << testing::PrintToString(line);
    }
}

TEST(CliParse, HelpAndVersion) {
    EXPECT_EQ(parseArguments({"--help"}).options.command, Command::Help);
    EXPECT_EQ(parseArguments({"-h"}).options.command, Command::Help);
    EXPECT_EQ(parseArguments({"--version"}).options.command, Command::Version);
    EXPECT_EQ(cli::versionText(), "Quembly 1.0");
    const std::string usage = cli::usageText();
    for (const char* word : {"--list", "--add", "--extract", "--delete", "--recurse", "--dirnames",
                             "--level", "--no-overwrite", "--password", "parent folder"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

TEST(CliParse, ListTakesOneArchive) {
    const auto r = parseArguments({"--list", "a.zip"});
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.options.command, Command::List);
    EXPECT_EQ(r.options.archive, "a.zip");
    EXPECT_NE(parseArguments({"--list"}).error, "");
    EXPECT_NE(parseArguments({"--list", "a.zip", "b.zip"}).error, "");
}

TEST(CliParse, AddWithOptionsAnywhere) {
    const auto r = parseArguments(
        {"--add", "a.zip", "--recurse", "one.txt", "--level", "3", "--dirnames", "dir"});
    ASSERT_EQ(r.error, "");
    const cli::Options& o = r.options;
    EXPECT_EQ(o.command, Command::Add);
    EXPECT_EQ(o.archive, "a.zip");
    EXPECT_EQ(o.names, (std::vector<std::string>{"one.txt", "dir"}));
    EXPECT_TRUE(o.recurse);
    EXPECT_TRUE(o.dirNames);
    EXPECT_EQ(o.level, 3);
    EXPECT_FALSE(o.password.has_value());

    const auto defaults = parseArguments({"--add", "a.zip", "x"}).options;
    EXPECT_FALSE(defaults.recurse);
    EXPECT_FALSE(defaults.dirNames);
    EXPECT_EQ(defaults.level, 9);

    EXPECT_EQ(parseArguments({"--add", "a.zip", "--level=0", "x"}).options.level, 0);
    // The password may stand before the command; "=" and a separate value both work.
    const auto pw = parseArguments({"--password", "s e=cret", "--add", "a.zip", "x"});
    ASSERT_EQ(pw.error, "");
    EXPECT_EQ(pw.options.password, "s e=cret");
    EXPECT_EQ(parseArguments({"--add", "a.zip", "--password=a=b", "x"}).options.password, "a=b");
    EXPECT_EQ(parseArguments({"--add", "a.zip", "--password=", "x"}).options.password, "");
}

// --encrypt takes its method only after "=": the next argument stays a path.
TEST(CliParse, EncryptAndPasswordFiles) {
    const auto r = parseArguments({"--add", "a.zip", "--encrypt", "x", "--archive-password-file",
                                   "-", "--password-file=pw.txt"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.encrypt, ZipEncryptAes256);
    EXPECT_EQ(r.options.names, std::vector<std::string>{"x"});
    EXPECT_EQ(r.options.archivePasswordFile, "-");
    EXPECT_EQ(r.options.passwordFile, "pw.txt");
    EXPECT_EQ(parseArguments({"--add", "a.zip", "--encrypt=zipcrypto", "x"}).options.encrypt,
              ZipEncryptZipCrypto);
}

TEST(CliParse, DoubleDashEndsOptions) {
    const auto r = parseArguments({"--add", "a.zip", "--", "--recurse", "-x"});
    ASSERT_EQ(r.error, "");
    EXPECT_FALSE(r.options.recurse);
    EXPECT_EQ(r.options.names, (std::vector<std::string>{"--recurse", "-x"}));
}

TEST(CliParse, ExtractTakesFolderAndOptionalNames) {
    auto r = parseArguments({"--extract", "a.zip", "out"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.command, Command::Extract);
    EXPECT_EQ(r.options.folder, "out");
    EXPECT_TRUE(r.options.names.empty());
    EXPECT_TRUE(r.options.overwrite);
    EXPECT_FALSE(r.options.dirNames);

    r = parseArguments(
        {"--extract", "a.zip", "out", "--no-overwrite", "--dirnames", "dir\\one.txt", "two.txt"});
    ASSERT_EQ(r.error, "");
    EXPECT_FALSE(r.options.overwrite);
    EXPECT_TRUE(r.options.dirNames);
    EXPECT_EQ(r.options.names, (std::vector<std::string>{"dir\\one.txt", "two.txt"}));
}

TEST(CliParse, DeleteTakesNames) {
    const auto r = parseArguments({"--delete", "a.zip", "x", "y"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.command, Command::Delete);
    EXPECT_EQ(r.options.names, (std::vector<std::string>{"x", "y"}));
}

TEST(CliParse, WrongLinesAreRefusedWithAReason) {
    struct Case {
        std::vector<std::string> line;
        std::string error;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"-x", "a.zip"}, "unknown option '-x'"},
        {{"--list", "a.zip", "--bogus"}, "unknown option '--bogus'"},
        {{"--add"}, "--add needs an archive"},
        {{"--add", "a.zip"}, "No files selected"},
        {{"--delete", "a.zip"}, "Error - no files selected"},
        {{"--extract", "a.zip"}, "--extract needs a destination folder"},
        {{"--list", "a.zip", "--add"},
         "only one of --list, --add, --extract, --delete, --test, --help and --version may be "
         "given"},
        {{"--extract", "a.zip", "out", "--recurse"},
         "option '--recurse' does not apply to --extract"},
        {{"--extract", "a.zip", "out", "--level", "1"},
         "option '--level' does not apply to --extract"},
        {{"--add", "a.zip", "x", "--no-overwrite"},
         "option '--no-overwrite' does not apply to --add"},
        {{"--delete", "a.zip", "x", "--dirnames"},
         "option '--dirnames' does not apply to --delete"},
        {{"--add", "a.zip", "x", "--level"}, "option '--level' needs a value"},
        {{"--add", "a.zip", "x", "--level", "10"},
         "the compression level must be a number from 0 to 9, not '10'"},
        {{"--add", "a.zip", "x", "--level=fast"},
         "the compression level must be a number from 0 to 9, not 'fast'"},
        {{"--password", "pw"}, "no command given (one of --list, --add, --extract, --delete)"},
        {{"--list", ""}, "the archive name is empty"},
        {{"--add", "a.zip", "x", "--encrypt=des"}, "unknown encryption method 'des'"},
        {{"--extract", "a.zip", "out", "--encrypt"},
         "option '--encrypt' does not apply to --extract"},
        {{"--delete", "a.zip", "x", "--archive-password-file", "f"},
         "option '--archive-password-file' does not apply to --delete"},
        {{"--test", "a.zip", "--password", "p", "--password-file", "f"},
         "--password and --password-file cannot both be given"},
        {{"--test", "a.zip", "--password-file", "-", "--archive-password-file=-"},
         "--password-file and --archive-password-file cannot both read standard input"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseArguments(c.line).error, c.error) << testing::PrintToString(c.line);
}

TEST(CliParse, RunCommandLineLeavesWindowStartsToTheWindow) {
    char prog[] = "quembly";
    char archive[] = "some.zip";
    char* argv1[] = {prog, nullptr};
    EXPECT_EQ(runCommandLine(1, argv1), std::nullopt);
    char* argv2[] = {prog, archive, nullptr};
    EXPECT_EQ(runCommandLine(2, argv2), std::nullopt);
}

} // namespace
