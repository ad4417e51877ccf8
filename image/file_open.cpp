#include "image/file_open.h"

#include <sys/stat.h>

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
