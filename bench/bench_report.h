// What every benchmark prints beside its figures: the machine it ran on,
// and the median of its alternating rounds.
#pragma once

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

inline std::string CpuModel()
{
    FILE* info = fopen("/proc/cpuinfo", "r");
    char line[512];
    std::string model = "unknown CPU";
    while (info && fgets(line, sizeof line, info)) {
        if (strncmp(line, "model name", 10) == 0) {
            const char* colon = strchr(line, ':');
            model = colon ? colon + 2 : line;
            model.erase(model.find_last_not_of("\n") + 1);
            break;
        }
    }
    if (info)
        fclose(info);
    return model;
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}
