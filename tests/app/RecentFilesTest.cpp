// The recent-file list and Mobrix.ini as text: reading rules, the written
// form with CR LF, entries and captions, and where the file lives.

#include "document/RecentFiles.h"

#include <gtest/gtest.h>

#include <limits>

using namespace mobrix::app;

namespace {

TEST(RecentIni, ReadsAfterTheSectionLineInAnyCaseUpToFourOrAnEmptyLine)
{
    RecentSlots s = ParseRecentIni("junk\r\n/a.fce 0\r\n[RECENT]\r\n/b.fce 1\r\n/c.fce 0\r\n\r\n/d.fce 0\r\n");
    EXPECT_EQ(s[0], "/b.fce 1");
    EXPECT_EQ(s[1], "/c.fce 0");
    EXPECT_EQ(s[2], "") << "reading stops at the empty line";
    EXPECT_EQ(s[4], "");

    s = ParseRecentIni("[recent]\n1 0\n2 0\n3 0\n4 0\n5 0\n");
    EXPECT_EQ(s[3], "4 0");
    EXPECT_EQ(s[4], "") << "only four lines are taken";

    // A later section line fills from slot 0 again.
    s = ParseRecentIni("[recent]\r\n/a 0\r\n/b 0\r\n/c 0\r\n\r\n[Recent]\r\n/x 1\r\n\r\n");
    EXPECT_EQ(s[0], "/x 1");
    EXPECT_EQ(s[1], "/b 0");
    EXPECT_EQ(s[2], "/c 0");

    EXPECT_EQ(ParseRecentIni("no section\r\n/a 0\r\n"), RecentSlots{});
}

TEST(RecentIni, WrittenFormHasFourLinesAndAnEmptyLineWithCrLf)
{
    RecentSlots s;
    s[0] = "/cars/one.fce 1";
    s[1] = "/cars/two.fce 0";
    s[4] = "scratch";
    EXPECT_EQ(FormatRecentIni(s), "[recent]\r\n/cars/one.fce 1\r\n/cars/two.fce 0\r\n\r\n\r\n\r\n");
    EXPECT_EQ(ParseRecentIni(FormatRecentIni(s))[1], s[1]);
}

TEST(RecentIni, SettingsSectionAfterTheListKeepsDefaultsForWhatItLacks)
{
    EXPECT_TRUE(ParseSettingsIni("[settings]\r\nShowOtherParts=no\r\n").ShowOtherParts);
    EXPECT_TRUE(ParseSettingsIni("[settings]\r\n[recent]\r\nShowOtherParts=0\r\n").ShowOtherParts);
    // A full list and the settings after it each read back unharmed.
    RecentSlots s;
    for (int i = 0; i < kRecentCount; ++i)
        s[static_cast<std::size_t>(i)] = "/cars/" + std::to_string(i) + ".fce 0";
    const std::string text = FormatRecentIni(s) + FormatSettingsIni({.ShowOtherParts = false});
    EXPECT_EQ(ParseRecentIni(text), s);
    EXPECT_FALSE(ParseSettingsIni(text).ShowOtherParts);
}

TEST(RecentIni, NumberSettingsAreReadWhenValidAndWrittenOnlyWhenSet)
{
    const IniSettings read =
        ParseSettingsIni("[settings]\r\nAutosaveMinutes=5\r\nUndoBudgetMiB=-3\r\nUndoBudgetMiB=2x\r\n");
    EXPECT_EQ(read.AutosaveMinutes, 5);
    EXPECT_EQ(read.UndoBudgetMiB, std::nullopt);
    EXPECT_EQ(ParseSettingsIni("[settings]\r\nAutosaveMinutes=99999999999\r\n").AutosaveMinutes,
              std::numeric_limits<int>::max());
    EXPECT_EQ(FormatSettingsIni({}), "[settings]\r\nShowOtherParts=1\r\n\r\n");
    const IniSettings set{.ShowOtherParts = true, .AutosaveMinutes = 0, .UndoBudgetMiB = 512};
    const IniSettings back = ParseSettingsIni(FormatSettingsIni(set));
    EXPECT_EQ(back.AutosaveMinutes, 0);
    EXPECT_EQ(back.UndoBudgetMiB, 512u);
}

TEST(RecentList, EntriesCaptionsAndFormats)
{
    RecentSlots s;
    s[4] = RecentEntry("/a b/car.fce", RecentFormat::Nfs3);
    EXPECT_EQ(s[4], "/a b/car.fce 0");
    EXPECT_TRUE(AddRecent(s));
    s[4] = RecentEntry("/a b/car.fce", RecentFormat::Nfs4);
    EXPECT_TRUE(AddRecent(s)) << "the same path in the other format is another entry";
    s[4] = RecentEntry("/a b/car.fce", RecentFormat::Nfs3);
    EXPECT_FALSE(AddRecent(s)) << "an entry already listed, even not the newest, changes nothing";
    EXPECT_EQ(s[0], "/a b/car.fce 1");
    EXPECT_EQ(s[1], "/a b/car.fce 0");

    for (const char* p : {"/3 0", "/4 0", "/5 0"}) {
        s[4] = p;
        AddRecent(s);
    }
    EXPECT_EQ(s[0], "/5 0");
    EXPECT_EQ(s[3], "/a b/car.fce 1") << "the oldest of five is dropped";

    EXPECT_EQ(QuickLoadCaption(2, "/cars/x.fce 1"), "&3. /cars/x.fce");
    EXPECT_EQ(RecentPath("/cars/x.fce 1"), "/cars/x.fce");
    EXPECT_EQ(RecentEntryFormat("/cars/x.fce 1"), RecentFormat::Nfs4);
    EXPECT_EQ(RecentEntryFormat("/cars/x.fce 0"), RecentFormat::Nfs3);
    EXPECT_EQ(RecentEntryFormat("/cars/x.fce"), std::nullopt);
}

TEST(RecentList, IniLivesInTheProgramFolderWhenWritableElseInTheConfigFolder)
{
    EXPECT_EQ(IniFilePath("/opt/mobrix", true, "/home/u/.config/Mobrix"), "/opt/mobrix/Mobrix.ini");
    EXPECT_EQ(IniFilePath("/opt/mobrix/", true, "/home/u/.config/Mobrix"), "/opt/mobrix/Mobrix.ini");
    EXPECT_EQ(IniFilePath("/usr/bin", false, "/home/u/.config/Mobrix"), "/home/u/.config/Mobrix/Mobrix.ini");
}

} // namespace
