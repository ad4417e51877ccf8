// Fuzz target: PlayMusic on any bytes, on the layer's scripted waveOut
// device, pulled and refilled to the end of the stream (or about six
// seconds of it): the decoder and the music's buffers meet every input, and
// a refusal must be one "ERROR" box, a success none.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_input_file.h"
#include "platform/sdl/layer_wave.h"
#include "platform/test_hooks.h"
#include "sound/music.h"

extern "C" const char* __asan_default_options()
{
    return FUZZ_SANITIZER_OPTIONS;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TestHooksReset();
    LayerWaveScript(true);
    atexit(RemoveFuzzInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    enum { PULL_BYTES = 4096 * 4, PULLS_MAX = 64 };
    static unsigned char stream[PULL_BYTES];
    WriteFuzzInput(data, size);
    TestHooksReset();
    bool playing = PlayMusic(FuzzInputPath());
    FUZZ_CHECK(playing == musicPlaying);
    if (!playing) {
        FUZZ_CHECK(TestMessageBoxCount() == 1);
        FUZZ_CHECK(lastMusicMessage == MUSIC_MESSAGE_FORMAT || lastMusicMessage == MUSIC_MESSAGE_OPEN);
        FUZZ_CHECK(strcmp(TestMessageBoxAt(0)->caption, "ERROR") == 0);
        return 0;
    }
    FUZZ_CHECK(TestMessageBoxCount() == 0 && !musicSilent);
    double last = 0.0;
    for (int pull = 1; pull <= PULLS_MAX && musicPlaying; ++pull) {
        LayerWaveMix(stream, PULL_BYTES, pull);
        PumpMusic();
        double seconds = MusicSeconds();
        FUZZ_CHECK(seconds >= last);
        last = seconds;
    }
    StopMusic();
    FUZZ_CHECK(!musicPlaying);
    return 0;
}
