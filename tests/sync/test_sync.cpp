// Sync tracks: values between keys, both file forms, refusals, live reload.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "diag/Debug.h"
#include "support/work_dir.h"
#include "sync/sync_tracks.h"
#include "timing/clock.h"

class SyncTracks : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override
    {
        dir = EnterFreshWorkDir();
        mkdir("sync", 0755);
        ResetSyncTracks();
    }
    void TearDown() override { LeaveWorkDir(dir); }
};

// The binary form from raw bytes: count, then row, value bits, interpolation.
static std::string Binary(int32_t count, std::initializer_list<uint32_t> fields)
{
    std::string bytes;
    auto put = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes += char(v >> (8 * i));
    };
    put(uint32_t(count));
    int n = 0;
    for (uint32_t field : fields)
        if (++n % 3 == 0)
            bytes += char(field);
        else
            put(field);
    return bytes;
}

static uint32_t Bits(float value)
{
    uint32_t bits;
    memcpy(&bits, &value, 4);
    return bits;
}

TEST_F(SyncTracks, EachInterpolationAtItsEdgesAndBetween)
{
    ASSERT_TRUE(WriteFile("sync/edges.txt", "# one key of each kind\n"
                                            "0 1 linear\n10 3 step\n  20 5 smooth # comment\n\n30 1 ramp\n40 9 step\n"));
    int track = GetSyncTrack("edges");
    ASSERT_EQ(track, 0);
    // Forwards, then backwards and in jumps: the cursor and the search agree.
    const double rows[] = {-5, 0, 2.5, 5, 10, 19.999, 20, 22, 25, 30, 32, 35, 40, 1e9};
    const float expected[] = {1, 1, 1.5f, 2, 3, 3, 5, 4.584f, 3, 1, 1.32f, 3, 9, 9};
    for (int pass = 0; pass < 3; ++pass)
        for (int k = 0; k < 14; ++k) {
            int i = pass == 0 ? k : pass == 1 ? 13 - k : (k * 5) % 14;
            EXPECT_NEAR(SyncValue(track, rows[i]), expected[i], 1e-5) << "row " << rows[i];
        }
    EXPECT_EQ(SyncValue(track, NAN), 1.0f);
    EXPECT_EQ(SyncValue(GetSyncTrack("no file"), 5), 0.0f);
    EXPECT_EQ(SyncValue(7, 5), 0.0f);
    EXPECT_EQ(SyncValue(-1, 5), 0.0f);
}

TEST_F(SyncTracks, RowFollowsTheClockAtTheTempo)
{
    SetSyncTempo(150.0, 4);
    ASSERT_EQ(StartClock(), 0);
    usleep(20000);
    double before = ElapsedSeconds(), row = SyncRow(), after = ElapsedSeconds();
    EXPECT_GE(row, before * 10.0);
    EXPECT_LE(row, after * 10.0);
    EXPECT_GT(row, 0.2);
    SetSyncTempo(0.0, 4);
    SetSyncTempo(120.0, 0);
    EXPECT_DOUBLE_EQ(syncRowsPerSecond, 10.0);
}

TEST_F(SyncTracks, NamesPathsAndWhichFileWins)
{
    char path[SYNC_PATH_SIZE];
    ASSERT_TRUE(SyncBinaryPath("a b/C.d_e:\xE9", path, sizeof path));
    EXPECT_STREQ(path, "sync/tracks_a-20b/C.d_e-3A-E9.track");
    ASSERT_TRUE(SyncTextPath("a b/C.d_e:\xE9", path, sizeof path));
    EXPECT_STREQ(path, "sync/a-20b/C.d_e-3A-E9.txt");
    EXPECT_FALSE(SyncTextPath("abcdef", path, 14));

    EXPECT_EQ(GetSyncTrack(""), -1);
    EXPECT_EQ(GetSyncTrack(std::string(SYNC_NAME_SIZE, 'x').c_str()), -1);
    EXPECT_EQ(GetSyncTrack(std::string(SYNC_NAME_SIZE - 1, 'x').c_str()), 0);

    ASSERT_TRUE(WriteFile("sync/tracks_cam-3Ax.track", Binary(1, {0, Bits(2.5f), 0})));
    EXPECT_EQ(SyncValue(GetSyncTrack("cam:x"), 0), 2.5f);
    ASSERT_TRUE(WriteFile("sync/tracks_both.track", Binary(1, {0, Bits(2.5f), 0})));
    ASSERT_TRUE(WriteFile("sync/both.txt", "0 7 step\n"));
    int both = GetSyncTrack("both");
    EXPECT_EQ(SyncValue(both, 0), 7.0f);
    EXPECT_EQ(GetSyncTrack("both"), both);
}

