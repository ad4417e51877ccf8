// mktune: writes our own short Ogg Vorbis tune, synthesised here, and the
// test fixtures made the same way. No sound file is kept in the repository.
//
//   mktune OUT.ogg                   the tune: a few bars of plucked notes over a bass
//   mktune OUT.ogg --click           silence with one click starting at exactly 1.000 s
//   mktune OUT.ogg --tone            a steady chord with no silent frame (for comparing samples)
//   ... [--seconds S] [--rate HZ] [--mono]
//
// The encoder is libvorbis's; the output is the same bytes on every run (a
// fixed stream serial number).
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <vorbis/vorbisenc.h>

namespace {

enum Kind { KIND_TUNE, KIND_CLICK, KIND_TONE };

const double kPi = 3.14159265358979323846;

// The sample of channel `channel` at frame `n`, in [-1, 1].
double Sample(Kind kind, long n, int channel, long rate)
{
    double t = (double)n / rate;
    if (kind == KIND_CLICK) {
        // One millisecond of a full square wave: its first frame is the first
        // loud one, at frame `rate` exactly.
        long start = rate;
        if (n < start || n >= start + rate / 1000)
            return 0.0;
        return ((n - start) / 11) % 2 ? -0.9 : 0.9;
    }
    if (kind == KIND_TONE)
        return 0.25 * sin(2 * kPi * 220.0 * t) + 0.2 * sin(2 * kPi * (channel ? 330.0 : 277.2) * t) + 0.05;
    // Eight steps a second over a four-bar cycle of A minor, F, C, G.
    static const int melody[16] = {0, 3, 7, 12, 10, 7, 3, 5, 7, 10, 12, 15, 14, 12, 10, 7};
    static const int roots[4] = {-12, -16, -21, -14};
    long step = (long)(t * 8.0);
    double inStep = t * 8.0 - step;
    double note = 220.0 * pow(2.0, melody[step % 16] / 12.0);
    double bass = 220.0 * pow(2.0, roots[(step / 16) % 4] / 12.0);
    double pluck = exp(-6.0 * inStep) * sin(2 * kPi * note * t);
    double low = 0.6 * sin(2 * kPi * bass * t) + 0.2 * sin(4 * kPi * bass * t);
    // The pluck leans left, the bass right, so the channels differ.
    double pan = channel ? 0.35 : 0.65;
    return 0.45 * (pan * pluck + (1.0 - pan) * low);
}

int Usage()
{
    fprintf(stderr, "usage: mktune OUT.ogg [--click|--tone] [--seconds S] [--rate HZ] [--mono]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const char* out = argv[1];
    Kind kind = KIND_TUNE;
    double seconds = 8.0;
    long rate = 44100;
    int channels = 2;
    for (int i = 2; i < argc; ++i) {
        if (!strcmp(argv[i], "--click"))
            kind = KIND_CLICK;
        else if (!strcmp(argv[i], "--tone"))
            kind = KIND_TONE;
        else if (!strcmp(argv[i], "--mono"))
            channels = 1;
        else if (!strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = atof(argv[++i]);
        else if (!strcmp(argv[i], "--rate") && i + 1 < argc)
            rate = atol(argv[++i]);
        else
            return Usage();
    }
    if (seconds <= 0.0 || rate < 8000 || rate > 192000)
        return Usage();

    FILE* file = fopen(out, "wb");
    if (!file) {
        perror(out);
        return 1;
    }

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.5f) != 0) {
        fprintf(stderr, "mktune: the encoder refuses %d channels at %ld Hz\n", channels, rate);
        return 1;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "ENCODER", "mktune");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    // The audio starts on a page of its own.
    while (ogg_stream_flush(&stream, &page)) {
        fwrite(page.header, 1, page.header_len, file);
        fwrite(page.body, 1, page.body_len, file);
    }

    const long total = (long)(seconds * rate + 0.5);
    const long piece = 1024;
    long written = 0;
    bool ended = false;
    while (!ended) {
        long count = total - written < piece ? total - written : piece;
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, (int)count);
            for (long k = 0; k < count; ++k)
                for (int c = 0; c < channels; ++c)
                    buffer[c][k] = (float)Sample(kind, written + k, c, rate);
            vorbis_analysis_wrote(&dsp, (int)count);
            written += count;
        } else {
            vorbis_analysis_wrote(&dsp, 0);
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (!ended && ogg_stream_pageout(&stream, &page)) {
                    fwrite(page.header, 1, page.header_len, file);
                    fwrite(page.body, 1, page.body_len, file);
                    ended = ogg_page_eos(&page) != 0;
                }
            }
        }
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    if (fclose(file) != 0) {
        perror(out);
        return 1;
    }
    return 0;
}
