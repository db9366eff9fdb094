// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <fstream>

namespace aurelith::test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

// AddressSanitizer keeps freed memory in quarantine, so resident memory grows
// by design under it; its leak checker covers the same ground there.
inline constexpr bool kResidentMemoryIsMeaningful = !kUnderAddressSanitizer;

// How many simulated hours a test of long use runs: under AddressSanitizer,
// which makes it ten times slower, a quarter of them. A leak or a stale
// pointer shows in a quarter of the hours as surely, and the plain build still
// runs them all.
inline constexpr long long simulatedHours(long long hours) { return kUnderAddressSanitizer ? hours / 4 : hours; }

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
