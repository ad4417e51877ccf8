#include "image/file_open.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <direct.h>
#define getcwd _getcwd
#else
#include <unistd.h>
#endif

enum { WORKING_FOLDER_SIZE = 4096 };

FILE* OpenFileForReading(const char* path)
{
    FILE* file = fopen(path, "rb");
    struct stat info;
    if (file && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        fclose(file);
        return nullptr;
    }
    return file;
}

void TellFileNotLoaded(const char* path)
{
    char folder[WORKING_FOLDER_SIZE];
    if (!getcwd(folder, sizeof folder))
        snprintf(folder, sizeof folder, "unknown");
    fprintf(stderr, "Cannot load %s (working folder %s)\n", path, folder);
}