TEST_F(SyncTracks, BothFormsRoundTripEveryBit)
{
    const SyncKey keys[] = {{-3, 0.1f, SYNC_STEP}, {0, -1e-7f, SYNC_LINEAR}, {7, 3.4e38f, SYNC_SMOOTH},
                            {2000000000, 1.0f / 3, SYNC_RAMP}};
    SyncKey back[8];
    ASSERT_TRUE(WriteSyncBinary("sync/k.track", keys, 4));
    ASSERT_TRUE(WriteSyncText("sync/k.txt", keys, 4));
    for (int text = 0; text < 2; ++text) {
        memset(back, 0, sizeof back);
        ASSERT_EQ(text ? ReadSyncText("sync/k.txt", back, 8) : ReadSyncBinary("sync/k.track", back, 8), 4);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(back[i].row, keys[i].row);
            EXPECT_EQ(Bits(back[i].value), Bits(keys[i].value));
            EXPECT_EQ(back[i].interpolation, keys[i].interpolation);
        }
    }
    EXPECT_EQ(ReadSyncBinary("sync/k.track", back, 3), SYNC_READ_NO_ROOM);
    EXPECT_EQ(ReadSyncText("sync/k.txt", back, 3), SYNC_READ_NO_ROOM);
    EXPECT_EQ(ReadSyncText("sync/none.txt", back, 3), SYNC_READ_MISSING);
}

TEST_F(SyncTracks, BadFilesAreRefusedWithTheReason)
{
    SyncKey keys[4];
    const struct {
        std::string bytes;
        const char* reason;
    } binaries[] = {
        {std::string("\1\0", 2), "no key count"},
        {Binary(2, {0, Bits(1), 0}), "truncated, 2 keys need 22 bytes, the file has 13"},
        {Binary(-1, {}), "negative key count -1"},
        {Binary(0x7fffffff, {}), "truncated, 2147483647 keys"},
        {Binary(1, {0, Bits(1), 0}) + "x", "1 bytes after the last key"},
        {Binary(2, {5, Bits(1), 0, 5, Bits(2), 0}), "key 1 (row 5): row not after"},
        {Binary(2, {5, Bits(1), 0, 4, Bits(2), 0}), "key 1 (row 4): row not after"},
        {Binary(1, {5, Bits(1), 4}), "key 0 (row 5): unknown interpolation"},
        {Binary(1, {5, 0x7fc00000, 0}), "value not finite"},
    };
    for (const auto& bad : binaries) {
        ASSERT_TRUE(WriteFile("sync/bad.track", bad.bytes));
        EXPECT_EQ(ReadSyncBinary("sync/bad.track", keys, 4), SYNC_READ_REFUSED) << bad.reason;
        EXPECT_NE(strstr(syncRefusal, bad.reason), nullptr) << syncRefusal;
    }
    const struct {
        const char* text;
        const char* reason;
    } texts[] = {
        {"0 1 step\n# fine\nx 1 step\n", "bad.txt:3: no row"},
        {"0 1x step\n", ":1: no value"},
        {"0 1 hold\n", ":1: interpolation not step"},
        {"0 1 step linear\n", ":1: more after"},
        {"9 1 step\n3 1 step\n", ":2: row not after"},
        {"0 inf step\n", ":1: value not finite"},
        {"99999999999 1 step\n", ":1: row out of range"},
    };
    for (const auto& bad : texts) {
        ASSERT_TRUE(WriteFile("sync/bad.txt", bad.text));
        EXPECT_EQ(ReadSyncText("sync/bad.txt", keys, 4), SYNC_READ_REFUSED) << bad.reason;
        EXPECT_NE(strstr(syncRefusal, bad.reason), nullptr) << syncRefusal;
    }
    ASSERT_TRUE(WriteFile("sync/bad.txt", "0 1 step #" + std::string(300, 'x') + "\n"));
    EXPECT_EQ(ReadSyncText("sync/bad.txt", keys, 4), SYNC_READ_REFUSED);
    EXPECT_NE(strstr(syncRefusal, ":1: line longer"), nullptr) << syncRefusal;
}

