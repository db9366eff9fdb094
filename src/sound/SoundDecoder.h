// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/PcmData.h"

#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace aurelith {

// Turns any sound file libsndfile can read (detected by content, not by name)
// into float PCM of one or two channels.
class SoundDecoder {
public:
    // Files up to this size are always read afresh: the tone files are tiny,
    // cheap to decode and rewritten all the time.
    static constexpr long long kCacheMinBytes = 64 * 1024;
    static constexpr std::size_t kCacheEntries = 8;
    static constexpr std::size_t kCacheBytes = 256u * 1024 * 1024;

    // nullptr for a missing, unreadable or empty file.
    std::shared_ptr<const PcmData> decode(const std::string& path);
    static std::shared_ptr<const PcmData> decodeFile(const std::string& path);
    // The same for the bytes of a whole sound file held in memory.
    static std::shared_ptr<const PcmData> decodeBytes(const unsigned char* bytes, std::size_t size);

private:
    struct FileStamp {
        long long size = 0;
        long long modifiedNs = 0;
        unsigned long long inode = 0;
        unsigned long long device = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct Entry {
        std::string path;
        FileStamp stamp;
        std::shared_ptr<const PcmData> data;
    };

    static bool stampOf(const std::string& path, FileStamp& stamp);
    std::shared_ptr<const PcmData> lookup(const std::string& path, const FileStamp& stamp);
    void store(const std::string& path, const FileStamp& stamp, std::shared_ptr<const PcmData> data);
    void trim();

    std::mutex mutex_;
    std::list<Entry> entries_; // most recently used first
};

} // namespace aurelith
