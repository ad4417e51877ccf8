#include "sound/vorbis_decoder.h"

#include "image/file_open.h"

// The declarations only: the code is vorbis_library.c's.
#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

unsigned vorbisSampleRate = 0;
unsigned vorbisTotalFrames = 0;

static stb_vorbis* openStream = nullptr;

VorbisOpenResult OpenVorbisFile(const char* path)
{
    CloseVorbisFile();
    FILE* file = OpenFileForReading(path);
    if (!file)
        return VORBIS_OPEN_UNREADABLE;
    // The library closes the file with the stream, and on a failed open too.
    int error = 0;
    openStream = stb_vorbis_open_file(file, 1, &error, nullptr);
    if (!openStream)
        return VORBIS_OPEN_NOT_VORBIS;
    stb_vorbis_info info = stb_vorbis_get_info(openStream);
    vorbisSampleRate = info.sample_rate;
    vorbisTotalFrames = stb_vorbis_stream_length_in_samples(openStream);
    return VORBIS_OPEN_OK;
}

int DecodeVorbisPiece(short* out, int frames)
{
    if (!openStream || frames <= 0)
        return 0;
    return stb_vorbis_get_samples_short_interleaved(openStream, VORBIS_OUTPUT_CHANNELS, out,
                                                    frames * VORBIS_OUTPUT_CHANNELS);
}

void CloseVorbisFile()
{
    if (openStream)
        stb_vorbis_close(openStream);
    openStream = nullptr;
    vorbisSampleRate = 0;
    vorbisTotalFrames = 0;
}
