// The layer's waveOut position estimate against a scripted device and a
// scripted counter: the device plays at its own rate (off from the nominal
// one) and asks for each piece a little early, as real devices do.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cmath>

#include "platform/sdl/layer_wave.h"
#include "platform/test_hooks.h"

namespace {

enum { RATE = 44100, PULL_FRAMES = 512, BUFFER_FRAMES = 2048, BUFFERS = 4 };

struct ScriptedWave : ::testing::Test {
    HWAVEOUT device = NULL;
    WAVEHDR headers[BUFFERS];
    short samples[BUFFERS][BUFFER_FRAMES * 2];
    void SetUp() override
    {
        TestHooksReset();
        LayerWaveScript(true);
        WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, RATE, RATE * 4, 4, 16, 0};
        ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), (MMRESULT)MMSYSERR_NOERROR);
        for (int k = 0; k < BUFFERS; ++k) {
            headers[k] = WAVEHDR();
            headers[k].lpData = (LPSTR)samples[k];
            headers[k].dwBufferLength = sizeof samples[k];
            ASSERT_EQ(waveOutPrepareHeader(device, &headers[k], sizeof headers[k]), (MMRESULT)MMSYSERR_NOERROR);
            ASSERT_EQ(waveOutWrite(device, &headers[k], sizeof headers[k]), (MMRESULT)MMSYSERR_NOERROR);
        }
    }
    void TearDown() override
    {
        waveOutReset(device);
        for (int k = 0; k < BUFFERS; ++k)
            EXPECT_EQ(waveOutUnprepareHeader(device, &headers[k], sizeof headers[k]), (MMRESULT)MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(device), (MMRESULT)MMSYSERR_NOERROR);
        LayerWaveScript(false);
    }
    // What the system's loop does: every finished buffer goes back in.
    void Refill()
    {
        for (int k = 0; k < BUFFERS; ++k) {
            if (headers[k].dwFlags & WHDR_DONE) {
                ASSERT_EQ(waveOutWrite(device, &headers[k], sizeof headers[k]), (MMRESULT)MMSYSERR_NOERROR);
            }
        }
    }
};

TEST_F(ScriptedWave, EstimateNeverGoesBackAndStaysWithinAMillisecondOverTenMinutes)
{
    LARGE_INTEGER counterFrequency;
    QueryPerformanceFrequency(&counterFrequency);
    const double frequency = (double)counterFrequency.QuadPart;
    const double oneMillisecond = RATE / 1000.0;
    unsigned char stream[PULL_FRAMES * 4];
    srand(7);
    for (double ppm : {-500.0, 500.0}) {
        SCOPED_TRACE(ppm);
        waveOutReset(device);
        Refill();
        const double deviceRate = RATE * (1.0 + ppm * 1e-6);
        const int64_t origin = 1000000;
        uint64_t last = 0;
        double worst = 0.0;
        int64_t pull = 0;
        // The loop asks every 0 to 2 ms for ten minutes, the pulls between.
        for (double now = 0.0; now < 600.0; now += (rand() % 2000) * 1e-6) {
            // The device asks for piece `pull` up to 0.8 ms before it plays it.
            for (;;) {
                double due = pull * PULL_FRAMES / deviceRate - (rand() % 800) * 1e-6;
                if (due > now)
                    break;
                LayerWaveMix(stream, sizeof stream, origin + (int64_t)(due * frequency));
                ++pull;
                Refill();
            }
            uint64_t estimate = LayerWaveFrames(origin + (int64_t)(now * frequency));
            ASSERT_GE(estimate, last) << "at " << now << " s";
            last = estimate;
            double error = (double)estimate - now * deviceRate;
            worst = std::max(worst, std::abs(error));
        }
        EXPECT_LE(worst, oneMillisecond) << "worst error in frames";
    }
}

TEST_F(ScriptedWave, BuffersAreDoneInOrderAndTheDeviceRefusesWhatWin32Refuses)
{
    unsigned char stream[BUFFER_FRAMES * 4];
    LayerWaveMix(stream, sizeof stream, 1);
    EXPECT_TRUE(headers[0].dwFlags & WHDR_DONE);
    EXPECT_FALSE(headers[0].dwFlags & WHDR_INQUEUE);
    EXPECT_TRUE(headers[1].dwFlags & WHDR_INQUEUE);
    EXPECT_EQ(memcmp(stream, samples[0], sizeof stream), 0);
    // However late the question, no more has left than was pulled.
    EXPECT_EQ(LayerWaveFrames(1 << 30), (uint64_t)BUFFER_FRAMES);

    EXPECT_EQ(waveOutUnprepareHeader(device, &headers[1], sizeof headers[1]), (MMRESULT)WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(device), (MMRESULT)WAVERR_STILLPLAYING);
    WAVEHDR loose = WAVEHDR();
    EXPECT_EQ(waveOutWrite(device, &loose, sizeof loose), (MMRESULT)WAVERR_UNPREPARED);
    HWAVEOUT second;
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, RATE, RATE * 4, 4, 16, 0};
    EXPECT_EQ(waveOutOpen(&second, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), (MMRESULT)MMSYSERR_ALLOCATED);
    format.wBitsPerSample = 8;
    EXPECT_EQ(waveOutOpen(&second, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY), (MMRESULT)WAVERR_BADFORMAT);

    // Reset hands every buffer back and starts the position again.
    MMTIME time;
    time.wType = TIME_MS;
    ASSERT_EQ(waveOutGetPosition(device, &time, sizeof time), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(time.wType, (UINT)TIME_BYTES) << "milliseconds are not offered";
    ASSERT_EQ(waveOutReset(device), (MMRESULT)MMSYSERR_NOERROR);
    for (int k = 0; k < BUFFERS; ++k)
        EXPECT_EQ(headers[k].dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE) << k;
    time.wType = TIME_SAMPLES;
    waveOutGetPosition(device, &time, sizeof time);
    EXPECT_EQ(time.u.sample, 0u);
}

}  // namespace
