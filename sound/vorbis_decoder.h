// Ogg Vorbis decoding for the music, in pieces: one stream at a time, read
// from its file as it plays, so that opening costs the same for a track of
// any length.
//
// Needs: the decoder library compiled into vorbis_decoder.cpp and the
// standard streams. Limits: one open stream, whose decoder must fit in
// VORBIS_DECODER_MEMORY (a stream that needs more is refused as not
// Vorbis; our tune needs about 200 KiB); the output is always 16-bit
// stereo at the stream's own rate (mono is doubled, more channels are
// mixed down by the library).
#pragma once

enum { VORBIS_OUTPUT_CHANNELS = 2, VORBIS_DECODER_MEMORY = 512 * 1024 };

extern unsigned vorbisSampleRate;  // frames per second of the open stream, 0 when none
extern unsigned vorbisTotalFrames;  // its length as its last page says, 0 when unknown

enum VorbisOpenResult { VORBIS_OPEN_OK, VORBIS_OPEN_UNREADABLE, VORBIS_OPEN_NOT_VORBIS };

// Opens the stream and decodes nothing yet; on a failure nothing stays open.
VorbisOpenResult OpenVorbisFile(const char* path);
// Up to `frames` interleaved stereo frames into `out`; 0 at the end of the
// stream or when none is open.
int DecodeVorbisPiece(short* out, int frames);
// The next piece starts at `frame`, to the sample; false when none is open
// or the frame is past the end.
bool SeekVorbisFrame(unsigned frame);
void CloseVorbisFile();
