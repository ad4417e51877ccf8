// The layer's capture mode in process, switched on through its variables
// with a pipe of the test's own, as orlath-capture does for a program. What
// only this test sees: the counter stands still between swaps and steps one
// frame per swap, the program's pixel-pack state survives the readback,
// children inherit neither the pipe nor the variables, the boxes are answered, waveOut hands
// over exactly each frame's samples (a buffer written after the queue ran dry pays what the
// frame owes; silence while paused) and its position is what it handed over, and Escape is
// pressed after the last frame and released later. Its own executable:
// capture mode is read once per process, at the first call that needs it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/capture_pipe.h"
#include "platform/layer_test_fixture.h"

using LayerCapture = LayerTest;

static GLint Integer(GLenum name)
{
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

static void DrawAndSwap(HDC hDC, float red, float blue)
{
    glClearColor(red, 0.0f, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(SwapBuffers(hDC));
}

TEST_F(LayerCapture, SwapsStepTheClockSendEachFrameAndEndWithEscape)
{
    // As orlath-capture passes it: only the write end is inherited.
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    fcntl(fds[1], F_SETFD, 0);
    setenv(CAPTURE_ENV_FD, std::to_string(fds[1]).c_str(), 1);
    setenv(CAPTURE_ENV_FPS, "50", 1);
    setenv(CAPTURE_ENV_FRAMES, "2", 1);
    TestHooksDisable();
    EXPECT_EQ(MessageBoxA(nullptr, "Full screen?", "Start", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Just so you know", "Note", MB_OKCANCEL), IDOK);
    EXPECT_EQ(getenv(CAPTURE_ENV_FD), nullptr);
    struct stat pipeInfo;
    ASSERT_EQ(fstat(fds[1], &pipeInfo), 0);
    FILE* child = popen("ls -l /proc/self/fd; env", "r");
    char text[65536] = {};
    std::string inherited(text, child ? fread(text, 1, sizeof text - 1, child) : 0);
    ASSERT_TRUE(child && pclose(child) == 0);
    EXPECT_EQ(inherited.find("pipe:[" + std::to_string(pipeInfo.st_ino) + "]"), std::string::npos) << inherited;
    EXPECT_EQ(inherited.find("ORLATH_CAPTURE"), std::string::npos) << inherited;
    TestHooksReset();

    // 1000 samples a second at 50 fps: 20 a frame. Opened before the first frame, so at 0;
    // a ramp of 30 in two buffers, the second written after frame 0 ran the first dry.
    HWAVEOUT wave = NULL;
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 1000, 2000, 2, 16, 0};
    ASSERT_EQ(waveOutOpen(&wave, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), (MMRESULT)MMSYSERR_NOERROR);
    short ramp[30];
    for (int k = 0; k < 30; ++k)
        ramp[k] = (short)(k + 1);
    WAVEHDR pieces[2] = {};
    for (int k = 0; k < 2; ++k) {
        pieces[k].lpData = (LPSTR)(ramp + 12 * k);
        pieces[k].dwBufferLength = k == 0 ? 24 : 36;
        ASSERT_EQ(waveOutPrepareHeader(wave, &pieces[k], sizeof pieces[k]), (MMRESULT)MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveOutWrite(wave, &pieces[0], sizeof pieces[0]), (MMRESULT)MMSYSERR_NOERROR);
    auto position = [&]() {
        MMTIME time = {};
        time.wType = TIME_SAMPLES;
        waveOutGetPosition(wave, &time, sizeof time);
        return time.u.sample;
    };

    HWND hWnd = OpenWindow(WS_OVERLAPPEDWINDOW, 64, 48);
    ASSERT_NE(OpenContext(hWnd, Request(32, 16, true)), nullptr);
    HDC hDC = GetDC(hWnd);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glPixelStorei(GL_PACK_ROW_LENGTH, 100);
    GLint readBuffer = Integer(GL_READ_BUFFER);
    LARGE_INTEGER frequency, start, again, next;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    QueryPerformanceCounter(&start);
    QueryPerformanceCounter(&again);
    EXPECT_EQ(again.QuadPart, start.QuadPart);
    DrawAndSwap(hDC, 1.0f, 0.0f);
    QueryPerformanceCounter(&next);
    EXPECT_EQ(next.QuadPart - start.QuadPart, frequency.QuadPart / 50);
    EXPECT_EQ(Integer(GL_PACK_ALIGNMENT), 8);
    EXPECT_EQ(Integer(GL_PACK_ROW_LENGTH), 100);
    EXPECT_EQ(Integer(GL_READ_BUFFER), readBuffer);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(position(), 12u);
    ASSERT_EQ(waveOutWrite(wave, &pieces[1], sizeof pieces[1]), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(position(), 20u);
    waveOutPause(wave);
    DrawAndSwap(hDC, 0.0f, 1.0f);
    EXPECT_EQ(position(), 20u);
    waveOutRestart(wave);
    // A third swap is drawn on the clock but not captured; the sound runs dry in it.
    DrawAndSwap(hDC, 1.0f, 1.0f);
    QueryPerformanceCounter(&next);
    EXPECT_EQ(next.QuadPart - start.QuadPart, 3 * frequency.QuadPart / 50);
    EXPECT_EQ(position(), 30u);
    EXPECT_TRUE(pieces[1].dwFlags & WHDR_DONE);
    for (WAVEHDR& piece : pieces)
        waveOutUnprepareHeader(wave, &piece, sizeof piece);
    EXPECT_EQ(waveOutClose(wave), (MMRESULT)MMSYSERR_NOERROR);

    // The layer closed its end after the last frame, so this reads to the end.
    std::string sent;
    char chunk[4096];
    for (ssize_t got; (got = read(fds[0], chunk, sizeof chunk)) > 0;)
        sent.append(chunk, (size_t)got);
    close(fds[0]);
    // The sound comes first, in order: the ramp to 20 (12 at the swap, 8 at the write), then the
    // paused frame's silence; then both frames.
    std::vector<short> heard;
    while (sent.compare(0, 4, "ORLS") == 0) {
        CaptureSoundHeader header;
        memcpy(&header, sent.data(), sizeof header);
        EXPECT_EQ(header.rate, 1000u);
        EXPECT_EQ(header.channels, 1u);
        EXPECT_EQ(header.first, heard.size());
        heard.resize(heard.size() + header.frames);
        memcpy(heard.data() + heard.size() - header.frames, sent.data() + sizeof header, 2 * header.frames);
        sent.erase(0, sizeof header + 2 * header.frames);
    }
    std::vector<short> expected(ramp, ramp + 20);
    expected.resize(40, 0);
    EXPECT_EQ(heard, expected);
    const size_t frameBytes = sizeof(CaptureFrameHeader) + 64 * 48 * 3;
    ASSERT_EQ(sent.size(), 2 * frameBytes);
    for (uint32_t k = 0; k < 2; ++k) {
        CaptureFrameHeader header;
        memcpy(&header, sent.data() + k * frameBytes, sizeof header);
        EXPECT_EQ(std::string(header.magic, 4), "ORLF");
        EXPECT_EQ(header.width, 64u);
        EXPECT_EQ(header.height, 48u);
        EXPECT_EQ(header.index, k);
        const unsigned char* pixel = (const unsigned char*)sent.data() + k * frameBytes + sizeof header + 3 * 500;
        EXPECT_EQ(pixel[0], k == 0 ? 255 : 0) << "frame " << k;
        EXPECT_EQ(pixel[2], k == 0 ? 0 : 255) << "frame " << k;
    }

    // Escape as a person gives it: down now, up after a while.
    using Clock = std::chrono::steady_clock;
    Clock::time_point began = Clock::now(), pressed, released;
    bool down = false, up = false;
    while (!up && Clock::now() - began < std::chrono::seconds(2)) {
        for (const MSG& msg : Pump(1)) {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && !down) {
                down = true;
                pressed = Clock::now();
            }
            if (msg.message == WM_KEYUP && msg.wParam == VK_ESCAPE && down) {
                up = true;
                released = Clock::now();
            }
        }
    }
    ASSERT_TRUE(down && up) << "Escape pressed " << down << ", released " << up;
    EXPECT_GE(std::chrono::duration<double>(released - pressed).count(), 0.05);
}
