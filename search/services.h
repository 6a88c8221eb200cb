// The 22 built-in netdisk services. The numbering is part of the task-text format.
#pragma once
#include <array>

struct ServiceEntry {
    int number;           // 1..22
    const char* boxName;  // the main window's check box that selects it
    const char* caption;  // that box's caption (GBK)
    const char* host;     // bare host searched with the site operator
};

inline constexpr int SERVICE_COUNT = 22;
extern const std::array<ServiceEntry, SERVICE_COUNT> ServiceTable;
