// The command line the tools share. "--help" or "-h" alone prints the
// usage on standard output (status 0). Any other word that starts with '-'
// (but the tool's own option as the first word) is refused with the usage
// on standard error (status 2), before anything is written: taken for a
// name, it would have become a file or a folder called "--help".
#pragma once

#include <stdio.h>
#include <string.h>

// -1 when the tool goes on; otherwise the status to exit with.
inline int CheckToolOptions(int argc, char** argv, const char* tool, const char* usage,
                            const char* ownOption = nullptr)
{
    auto isHelp = [](const char* word) { return strcmp(word, "--help") == 0 || strcmp(word, "-h") == 0; };
    if (argc == 2 && isHelp(argv[1])) {
        fputs(usage, stdout);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        bool own = ownOption && strcmp(word, ownOption) == 0;
        if (word[0] != '-' || word[1] == '\0' || (own && i == 1))
            continue;
        if (!own && !isHelp(word))
            fprintf(stderr, "%s: unknown option %s\n", tool, word);
        fputs(usage, stderr);
        return 2;
    }
    return -1;
}
