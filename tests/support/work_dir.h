// Test support: each test runs in a fresh working directory of its own,
// since the system reads imagenes/ and writes Debug.txt relative to it.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

// Makes a fresh directory under the system's temp folder and enters it;
// returns its path. The previous directory is restored by LeaveWorkDir.
inline std::string EnterFreshWorkDir()
{
    char pattern[] = "/tmp/orlath-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir || chdir(dir) != 0)
        abort();
    return dir;
}

inline void LeaveWorkDir(const std::string& dir)
{
    if (chdir("/tmp") != 0)
        abort();
    std::string command = "rm -rf '" + dir + "'";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", dir.c_str());
}

inline bool WriteFile(const char* path, const std::string& content)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool ok = fwrite(content.data(), 1, content.size(), file) == content.size();
    return fclose(file) == 0 && ok;
}

// The whole file, or "<missing>" when it cannot be read.
inline std::string ReadFile(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return "<missing>";
    std::string content;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        content.append(chunk, got);
    fclose(file);
    return content;
}

inline bool FileExists(const char* path)
{
    return access(path, F_OK) == 0;
}

// Copies the start-up images that the build generated (ORLATH_BIN/imagenes)
// into the working directory.
inline bool CopyStartupImages()
{
    const char* bin = getenv("ORLATH_BIN");
    if (!bin)
        return false;
    std::string command = std::string("cp -r '") + bin + "/imagenes' .";
    return system(command.c_str()) == 0;
}
