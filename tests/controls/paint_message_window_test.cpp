// The message window's labels show the names the archive libraries report exactly as they are.
#include "app/MessageWindow.h"
#include "paint_support.h"

#include <QFontMetrics>
#include <QLabel>
#include <gtest/gtest.h>

TEST(MessageWindowText, NamesThatLookLikeMarkupAreShownAsTheyAre) {
    TMsgform form;
    // Names an archive may well hold: tags and entities are characters of the name.
    for (const std::string name :
         {"<b>Report</b> 2024.txt", "notes &lt;old&gt;.txt", "<i>draft</i>   v2.doc"}) {
        SCOPED_TRACE(name);
        form.ShowProgress(ProgressType::NewFile, name, 100);
        const QString shown = QString::fromStdString(name);
        EXPECT_EQ(form.FileBeingZipped->text(), shown);
        // Laid out as markup, the text would lose its tags and spaces and come out narrower.
        const QFontMetrics fm(form.FileBeingZipped->font());
        EXPECT_GE(form.FileBeingZipped->sizeHint().width(), fm.horizontalAdvance(shown));

        form.ShowResult(shown);
        EXPECT_GE(form.FileBeingZipped2->sizeHint().width(), fm.horizontalAdvance(shown));
    }
}