TEST_F(SyncTracks, TextSavedWhileRunningIsReadAfterTheCheckInterval)
{
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    reportDisabled = 1;
    ASSERT_TRUE(ReportOpen());
    ASSERT_TRUE(WriteFile("sync/live.txt", "0 1 step\n"));
    int live = GetSyncTrack("live");
    int other = GetSyncTrack("other");  // grows and moves past live's keys
    EXPECT_EQ(SyncValue(live, 0), 1.0f);
    ASSERT_TRUE(WriteFile("sync/live.txt", "0 2 linear\n10 4 step\n"));
    ASSERT_TRUE(WriteFile("sync/other.txt", "0 8 step\n"));
    EXPECT_EQ(SyncValue(live, 5), 1.0f);  // checked a moment ago
    usleep(1000 * (SYNC_CHECK_MILLISECONDS + 20));
    EXPECT_EQ(SyncValue(live, 5), 3.0f);
    EXPECT_EQ(SyncValue(other, 5), 8.0f);
    // A save that does not parse keeps the keys and names its line.
    ASSERT_TRUE(WriteFile("sync/live.txt", "0 5 step\n10 6 ste\n"));
    usleep(1000 * (SYNC_CHECK_MILLISECONDS + 20));
    EXPECT_EQ(SyncValue(live, 5), 3.0f);
    ReportClose();
    EXPECT_NE(ReadFile("Debug.txt").find("Pista live rechazada: sync/live.txt:2: interpolation not"),
              std::string::npos);
    // A fixed save loads again.
    ASSERT_TRUE(WriteFile("sync/live.txt", "0 5 step\n"));
    usleep(1000 * (SYNC_CHECK_MILLISECONDS + 20));
    EXPECT_EQ(SyncValue(live, 5), 5.0f);
    if (markerStream)
        fclose(markerStream);
    markerStream = nullptr;
    reportDisabled = 1;
}

TEST_F(SyncTracks, ManyTracksHaveTheirFilesLookedAtInTurn)
{
    // A hundred tracks: half an interval after a full look, about half of
    // them have had their turn; an interval later, all of them.
    enum { TRACKS = 100 };
    int tracks[TRACKS];
    for (int t = 0; t < TRACKS; ++t)
        tracks[t] = GetSyncTrack(("turn" + std::to_string(t)).c_str());
    SyncRow();  // the first call looks at every file
    for (int t = 0; t < TRACKS; ++t)
        ASSERT_TRUE(WriteFile(("sync/turn" + std::to_string(t) + ".txt").c_str(), "0 1 step\n"));
    usleep(1000 * SYNC_CHECK_MILLISECONDS / 2);
    SyncRow();
    int read = 0;
    for (int t = 0; t < TRACKS; ++t)
        read += syncTracks[tracks[t]].count;
    EXPECT_GT(read, 0);
    EXPECT_LT(read, TRACKS);
    usleep(1000 * (SYNC_CHECK_MILLISECONDS + 20));
    for (int t = 0; t < TRACKS; ++t)
        EXPECT_EQ(SyncValue(tracks[t], 0), 1.0f) << t;
}

// Keys row i, value sign * i.
static void WriteRamp(const char* path, int count, float sign)
{
    static SyncKey keys[SYNC_KEY_LIMIT];
    for (int i = 0; i < count; ++i)
        keys[i] = {i, sign * float(i), SYNC_LINEAR};
    ASSERT_TRUE(WriteSyncBinary(path, keys, count));
}

