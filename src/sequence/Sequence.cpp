// SPDX-License-Identifier: GPL-3.0-or-later
#include "sequence/Sequence.h"

#include <algorithm>

namespace aurelith::sequence {

Point valueAt(const Voice& voice, double seconds)
{
    const auto& pts = voice.points;
    if (pts.empty() || seconds < pts.front().seconds) {
        Point silent = pts.empty() ? Point{} : pts.front();
        silent.seconds = seconds;
        silent.level = 0;
        return silent;
    }
    // The last point at or before the time.
    auto next = std::upper_bound(pts.begin(), pts.end(), seconds,
                                 [](double t, const Point& p) { return t < p.seconds; });
    const Point& a = *(next - 1);
    Point out = a;
    out.seconds = seconds;
    if (next == pts.end() || a.join == Join::step || next->seconds <= a.seconds)
        return out;
    const Point& b = *next;
    const double f = (seconds - a.seconds) / (b.seconds - a.seconds);
    out.carrierHz = a.carrierHz + f * (b.carrierHz - a.carrierHz);
    out.beatHz = a.beatHz + f * (b.beatHz - a.beatHz);
    out.level = a.level + f * (b.level - a.level);
    return out;
}

} // namespace aurelith::sequence
