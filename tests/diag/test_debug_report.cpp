// The debug report: marker switch, file format, entries, reopening.
#include <gtest/gtest.h>

#include <string>

#include "diag/Debug.h"
#include "support/work_dir.h"

static const char header[] =
    "QM Debug System - REPORT FILE\n"
    "-----------------------------\n\n"
    "Inicializando...\n";
static const char closing[] = "\nProgram shutdown. Nice!\n";

class DebugReport : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override
    {
        dir = EnterFreshWorkDir();
        // Back to the state of a fresh process.
        reportDisabled = 1;
        reportStream = nullptr;
        if (markerStream)
            fclose(markerStream);
        markerStream = nullptr;
    }
    void TearDown() override
    {
        ReportClose();
        LeaveWorkDir(dir);
    }
    void TurnOn() { ASSERT_TRUE(WriteFile("vindrel.txt", "")); }
};

TEST_F(DebugReport, WithoutMarkerNothingIsCreatedOrChanged)
{
    EXPECT_TRUE(ReportOpen());
    ReportWrite("entry %d\n", 1);
    ReportClose();
    EXPECT_FALSE(FileExists("Debug.txt"));

    ASSERT_TRUE(WriteFile("Debug.txt", "old report"));
    EXPECT_TRUE(ReportOpen());
    ReportWrite("entry\n");
    ReportClose();
    EXPECT_EQ(ReadFile("Debug.txt"), "old report");
    EXPECT_EQ(reportDisabled, 1);
}

TEST_F(DebugReport, HeaderEntriesAndClosingLineInOrder)
{
    TurnOn();
    ASSERT_TRUE(WriteFile("Debug.txt", "stale text that must go"));
    EXPECT_TRUE(ReportOpen());
    ReportWrite("- Cargando %s ...\n", "imagenes");
    ReportWrite("name line ");  // no line break: the next entry runs on
    ReportWrite("Ok.");
    ReportClose();
    EXPECT_EQ(ReadFile("Debug.txt"),
              std::string(header) + "- Cargando imagenes ...\nname line Ok." + closing);
}

TEST_F(DebugReport, PercentInFormattedTextReachesTheFileUnchanged)
{
    TurnOn();
    ASSERT_TRUE(ReportOpen());
    ReportWrite("path %s\n", "imagenes/100%done%s.tga");
    ReportWrite(nullptr);
    ReportClose();
    EXPECT_EQ(ReadFile("Debug.txt"), std::string(header) + "path imagenes/100%done%s.tga\n" + closing);
}

TEST_F(DebugReport, OverlongEntryIsCutTo255Characters)
{
    TurnOn();
    ASSERT_TRUE(ReportOpen());
    std::string renderer(1000, 'r');
    ReportWrite("Render: %s\n", renderer.c_str());
    ReportWrite("next\n");
    ReportClose();
    std::string expected = std::string(header) + "Render: " + std::string(255 - 8, 'r') + "next\n" + closing;
    EXPECT_EQ(ReadFile("Debug.txt"), expected);
}

TEST_F(DebugReport, EveryOpenEmptiesTheFileAndKeepsOnlyTheLatestReport)
{
    TurnOn();
    for (int window = 1; window <= 3; ++window) {
        ASSERT_TRUE(ReportOpen());
        ReportWrite("window %d\n", window);
        ReportClose();
    }
    EXPECT_EQ(ReadFile("Debug.txt"), std::string(header) + "window 3\n" + closing);
}

TEST_F(DebugReport, StaysOnAfterTheMarkerIsDeleted)
{
    TurnOn();
    ASSERT_TRUE(ReportOpen());
    ReportClose();
    ASSERT_EQ(remove("vindrel.txt"), 0);
    ASSERT_TRUE(ReportOpen());
    ReportWrite("still on\n");
    ReportClose();
    EXPECT_EQ(ReadFile("Debug.txt"), std::string(header) + "still on\n" + closing);
}

TEST_F(DebugReport, MarkerCreatedLaterTurnsTheReportOnAtTheNextOpen)
{
    ASSERT_TRUE(ReportOpen());
    ReportClose();
    TurnOn();
    ASSERT_TRUE(ReportOpen());
    ReportClose();
    EXPECT_EQ(ReadFile("Debug.txt"), std::string(header) + closing);
}

TEST_F(DebugReport, UnwritableFileFailsOpenAndLaterCallsAreHarmless)
{
    TurnOn();
    // A directory in the file's place cannot be opened for writing, even by root.
    ASSERT_EQ(system("mkdir Debug.txt"), 0);
    EXPECT_FALSE(ReportOpen());
    EXPECT_EQ(reportDisabled, 0);
    ReportWrite("dropped\n");
    ReportClose();
    ReportClose();

    // The next open, once the file can be written, works again.
    ASSERT_EQ(system("rmdir Debug.txt"), 0);
    ASSERT_TRUE(ReportOpen());
    ReportClose();
    EXPECT_EQ(ReadFile("Debug.txt"), std::string(header) + closing);
}

TEST_F(DebugReport, SecondCloseWritesNothingMore)
{
    TurnOn();
    ASSERT_TRUE(ReportOpen());
    ReportClose();
    ReportWrite("after close\n");
    ReportClose();
    EXPECT_EQ(ReadFile("Debug.txt"), std::string(header) + closing);
}
