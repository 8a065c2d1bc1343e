// The Name Encoding menu: the names of an archive stored in a code page (UTF-8 flag clear)
// show in the table as the chosen code page reads them, and going back to Automatic shows
// them as before.
#include "tests/gui/MainWindowFixture.h"

#include <QAction>

namespace {

struct EncodingCase {
    const char* action;
    std::string raw, shown;
};
class NameEncodingChoice : public MainWindowFixture,
                           public ::testing::WithParamInterface<EncodingCase> {};

} // namespace

TEST_P(NameEncodingChoice, ShowsTheNamesAsTheCodePageReadsThem) {
    const EncodingCase& c = GetParam();
    startWith("cp.zip", {{c.raw, "data"}});
    const std::string automatic = cell(0, 1).toStdString();
    Mainform->findChild<QAction*>(c.action)->trigger();
    EXPECT_EQ(cell(0, 1).toStdString(), c.shown);
    Mainform->findChild<QAction*>("NameEncoding_Automatic")->trigger();
    EXPECT_EQ(cell(0, 1).toStdString(), automatic);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, NameEncodingChoice,
    ::testing::Values(EncodingCase{"NameEncoding_CP866", "\x8F\xE0\xA8\xA2\xA5\xE2.txt",
                                   "\u041F\u0440\u0438\u0432\u0435\u0442.txt"},
                      EncodingCase{"NameEncoding_Shift-JIS", "\x93\xFA\x96\x7B.txt",
                                   "\u65E5\u672C.txt"}));
