#include "sound/vorbis_decoder.h"

#include <stdint.h>
#include <string.h>

#include "image/file_open.h"

// The declarations only: the code is vorbis_library.c's.
#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

unsigned vorbisSampleRate = 0;
unsigned vorbisTotalFrames = 0;

static stb_vorbis* openStream = nullptr;
// All of the decoder's memory comes from here, never from the heap: a
// broken stream refused half-way through its set-up leaves nothing behind,
// and playing allocates nothing.
static char decoderMemory[VORBIS_DECODER_MEMORY];

// The library trusts the lengths in the comment packet (the second one):
// one near 2^31 makes it write far outside its memory. Each must fit in
// the decoder's memory and inside the packet, or the stream is refused
// before the library reads it. Only the container's packet framing is
// walked here, nothing is decoded.
static bool CommentLengthsFit(FILE* file)
{
    // The packet: type and name (7 bytes), the vendor's length and text,
    // the number of comments, then each comment's length and text.
    enum { VENDOR_LENGTH, COMMENT_COUNT, COMMENT_LENGTH, LAST_TEXT };
    int phase = VENDOR_LENGTH;
    uint32_t skip = 7, value = 0, commentsLeft = 0;
    int valueBytes = 0, packet = 0;
    unsigned char page[27], segments[255];
    while (fread(page, 1, sizeof page, file) == sizeof page && memcmp(page, "OggS", 4) == 0) {
        int count = page[26];
        if (fread(segments, 1, (size_t)count, file) != (size_t)count)
            return false;
        for (int k = 0; k < count; ++k) {
            for (int b = 0; b < segments[k]; ++b) {
                int byte = getc(file);
                if (byte == EOF)
                    return false;
                if (packet != 1)
                    continue;
                if (skip > 0) {
                    if (--skip == 0 && phase == LAST_TEXT)
                        return true;
                    continue;
                }
                value |= (uint32_t)byte << (8 * valueBytes);
                if (++valueBytes < 4)
                    continue;
                uint32_t length = value;
                value = 0;
                valueBytes = 0;
                if (length > VORBIS_DECODER_MEMORY)
                    return false;
                if (phase == COMMENT_COUNT) {
                    commentsLeft = length;
                    phase = COMMENT_LENGTH;
                    if (commentsLeft == 0)
                        return true;
                    continue;
                }
                skip = length;
                if (phase == VENDOR_LENGTH) {
                    phase = COMMENT_COUNT;
                } else if (--commentsLeft == 0) {
                    if (skip == 0)
                        return true;
                    phase = LAST_TEXT;
                }
            }
            // A segment under 255 bytes ends a packet; the comment packet
            // must not end before its last field.
            if (segments[k] < 255 && ++packet > 1)
                return false;
        }
    }
    return false;
}

VorbisOpenResult OpenVorbisFile(const char* path)
{
    CloseVorbisFile();
    FILE* file = OpenFileForReading(path);
    if (!file)
        return VORBIS_OPEN_UNREADABLE;
    if (!CommentLengthsFit(file)) {
        fclose(file);
        return VORBIS_OPEN_NOT_VORBIS;
    }
    rewind(file);
    // The library closes the file with the stream, and on a failed open too.
    int error = 0;
    stb_vorbis_alloc memory = {decoderMemory, (int)sizeof decoderMemory};
    openStream = stb_vorbis_open_file(file, 1, &error, &memory);
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

bool SeekVorbisFrame(unsigned frame)
{
    return openStream && stb_vorbis_seek(openStream, frame) != 0;
}

void CloseVorbisFile()
{
    if (openStream)
        stb_vorbis_close(openStream);
    openStream = nullptr;
    vorbisSampleRate = 0;
    vorbisTotalFrames = 0;
}
