// The open-file dialog: what it keeps between showings and how its filter reaches Qt.
#include "platform/qt/OpenDialog.h"

#include <gtest/gtest.h>

TEST(OpenDialogTest, ConfirmedChoiceBecomesTheFileNameAndCancelKeepsIt) {
    ScriptedFileChooser chooser;
    ScopedFileChooser installed(chooser);
    TOpenDialog dialog;
    dialog.FileName = "/old/name.zip";
    chooser.choosePath("/new/name.zip");
    chooser.cancel();

    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/new/name.zip");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/new/name.zip");
    EXPECT_FALSE(dialog.Execute()) << "an empty script cancels";
    ASSERT_EQ(chooser.seen.size(), 3u);
    EXPECT_EQ(chooser.seen[0].fileName, "/old/name.zip");
    EXPECT_EQ(chooser.seen[1].fileName, "/new/name.zip");
}

TEST(OpenDialogTest, OptionsAreAddedAndRemovedOneByOne) {
    TOpenDialog dialog;
    dialog.include(TOpenDialog::ofHideReadOnly);
    dialog.include(TOpenDialog::ofFileMustExist);
    dialog.include(TOpenDialog::ofFileMustExist);
    EXPECT_EQ(dialog.Options(),
              unsigned(TOpenDialog::ofHideReadOnly | TOpenDialog::ofFileMustExist));
    dialog.exclude(TOpenDialog::ofFileMustExist);
    dialog.exclude(TOpenDialog::ofPathMustExist);
    EXPECT_TRUE(dialog.hasOption(TOpenDialog::ofHideReadOnly));
    EXPECT_FALSE(dialog.hasOption(TOpenDialog::ofFileMustExist));
    EXPECT_EQ(dialog.Options(), unsigned(TOpenDialog::ofHideReadOnly));
}

TEST(OpenDialogTest, FilterPatternsDecideTheQtFilters) {
    EXPECT_EQ(qtNameFilters("ZIP Files (*.ZIP)|*.zip"), QStringList{"ZIP Files (*.zip)"});
    EXPECT_EQ(qtNameFilters("Ostrel file (*.zip)|*.zip"), QStringList{"Ostrel file (*.zip)"});
    EXPECT_EQ(qtNameFilters("Archives|*.zip;*.jar|All files (*.*)|*"),
              (QStringList{"Archives (*.zip *.jar)", "All files (*)"}));
    EXPECT_TRUE(qtNameFilters("").isEmpty());
    EXPECT_TRUE(qtNameFilters("description without pattern").isEmpty());
}
