// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/FrameClock.h"

#include <QColor>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace aurelith {

class ColourBox;
struct FrameGrid;
class XPresentWindow;
class WaylandFeedback;

// The flash surface as the display shows it, the strobe's FrameClock. On X11
// with the Present extension each colour goes as a pixmap, at the frame
// nearest the moment it is meant for, into a window of its own over the
// panel, and the server's complete events (UST on CLOCK_MONOTONIC) tell when
// it was shown. On Wayland with presentation-time the panel paints itself
// and the commit of each change asks the compositor when it was shown.
// Elsewhere the panel paints itself as it always has and no presented time
// is known. Either way each change can go to a flash log.
class FlashSurface : public QObject, public FrameClock {
public:
    // present false: paint even where Present is offered (to compare).
    FlashSurface(ColourBox& box, const std::filesystem::path& flashLog = {}, bool present = true);
    ~FlashSurface() override;

    double nowMs() const override;
    DisplayTiming timing() const override;
    void intend(double intendedMs) override { intended_ = intendedMs; }

    // Which path, the display's delay and the misses, for the log.
    std::string describe() const;
    bool presenting() const { return x_ != nullptr || wl_ != nullptr; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Change {
        std::uint32_t serial = 0;
        double intendedMs = 0;
        double madeMs = 0;
        std::uint64_t targetMsc = 0; // 0: as soon as possible
        double targetMs = 0;         // when the target frame was expected
        QColor colour;
    };
    bool show(const QColor& colour);
    void presented(std::uint32_t serial, double ustMs, std::uint64_t msc);
    void learnFrame(double ustMs, std::uint64_t msc);
    void writeRow(const Change& change, std::optional<double> presentedMs, std::optional<std::uint64_t> msc,
                  bool missed);

    ColourBox& box_;
    std::unique_ptr<XPresentWindow> x_;
    // Wayland: presentation-time feedback on the window's surface, opened once it is shown.
    std::unique_ptr<WaylandFeedback> wl_;
    std::unique_ptr<QTimer> probe_;
    int probes_ = 0;
    bool waylandRefused_ = false;
    void probeWayland();
    bool openWayland();
    void waylandPresented(std::uint32_t serial, std::optional<double> ms);
    std::optional<double> intended_;
    std::deque<Change> inFlight_;
    std::uint32_t serial_ = 0;
    std::uint64_t lastTarget_ = 0;
    // The frame clock: a frame's nominal time is origin + msc x period. The
    // server may show a frame late, never early: the origin is the earliest
    // of the recent frames' times.
    bool haveFrame_ = false;
    double firstUstMs_ = 0;
    std::uint64_t firstMsc_ = 0;
    double periodMs_ = 0;
    std::deque<std::pair<double, std::uint64_t>> frames_; // the recent frames' times and counts
    FrameGrid grid(std::uint64_t& base) const;
    double refreshMs_ = 0;
    double delayMs_ = 0; // measured, commit to presented
    int delays_ = 0;
    int misses_ = 0;
    // How long before its frame a change must be made to be shown on it: a
    // few ms on a quick server, more where a miss shows it (learned, at most a frame).
    double reachMs_;
    // The flash log: each row waits for the next change, which tells its length.
    std::ofstream log_;
    struct Row {
        Change change;
        std::optional<double> presentedMs;
        std::optional<std::uint64_t> msc;
        bool missed = false;
    };
    std::optional<Row> lastRow_;
    void emitRow(const Row& row, const std::string& frames);
};

} // namespace aurelith
