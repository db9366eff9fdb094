// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <fstream>

namespace aurelith::test {

// AddressSanitizer keeps freed memory in quarantine, so resident memory grows
// by design under it; its leak checker covers the same ground there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kResidentMemoryIsMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kResidentMemoryIsMeaningful = false;
#else
inline constexpr bool kResidentMemoryIsMeaningful = true;
#endif
#else
inline constexpr bool kResidentMemoryIsMeaningful = true;
#endif

// Descriptors this process holds open (the directory stream's own included).
inline long openFiles()
{
    long n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

inline long residentKb()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace aurelith::test
