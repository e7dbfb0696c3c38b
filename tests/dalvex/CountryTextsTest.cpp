// The library's texts by country code: German for 49, English for 1 and for
// every code without texts of its own; a missing text is shown to the user
// and gives an empty text.
#include "dalvex/LoadCountryText.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include <gtest/gtest.h>

TEST(CountryTexts, GermanForItsCodeEnglishForEveryOtherAndAMissingTextIsShown)
{
    dialogs::ScriptedDialogService dialogs;
    const dialogs::ScopedDialogService scope(dialogs);
    EXPECT_EQ(dalvex::LoadCountryText(49, 2164), "Masse-/Normvolumendurchfluss");
    EXPECT_EQ(dalvex::LoadCountryText(1, 2164), "Mass/Standardvolume Flow");
    EXPECT_EQ(dalvex::LoadCountryText(44, 2223), "Output Temperature");
    EXPECT_TRUE(dialogs.Requests().empty());

    dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    EXPECT_EQ(dalvex::LoadCountryText(49, 2999), "");
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_TRUE(dialogs.Requests()[0].text.contains("12999")) << dialogs.Requests()[0].text.toStdString();
}
