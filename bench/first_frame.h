// Spawning a child that prints the monotonic time of its first frame, and
// timing it from just before the spawn: for the start-up benchmarks.
#pragma once

#include <limits.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>

extern char** environ;

inline long long NowNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

inline std::string BesideThisProgram(const char* name)
{
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return name;
    path[length] = '\0';
    std::string dir(path);
    return dir.substr(0, dir.rfind('/') + 1) + name;
}

struct StartTime {
    double wallMs;  // from spawn to the first frame; negative on failure
    double cpuMs;   // the child's CPU time, all its threads, until it ended
};

inline StartTime TimeToFirstFrame(const std::string& program)
{
    const StartTime failure = {-1, -1};
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return failure;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t child = 0;
    long long spawned = NowNanoseconds();
    int failed = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (failed) {
        close(pipeEnds[0]);
        return failure;
    }
    char text[64] = {0};
    ssize_t got = read(pipeEnds[0], text, sizeof text - 1);
    close(pipeEnds[0]);
    int status = 0;
    rusage usage = {};
    wait4(child, &status, 0, &usage);
    if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return failure;
    StartTime time = {(atoll(text) - spawned) / 1e6,
                      (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                          (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3};
    return time;
}

