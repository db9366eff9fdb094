// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundDecoder.h"

#include "sound/SndFilePtr.h"

#include "sound/SafeSamples.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <new>
#include <vector>

namespace aurelith {

namespace {

constexpr sf_count_t kChunkFrames = 16384;
// A bogus header must not make us reserve gigabytes up front.
constexpr sf_count_t kMaxReserveFrames = 48000LL * 60 * 60;

// Keeps the first two channels of wider files: channel layouts vary, and the
// front pair is what every layout starts with.
void appendFrames(std::vector<float>& samples, const float* chunk, sf_count_t frames, int fileChannels,
                  int keptChannels)
{
    if (fileChannels == keptChannels) {
        samples.insert(samples.end(), chunk, chunk + frames * fileChannels);
        return;
    }
    for (sf_count_t f = 0; f < frames; ++f) {
        const float* frame = chunk + f * fileChannels;
        samples.insert(samples.end(), frame, frame + keptChannels);
    }
}

std::shared_ptr<PcmData> readAll(SNDFILE* file, const SF_INFO& info)
{
    auto pcm = std::make_shared<PcmData>();
    pcm->channels = std::min(info.channels, 2);
    pcm->sampleRate = info.samplerate;
    pcm->samples.reserve(std::clamp<sf_count_t>(info.frames, 0, kMaxReserveFrames) * pcm->channels);
    std::vector<float> chunk(kChunkFrames * info.channels);
    // Reported frame counts can be estimates (MP3), so read until the decoder stops.
    for (;;) {
        const sf_count_t got = sf_readf_float(file, chunk.data(), kChunkFrames);
        if (got <= 0) {
            break;
        }
        makeSamplesSafe(chunk.data(), static_cast<std::size_t>(got * info.channels));
        appendFrames(pcm->samples, chunk.data(), got, info.channels, pcm->channels);
    }
    pcm->samples.shrink_to_fit();
    pcm->frames = static_cast<long>(pcm->samples.size() / pcm->channels);
    return pcm;
}

std::shared_ptr<const PcmData> readOpened(SndFilePtr file, const SF_INFO& info)
{
    if (!file || info.channels < 1 || info.samplerate <= 0) {
        return nullptr;
    }
    try {
        std::shared_ptr<PcmData> pcm = readAll(file.get(), info);
        if (pcm->frames == 0) {
            return nullptr;
        }
        return pcm;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// libsndfile's virtual I/O over a byte span.
struct MemoryFile {
    const unsigned char* bytes;
    sf_count_t size;
    sf_count_t position = 0;

    static sf_count_t length(void* self) { return static_cast<MemoryFile*>(self)->size; }
    static sf_count_t seek(sf_count_t offset, int whence, void* self)
    {
        auto* m = static_cast<MemoryFile*>(self);
        const sf_count_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? m->size : 0;
        const sf_count_t to = base + offset;
        if (to < 0 || to > m->size)
            return -1;
        m->position = to;
        return m->position;
    }
    static sf_count_t read(void* out, sf_count_t count, void* self)
    {
        auto* m = static_cast<MemoryFile*>(self);
        const sf_count_t n = std::clamp<sf_count_t>(m->size - m->position, 0, std::max<sf_count_t>(count, 0));
        std::copy_n(m->bytes + m->position, n, static_cast<unsigned char*>(out));
        m->position += n;
        return n;
    }
    static sf_count_t write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t tell(void* self) { return static_cast<MemoryFile*>(self)->position; }
};

} // namespace

std::shared_ptr<const PcmData> SoundDecoder::decodeFile(const std::string& path)
{
    SF_INFO info{};
    SndFilePtr file(sf_open(path.c_str(), SFM_READ, &info));
    return readOpened(std::move(file), info);
}

std::shared_ptr<const PcmData> SoundDecoder::decodeBytes(const unsigned char* bytes, std::size_t size)
{
    if (!bytes || size == 0)
        return nullptr;
    SF_VIRTUAL_IO io{MemoryFile::length, MemoryFile::seek, MemoryFile::read, MemoryFile::write, MemoryFile::tell};
    MemoryFile memory{bytes, static_cast<sf_count_t>(size)};
    SF_INFO info{};
    SndFilePtr file(sf_open_virtual(&io, SFM_READ, &info, &memory));
    return readOpened(std::move(file), info);
}

std::shared_ptr<const PcmData> SoundDecoder::decode(const std::string& path)
{
    FileStamp stamp;
    if (!stampOf(path, stamp)) {
        return nullptr;
    }
    if (stamp.size <= kCacheMinBytes) {
        return decodeFile(path);
    }
    if (auto cached = lookup(path, stamp)) {
        return cached;
    }
    auto data = decodeFile(path);
    if (data) {
        store(path, stamp, data);
    }
    return data;
}

bool SoundDecoder::stampOf(const std::string& path, FileStamp& stamp)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    stamp.size = st.st_size;
    stamp.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.inode = st.st_ino;
    stamp.device = st.st_dev;
    return true;
}

std::shared_ptr<const PcmData> SoundDecoder::lookup(const std::string& path, const FileStamp& stamp)
{
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.path == path; });
    if (it == entries_.end()) {
        return nullptr;
    }
    if (!(it->stamp == stamp)) {
        entries_.erase(it);
        return nullptr;
    }
    entries_.splice(entries_.begin(), entries_, it);
    return it->data;
}

void SoundDecoder::store(const std::string& path, const FileStamp& stamp, std::shared_ptr<const PcmData> data)
{
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.path == path; });
    entries_.push_front({path, stamp, std::move(data)});
    trim();
}

void SoundDecoder::trim()
{
    std::size_t bytes = 0;
    std::size_t kept = 0;
    for (auto it = entries_.begin(); it != entries_.end();) {
        const std::size_t size = it->data->samples.size() * sizeof(float);
        // The newest entry stays whatever its size; it is in use anyway.
        const bool keep = kept == 0 || (kept < kCacheEntries && bytes + size <= kCacheBytes);
        if (keep) {
            bytes += size;
            ++kept;
            ++it;
        } else {
            it = entries_.erase(it);
        }
    }
}

} // namespace aurelith
