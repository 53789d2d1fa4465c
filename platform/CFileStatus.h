#pragma once

#include "platform/CTime.h"

#include <cstdint>

struct CFileStatus {
    CTime m_ctime; // birth time, or the last modification where none is recorded
    CTime m_mtime;
    std::uint64_t m_size = 0;
    bool m_bDirectory = false;
};
