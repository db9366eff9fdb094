// SPDX-License-Identifier: GPL-3.0-or-later
// The limiter passes whole quiet blocks through its delay line at once; what
// comes out must be what frame-sized calls give, bit for bit, around peaks too.
#include "sound/Limiter.h"
#include "core/ToneLimits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace aurelith::test {
namespace {

TEST(LimiterBlocks, LargeBlocksGiveWhatSingleFramesGive)
{
    std::vector<float> in(2 * 4 * kSampleRate);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = 0.5f * static_cast<float>(std::sin(0.01 * static_cast<double>(i)));
    // A burst over full scale, a NaN, and quiet again for longer than the hold.
    for (std::size_t i = 2 * 10000; i < 2 * 10400; ++i)
        in[i] *= 3.0f;
    in[2 * 20000 + 1] = std::numeric_limits<float>::quiet_NaN();
    Limiter frameByFrame, blocks;
    frameByFrame.configure(kSampleRate);
    blocks.configure(kSampleRate);
    std::vector<float> a = in, b = in;
    for (std::size_t f = 0; f < a.size() / 2; ++f)
        frameByFrame.process(a.data() + 2 * f, 1);
    for (int f = 0, n = 1; f < static_cast<int>(b.size() / 2); f += n, n = n * 3 % 8191 + 1)
        blocks.process(b.data() + 2 * f, std::min(n, static_cast<int>(b.size() / 2) - f));
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], b[i]) << "sample " << i;
}

} // namespace
} // namespace aurelith::test
