#include "platform/TextFormat.h"

#include <cstdio>

std::string FormatTime(int32_t seconds)
{
    char text[48];
    if (seconds < 3600)
        std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%d:%02d:%02d", seconds / 3600, (seconds / 60) % 60, seconds % 60);
    return text;
}

std::string FormatSize(uint64_t bytes)
{
    char text[48];
    if (bytes < 1000u)
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024000u)
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024.0);
    else if (bytes < 1048576000u)
        std::snprintf(text, sizeof text, "%.2f MB", static_cast<double>(bytes) / 1048576.0);
    else
        std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / 1073741824.0);
    return text;
}
