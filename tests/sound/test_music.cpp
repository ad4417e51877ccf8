// The music on the real layer: refusals like the image readers', no
// device, and what SDL's disk driver receives through a pause and a stop.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

#include "sound_fixture.h"
#include "timing/clock.h"

namespace {

int64_t Counter()
{
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

// Waits as the loop does, pumping the music every couple of milliseconds.
void Wait(double seconds, bool pump = true)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    int64_t end = Counter() + (int64_t)(seconds * frequency.QuadPart);
    while (Counter() < end) {
        if (pump)
            PumpMusic();
        usleep(2000);
    }
}

std::vector<short> WithoutSilentFrames(const std::vector<short>& samples)
{
    std::vector<short> kept;
    for (size_t k = 0; k + 1 < samples.size(); k += 2) {
        if (samples[k] || samples[k + 1]) {
            kept.push_back(samples[k]);
            kept.push_back(samples[k + 1]);
        }
    }
    return kept;
}

TEST_F(MusicTest, MissingForeignAndFolderFilesFailWithABoxAndAReportLine)
{
    ASSERT_TRUE(WriteFile("not-music.ogg", std::string("OggS") + std::string(200, '\x01')));
    ASSERT_EQ(mkdir("folder.ogg", 0755), 0);
    // A fixture whose first comment claims 2^31 bytes: refused before the
    // decoder library would write 2 GiB away from its memory.
    std::string huge = ReadFile(Fixture("tone.ogg").c_str());
    ASSERT_EQ(huge.compare(58, 4, "OggS"), 0) << "the first page holds the first packet alone";
    size_t vendor = 58 + 27 + (unsigned char)huge[58 + 26] + 7;
    size_t firstComment = vendor + 4 + (unsigned char)huge[vendor] + 4;
    ASSERT_EQ(huge.compare(firstComment + 4, 8, "ENCODER="), 0);
    huge.replace(firstComment, 4, std::string("\0\0\0\x80", 4));
    ASSERT_TRUE(WriteFile("huge-comment.ogg", huge));
    const struct {
        const char* path;
        MusicMessage message;
    } cases[] = {{"missing.ogg", MUSIC_MESSAGE_OPEN},
                 {"folder.ogg", MUSIC_MESSAGE_OPEN},
                 {"not-music.ogg", MUSIC_MESSAGE_FORMAT},
                 {"vindrel.txt", MUSIC_MESSAGE_FORMAT},
                 {"huge-comment.ogg", MUSIC_MESSAGE_FORMAT}};
    int boxes = 0;
    for (const auto& c : cases) {
        EXPECT_FALSE(PlayMusic(c.path)) << c.path;
        EXPECT_EQ(lastMusicMessage, c.message) << c.path;
        EXPECT_FALSE(musicPlaying);
        ASSERT_EQ(TestMessageBoxCount(), ++boxes) << c.path;
        EXPECT_STREQ(TestMessageBoxAt(boxes - 1)->text, musicMessages[c.message].text);
        EXPECT_STREQ(TestMessageBoxAt(boxes - 1)->caption, "ERROR");
    }
    EXPECT_EQ(MusicSeconds(), 0.0) << "no music yet";
    std::string report = Report();
    EXPECT_NE(report.find("M\xFA" "sica: missing.ogg ... Error cargando m\xFA" "sica missing.ogg\n"), std::string::npos)
        << report;
    EXPECT_NE(report.find("Error cargando m\xFA" "sica not-music.ogg\n"), std::string::npos) << report;
}

TEST_F(MusicTest, WithNoDeviceTheClockRunsPausesAndGoesOnAfterTheMusic)
{
    ASSERT_EQ(StartClock(), 0);
    TestFailCall("waveOutOpen");
    ASSERT_TRUE(PlayMusic(Fixture("click.ogg").c_str()));
    EXPECT_TRUE(musicSilent);
    Wait(0.05);
    double playing = ElapsedSeconds();
    EXPECT_GT(playing, 0.04);
    EXPECT_LT(playing, 0.5);

    PauseMusic(true);
    double held = MusicSeconds();
    Wait(0.25);
    EXPECT_EQ(MusicSeconds(), held) << "M holds the music's clock";
    EXPECT_EQ(ElapsedSeconds(), held);
    PauseMusic(false);
    Wait(0.03);
    EXPECT_GT(ElapsedSeconds(), held + 0.02);
    EXPECT_LT(ElapsedSeconds(), held + 0.2) << "the pause is not counted";

    // A second track with no device says nothing more; stopping hands the
    // clock back to the counter from the music's position.
    TestFailCall("waveOutOpen");
    ASSERT_TRUE(PlayMusic(Fixture("tone.ogg").c_str()));
    Wait(0.05);
    StopMusic();
    double stopped = MusicSeconds();
    EXPECT_GT(stopped, 0.04);
    EXPECT_NEAR(ElapsedSeconds(), stopped, 0.05);
    Wait(0.03);
    EXPECT_GT(ElapsedSeconds(), stopped + 0.02);

    EXPECT_EQ(TestMessageBoxCount(), 0);
    std::string report = Report();
    size_t said = report.find("sin dispositivo de sonido");
    EXPECT_NE(said, std::string::npos) << report;
    EXPECT_EQ(report.find("sin dispositivo de sonido", said + 1), std::string::npos) << "once: " << report;
}

// SDL's disk driver writes what the layer hands it to a file, in real time.
TEST_F(MusicTest, TheDeviceReceivesTheDecodedSamplesThroughAPauseAndAStop)
{
    std::string output = dir + "/device.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    bool played = PlayMusic(Fixture("tone.ogg").c_str());
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_TRUE(played);
    ASSERT_FALSE(musicSilent);

    Wait(0.3);
    double beforePause = MusicSeconds();
    EXPECT_GT(beforePause, 0.1);
    PauseMusic(true);
    Wait(0.02);
    double held = MusicSeconds();
    Wait(0.15);
    EXPECT_EQ(MusicSeconds(), held) << "the position holds while paused";
    PauseMusic(false);
    Wait(0.3);
    double atStop = MusicSeconds();
    EXPECT_GT(atStop, held + 0.2);
    StopMusic();
    size_t sizeAtStop = ReadFile(output.c_str()).size();
    Wait(0.1, false);

    std::string bytes = ReadFile(output.c_str());
    EXPECT_EQ(bytes.size(), sizeAtStop) << "nothing is played after the stop";
    std::vector<short> sent(bytes.size() / 2);
    memcpy(sent.data(), bytes.data(), sent.size() * 2);
    sent = WithoutSilentFrames(sent);
    std::vector<short> decoded = WithoutSilentFrames(DecodeAll(Fixture("tone.ogg")));
    ASSERT_GT(decoded.size(), 2u * 44100);
    ASSERT_LE(sent.size(), decoded.size());
    // Everything up to the stop, in order, none twice, none left out.
    EXPECT_GE(sent.size() / 2, (size_t)(atStop * 44100));
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), decoded.begin())) << "the device got other samples";
}

