// tgacheck: says whether the program will take a TGA file, and why not.
//
//   tgacheck FILE...          one line per file
//   tgacheck --raw OUT FILE   also writes the decoded pixels to OUT
//   tgacheck --help (or -h)   the usage, on standard output
//
// Each file goes through the program's own reader (LoadTga), with its boxes
// turned off. A file it takes prints "ok WIDTH HEIGHT BITS"; one it refuses
// prints "refused CAPTION: MESSAGE" with the box's caption and text exactly
// as the program would show them. With several files each line starts with
// the file name and ": ". The raw pixels are R, G, B (, A), rows in file
// order, as the program uploads them.
// Exit status: 0 when every file was taken (and after --help), 1 when any
// was refused, 2 for a wrong command line or an unknown option (usage on
// standard error) or an OUT that cannot be written.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "image/tga_reader.h"
#include "tools/tool_options.h"

namespace {

// Prints the file's line; true when the reader took it. On success the
// record keeps the pixels for the caller.
bool CheckFile(const char* path, bool prefixName, TextureRecord* record)
{
    if (prefixName)
        printf("%s: ", path);
    if (!LoadTga(record, path)) {
        const TgaMessageText& message = tgaMessages[lastTgaMessage];
        printf("refused %s: %s\n", message.caption, message.text);
        return false;
    }
    printf("ok %u %u %u\n", record->width, record->height, record->bitsPerPixel);
    return true;
}

const char usage[] = "usage: tgacheck FILE...\n       tgacheck --raw OUT FILE\n       tgacheck --help\n";

int Usage()
{
    fputs(usage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    showTgaMessages = false;

    int status = CheckToolOptions(argc, argv, "tgacheck", usage, "--raw");
    if (status >= 0)
        return status;

    if (argc >= 2 && strcmp(argv[1], "--raw") == 0) {
        if (argc != 4)
            return Usage();
        TextureRecord record = {};
        if (!CheckFile(argv[3], false, &record))
            return 1;
        size_t size = size_t(record.width) * record.height * (record.bitsPerPixel / 8);
        FILE* out = fopen(argv[2], "wb");
        bool written = out && fwrite(record.pixels, 1, size, out) == size;
        if (out && fclose(out) != 0)
            written = false;
        free(record.pixels);
        if (!written) {
            fprintf(stderr, "tgacheck: cannot write %s\n", argv[2]);
            return 2;
        }
        return 0;
    }

    if (argc < 2)
        return Usage();
    bool allTaken = true;
    for (int i = 1; i < argc; ++i) {
        TextureRecord record = {};
        if (!CheckFile(argv[i], argc > 2, &record))
            allTaken = false;
        free(record.pixels);
    }
    return allTaken ? 0 : 1;
}
