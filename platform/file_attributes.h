// GetFileAttributesExA on stat(), for both backends: the SDL layer reads
// the disk, the web layer the page's in-memory file system, which keeps
// the times of files written while the page runs.
#pragma once

#include "platform/win32_layer.h"

#include <sys/stat.h>

// Seconds from 1601 (Windows' epoch) to 1970 (stat's).
enum : int64_t { LAYER_EPOCH_OFFSET_SECONDS = 11644473600LL };

inline FILETIME LayerFileTime(const struct timespec& at)
{
    uint64_t ticks = uint64_t(int64_t(at.tv_sec) + LAYER_EPOCH_OFFSET_SECONDS) * 10000000u + uint64_t(at.tv_nsec) / 100u;
    FILETIME time;
    time.dwLowDateTime = DWORD(ticks);
    time.dwHighDateTime = DWORD(ticks >> 32);
    return time;
}

inline BOOL LayerFileAttributes(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID information)
{
    struct stat info;
    if (!path || !information || level != GetFileExInfoStandard || stat(path, &info) != 0)
        return FALSE;
    WIN32_FILE_ATTRIBUTE_DATA* data = (WIN32_FILE_ATTRIBUTE_DATA*)information;
    data->dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY
                             : (info.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL
                                                        : FILE_ATTRIBUTE_READONLY;
    data->ftCreationTime = LayerFileTime(info.st_ctim);
    data->ftLastAccessTime = LayerFileTime(info.st_atim);
    data->ftLastWriteTime = LayerFileTime(info.st_mtim);
    uint64_t size = S_ISDIR(info.st_mode) ? 0 : uint64_t(info.st_size);
    data->nFileSizeHigh = DWORD(size >> 32);
    data->nFileSizeLow = DWORD(size);
    return TRUE;
}