// A seek starts the device at the sample asked for and moves the clock
// with it; past the end only the clock moves, and a seek back plays again.
TEST_F(MusicTest, ASeekPlaysOnFromItsSampleAndPastTheEndMovesTheClockAlone)
{
    ASSERT_EQ(StartClock(), 0);
    std::string output = dir + "/device.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    bool played = PlayMusic(Fixture("tone.ogg").c_str());
    ASSERT_TRUE(played && !musicSilent);
    Wait(0.1);
    SeekMusic(1.0);
    // The device plays on at once, so the clock may be a few samples past.
    double afterSeek = MusicSeconds();
    EXPECT_GE(afterSeek, 1.0);
    EXPECT_LT(afterSeek, 1.05);
    Wait(0.3);
    EXPECT_NEAR(ElapsedSeconds(), 1.3, 0.1);
    StopMusic();
    std::string bytes = ReadFile(output.c_str());
    std::vector<short> sent(bytes.size() / 2);
    memcpy(sent.data(), bytes.data(), sent.size() * 2);
    sent = WithoutSilentFrames(sent);
    std::vector<short> decoded = DecodeAll(Fixture("tone.ogg"));
    size_t second = WithoutSilentFrames(std::vector<short>(decoded.begin(), decoded.begin() + 2 * 44100)).size();
    decoded = WithoutSilentFrames(decoded);
    // What was heard before the seek, then the track from 1 s on.
    size_t before = std::mismatch(sent.begin(), sent.end(), decoded.begin()).first - sent.begin();
    before -= before % 2;
    ASSERT_GT(sent.size(), before + 2 * 44100 / 5);
    EXPECT_TRUE(std::equal(sent.begin() + before, sent.end(), decoded.begin() + second)) << before;

    ASSERT_TRUE(PlayMusic(Fixture("tone.ogg").c_str()));
    unsetenv("SDL_AUDIODRIVER");
    SeekMusic(1000.0);
    EXPECT_FALSE(musicPlaying);
    Wait(0.05);
    EXPECT_GT(ElapsedSeconds(), 1000.04);
    EXPECT_LT(ElapsedSeconds(), 1000.2);
    SeekMusic(0.5);
    EXPECT_TRUE(musicPlaying) << "a seek inside the track plays it again";
    EXPECT_NEAR(ElapsedSeconds(), 0.5, 0.05);
}

}  // namespace