TEST_F(SyncTracks, AFullPoolGivesBackWhatShrunkTracksLeft)
{
    WriteRamp("sync/tracks_shrinks.track", 300000, 1);
    WriteRamp("sync/tracks_stays.track", 600000, 1);
    WriteRamp("sync/tracks_late.track", 200000, -1);
    int shrinks = GetSyncTrack("shrinks"), stays = GetSyncTrack("stays");
    ASSERT_TRUE(WriteFile("sync/shrinks.txt", "0 42 step\n"));
    usleep(1000 * (SYNC_CHECK_MILLISECONDS + 20));
    EXPECT_EQ(SyncValue(shrinks, 5), 42.0f);
    EXPECT_EQ(syncKeysUsed, 900000);
    int late = GetSyncTrack("late");
    EXPECT_EQ(syncKeysUsed, 800001);
    EXPECT_EQ(SyncValue(late, 199998.5), -199998.5f);
    EXPECT_EQ(SyncValue(stays, 3.5), 3.5f);
    EXPECT_EQ(SyncValue(stays, 599998.5), 599998.5f);
    EXPECT_EQ(SyncValue(shrinks, 0), 42.0f);
}

TEST_F(SyncTracks, EditedKeysKeepTheirOrderSaveAndGrowIntoAFullPool)
{
    int a = GetSyncTrack("a");
    GetSyncTrack("b c");
    for (int row : {20, 0, 30, 10})
        ASSERT_TRUE(SetSyncKey(a, row, float(row), SYNC_LINEAR));
    ASSERT_TRUE(SetSyncKey(a, 20, 7.0f, SYNC_STEP));
    EXPECT_TRUE(DeleteSyncKey(a, 30));
    EXPECT_FALSE(DeleteSyncKey(a, 15));
    EXPECT_FALSE(SetSyncKey(a, 5, NAN, SYNC_STEP));
    EXPECT_FALSE(SetSyncKey(a, 5, 1.0f, SYNC_INTERPOLATION_COUNT));
    EXPECT_FALSE(SetSyncKey(2, 5, 1.0f, SYNC_STEP));
    EXPECT_EQ(SyncValue(a, 5), 5.0f);
    EXPECT_EQ(SyncValue(a, 25), 7.0f);
    ASSERT_TRUE(SaveSyncTracks());
    SyncKey keys[4];
    const SyncKey saved[3] = {{0, 0, SYNC_LINEAR}, {10, 10, SYNC_LINEAR}, {20, 7, SYNC_STEP}};
    auto same = [&] {
        for (int i = 0; i < 3; ++i)
            if (keys[i].row != saved[i].row || keys[i].value != saved[i].value ||
                keys[i].interpolation != saved[i].interpolation)
                return false;
        return true;
    };
    ASSERT_EQ(ReadSyncBinary("sync/tracks_a.track", keys, 4), 3);
    EXPECT_TRUE(same());
    ASSERT_EQ(ReadSyncText("sync/a.txt", keys, 4), 3);
    EXPECT_TRUE(same());
    EXPECT_EQ(ReadSyncBinary("sync/tracks_b-20c.track", keys, 4), 0);

    // A track in the middle of a full pool: it goes last to grow, the one
    // after it moves down, and the pool's last key is the last given.
    ResetSyncTracks();
    WriteRamp("sync/tracks_mid.track", 300, 1);
    WriteRamp("sync/tracks_big.track", SYNC_KEY_LIMIT - 400, -1);
    int mid = GetSyncTrack("mid"), big = GetSyncTrack("big");
    for (int row = 300; row < 400; ++row)
        ASSERT_TRUE(SetSyncKey(mid, row, float(row), SYNC_LINEAR)) << row;
    EXPECT_FALSE(SetSyncKey(mid, 400, 0.0f, SYNC_STEP));
    EXPECT_EQ(SyncValue(mid, 398.5), 398.5f);
    EXPECT_EQ(SyncValue(mid, 3.5), 3.5f);
    EXPECT_EQ(SyncValue(big, SYNC_KEY_LIMIT - 402.5), -(SYNC_KEY_LIMIT - 402.5f));
    EXPECT_EQ(SyncValue(big, 1.5), -1.5f);
}
