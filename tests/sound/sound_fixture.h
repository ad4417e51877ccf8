// Test support for the music: a fresh working folder with the report on,
// boxes intercepted, and the fixtures' samples decoded by our decoder.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/Debug.h"
#include "platform/test_hooks.h"
#include "sound/music.h"
#include "sound/vorbis_decoder.h"
#include "support/work_dir.h"

inline std::string Fixture(const char* name)
{
    return std::string(SOUND_FIXTURES) + "/" + name;
}

// Every frame of the file, interleaved stereo.
inline std::vector<short> DecodeAll(const std::string& path)
{
    std::vector<short> samples;
    if (OpenVorbisFile(path.c_str()) != VORBIS_OPEN_OK)
        return samples;
    short piece[2 * 1000];
    int frames;
    while ((frames = DecodeVorbisPiece(piece, 1000)) > 0)
        samples.insert(samples.end(), piece, piece + 2 * frames);
    CloseVorbisFile();
    return samples;
}

struct MusicTest : ::testing::Test {
    std::string dir;
    void SetUp() override
    {
        dir = EnterFreshWorkDir();
        TestHooksReset();
        ASSERT_TRUE(WriteFile("vindrel.txt", ""));
        ASSERT_TRUE(ReportOpen());
    }
    void TearDown() override
    {
        StopMusic();
        ReportClose();
        TestHooksDisable();
        LeaveWorkDir(dir);
    }
    std::string Report()
    {
        ReportClose();
        return ReadFile("Debug.txt");
    }
};
