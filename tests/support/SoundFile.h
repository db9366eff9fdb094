// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sound files written through libsndfile, for tests and benchmarks that need a
// real file of a given format, rate and layout.

#include <sndfile.h>

#include <string>
#include <vector>

namespace aurelith::test {

// Writes interleaved samples; false when the file cannot be made.
inline bool writeSoundFile(const std::string& path, int format, int rate, int channels,
                           const std::vector<float>& samples)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!out)
        return false;
    const auto frames = static_cast<sf_count_t>(samples.size() / static_cast<std::size_t>(channels));
    const bool written = sf_writef_float(out, samples.data(), frames) == frames;
    return sf_close(out) == 0 && written;
}

} // namespace aurelith::test
