// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundFileWriter.h"

#include "core/ToneLimits.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <sys/statvfs.h>

namespace aurelith {
namespace {

namespace fs = std::filesystem;

PartFile& partOf(void* user) { return *static_cast<PartFile*>(user); }
sf_count_t ioLength(void* user) { return partOf(user).length(); }
sf_count_t ioSeek(sf_count_t offset, int whence, void* user) { return partOf(user).seek(offset, whence); }
sf_count_t ioTell(void* user) { return partOf(user).tell(); }
sf_count_t ioRead(void* data, sf_count_t count, void* user)
{
    return partOf(user).read(data, static_cast<std::size_t>(count));
}
sf_count_t ioWrite(const void* data, sf_count_t count, void* user)
{
    return partOf(user).write(data, static_cast<std::size_t>(count)) ? count : 0;
}

// libsndfile puts a WAV's sizes in its header at the end, which a pipe has
// long passed: its plain 44-byte header gets them now (16-bit stereo).
void stateLength(std::vector<char>& header, long long frames)
{
    const long long data = frames * 2 * 2;
    if (header.size() < 44 || std::string_view(header.data(), 4) != "RIFF" ||
        std::string_view(header.data() + 36, 4) != "data" || data + 36 > UINT32_MAX)
        return;
    const auto put = [&header](std::size_t at, long long value) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(4, data + 36);
    put(40, data);
}

std::string megabytes(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

} // namespace

struct SoundFileWriter::Encoder {
    SNDFILE* handle = nullptr;
};

int soundFileFormatFor(const fs::path& output)
{
    std::string ext = output.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".wav")
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    if (ext == ".flac")
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    if (ext == ".ogg" || ext == ".oga")
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    return 0;
}

int soundFileFormatFor(const fs::path& output, long long frames)
{
    const int format = soundFileFormatFor(output);
    if ((format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV)
        return format;
    // 16-bit stereo; the RIFF size counts the header too, kept generous here.
    constexpr long long kBytesPerFrame = 2 * 2, kHeaderBytes = 4096;
    const bool fits = frames <= (static_cast<long long>(UINT32_MAX) - kHeaderBytes) / kBytesPerFrame;
    return fits ? format : SF_FORMAT_RF64 | (format & SF_FORMAT_SUBMASK);
}

long long estimatedSoundFileBytes(const fs::path& output, long long frames)
{
    const int format = soundFileFormatFor(output, frames) & SF_FORMAT_TYPEMASK;
    const long long pcm = frames * 2 * 2;
    if (format == SF_FORMAT_FLAC)
        return pcm / 2; // quiet tones and noise compress to about half, often less
    if (format == SF_FORMAT_OGG)
        return frames / kSampleRate * 32000 + 8192; // quality 0.6 stays under 256 kbit/s
    return pcm + 4096;
}

std::string soundFileProblem(const fs::path& file)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    if (!sound)
        return std::string("not a sound file that can be read (") + sf_strerror(nullptr) + ")";
    sf_close(sound);
    if (info.channels < 1 || info.samplerate <= 0 || info.frames <= 0)
        return "it holds no sound";
    return {};
}

std::string roomForSoundFile(const fs::path& output, long long frames)
{
    struct statvfs disk {};
    if (::statvfs(output.parent_path().c_str(), &disk) != 0)
        return {};
    const double free = static_cast<double>(disk.f_bavail) * static_cast<double>(disk.f_frsize);
    const auto needed = static_cast<double>(estimatedSoundFileBytes(output, frames));
    if (needed <= free)
        return {};
    return "not enough room for " + output.string() + ": it needs about " + megabytes(needed) + ", and " +
           megabytes(free) + " are free on the disk holding " + output.parent_path().string();
}

SoundFileWriter::SoundFileWriter(fs::path output) : file_(std::move(output)), encoder_(std::make_unique<Encoder>()) {}

SoundFileWriter::~SoundFileWriter()
{
    if (encoder_->handle)
        sf_close(encoder_->handle);
}

std::string SoundFileWriter::open(int format, int rate, long long frames)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = format;
    SF_VIRTUAL_IO calls{ioLength, ioSeek, ioRead, ioWrite, ioTell};
    encoder_->handle = sf_open_virtual(&calls, SFM_WRITE, &info, &file_);
    sixteenBits_ = (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
    if (!encoder_->handle)
        return file_.error() ? file_.failed(file_.error()) : file_.failed(sf_strerror(nullptr));
    if (file_.pipe() && (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV)
        stateLength(file_.gathered(), frames);
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS) {
        double quality = 0.6;
        sf_command(encoder_->handle, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    }
    return {};
}

std::string SoundFileWriter::write(const float* frames, long long n)
{
    if (sixteenBits_ ? writeShorts(frames, n)
                     : (sf_writef_float(encoder_->handle, frames, n) == n && file_.error() == 0))
        return {};
    return failed();
}

std::string SoundFileWriter::failed() const
{
    return file_.error() ? file_.failed(file_.error()) : file_.failed(sf_strerror(encoder_->handle));
}

std::string SoundFileWriter::finish()
{
    const bool closed = sf_close(encoder_->handle) == 0;
    encoder_->handle = nullptr;
    file_.flush();
    if (file_.error())
        return file_.failed(file_.error());
    if (!closed)
        return "cannot finish " + file_.file().string();
    return file_.finish();
}

// 16-bit samples as libsndfile makes them from floats (x 0x7FFF, rounded to
// nearest), four at a time where the processor can: its own per-sample
// conversion was a large share of a render. Out of range saturates.
bool SoundFileWriter::writeShorts(const float* frames, long long n)
{
    shorts_.resize(static_cast<std::size_t>(2 * n));
    long long i = 0;
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(32767.0f);
    for (; i + 8 <= 2 * n; i += 8) {
        const __m128i a = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(frames + i), scale));
        const __m128i b = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(frames + i + 4), scale));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(shorts_.data() + i), _mm_packs_epi32(a, b));
    }
#endif
    for (; i < 2 * n; ++i)
        shorts_[static_cast<std::size_t>(i)] = static_cast<short>(
            std::clamp(std::lrintf(frames[i] * 32767.0f), -32768L, 32767L));
    return sf_writef_short(encoder_->handle, shorts_.data(), n) == n && file_.error() == 0;
}

} // namespace aurelith
