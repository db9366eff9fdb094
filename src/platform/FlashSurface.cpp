// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FlashSurface.h"

#include "photic/FrameCadence.h"
#include "platform/AudioLog.h"
#include "platform/ColourBox.h"

#include <QEvent>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <xcb/present.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

namespace aurelith {

namespace {

// A change made this long before a frame (beyond half a frame) still reaches it:
// the timers tick on whole milliseconds and the server needs a moment. A server
// that takes longer (Xvfb under load misses frames 4-10 ms ahead) shows it by
// misses, and the reach grows to what the missed change lacked.
constexpr double kReachMs = 3.0;
constexpr double kReachStepMs = 1.0;
// Frames seen before the period is taken from them rather than the screen's rate.
constexpr std::uint64_t kLearnFrames = 30;
constexpr std::size_t kOriginFrames = 64;

double monotonicMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

} // namespace

// A window of its own connection over the flash panel, shown only through
// PresentPixmap. Its events are read on that connection, never Qt's.
class XPresentWindow {
public:
    using Complete = std::function<void(std::uint32_t serial, bool pixmap, double ustMs, std::uint64_t msc)>;

    static std::unique_ptr<XPresentWindow> open(ColourBox& box, Complete complete)
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return nullptr;
        auto x = std::unique_ptr<XPresentWindow>(new XPresentWindow);
        x->complete_ = std::move(complete);
        return x->start(box) ? std::move(x) : nullptr;
    }
    ~XPresentWindow()
    {
        if (c_)
            xcb_disconnect(c_);
    }

    void resize(int width, int height)
    {
        width_ = static_cast<std::uint16_t>(std::max(1, width));
        height_ = static_cast<std::uint16_t>(std::max(1, height));
        const std::uint32_t size[] = {width_, height_};
        xcb_configure_window(c_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        xcb_flush(c_);
    }

    // The colour as a pixmap, shown at targetMsc (0: the next frame).
    void present(const QColor& colour, std::uint32_t serial, std::uint64_t targetMsc)
    {
        const std::uint32_t pixel = pixelOf(colour);
        const xcb_pixmap_t pixmap = xcb_generate_id(c_);
        xcb_create_pixmap(c_, depth_, pixmap, window_, width_, height_);
        xcb_change_gc(c_, gc_, XCB_GC_FOREGROUND, &pixel);
        const xcb_rectangle_t all{0, 0, width_, height_};
        xcb_poly_fill_rectangle(c_, pixmap, gc_, 1, &all);
        xcb_present_pixmap(c_, window_, pixmap, serial, XCB_NONE, XCB_NONE, 0, 0, XCB_NONE, XCB_NONE, XCB_NONE,
                           XCB_PRESENT_OPTION_NONE, targetMsc, 0, 0, 0, nullptr);
        // The server keeps the pixmap until it is shown.
        xcb_free_pixmap(c_, pixmap);
        xcb_flush(c_);
    }

    // What the window shows where nothing was presented (an exposure).
    void setBackground(const QColor& colour)
    {
        const std::uint32_t pixel = pixelOf(colour);
        xcb_change_window_attributes(c_, window_, XCB_CW_BACK_PIXEL, &pixel);
        xcb_flush(c_);
    }

    void readEvents()
    {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            if ((e->response_type & 0x7f) == XCB_GE_GENERIC) {
                const auto* ge = reinterpret_cast<xcb_ge_generic_event_t*>(e);
                if (ge->extension == opcode_ && ge->event_type == XCB_PRESENT_EVENT_COMPLETE_NOTIFY) {
                    const auto* done = reinterpret_cast<xcb_present_complete_notify_event_t*>(e);
                    complete_(done->serial, done->kind == XCB_PRESENT_COMPLETE_KIND_PIXMAP,
                              static_cast<double>(done->ust) / 1e3, done->msc);
                }
            }
            std::free(e);
        }
    }

private:
    XPresentWindow() = default;

    bool start(ColourBox& box)
    {
        c_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c_))
            return false;
        const xcb_query_extension_reply_t* present = xcb_get_extension_data(c_, &xcb_present_id);
        if (!present || !present->present)
            return false;
        opcode_ = present->major_opcode;
        Reply<xcb_present_query_version_reply_t> version(
            xcb_present_query_version_reply(c_, xcb_present_query_version(c_, 1, 2), nullptr), &std::free);
        if (!version)
            return false;
        // The panel becomes a native window, the parent of ours.
        box.setAttribute(Qt::WA_NativeWindow);
        const auto parent = static_cast<xcb_window_t>(box.winId());
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, parent), nullptr), &std::free);
        Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c_, xcb_get_geometry(c_, parent), nullptr),
                                                 &std::free);
        if (!attributes || !geometry || !findVisual(attributes->visual, geometry->depth))
            return false;
        depth_ = geometry->depth;
        window_ = xcb_generate_id(c_);
        const std::uint32_t background = pixelOf(box.colour());
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, parent, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, &background);
        gc_ = xcb_generate_id(c_);
        xcb_create_gc(c_, gc_, window_, 0, nullptr);
        xcb_present_select_input(c_, xcb_generate_id(c_), window_, XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
        resize(box.width(), box.height());
        xcb_map_window(c_, window_);
        // One frame's time and count to start the frame clock from: the next
        // frame (with no divisor the answer would come at once, between frames).
        xcb_present_notify_msc(c_, window_, 0, 0, 1, 0);
        // A round trip: the window exists before anything is presented to it.
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
        if (xcb_connection_has_error(c_))
            return false;
        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readEvents(); });
        // The round trip may have queued events already read from the socket.
        QTimer::singleShot(0, notifier_.get(), [this] { readEvents(); });
        return true;
    }

    // A true-colour visual's masks turn a colour into a pixel.
    bool findVisual(xcb_visualid_t id, std::uint8_t depth)
    {
        for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(c_)); screens.rem; xcb_screen_next(&screens))
            for (auto d = xcb_screen_allowed_depths_iterator(screens.data); d.rem; xcb_depth_next(&d))
                for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                    if (v.data->visual_id == id && d.data->depth == depth &&
                        v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) {
                        masks_[0] = v.data->red_mask;
                        masks_[1] = v.data->green_mask;
                        masks_[2] = v.data->blue_mask;
                        return true;
                    }
        return false;
    }
    std::uint32_t pixelOf(const QColor& colour) const
    {
        const int values[] = {colour.red(), colour.green(), colour.blue()};
        std::uint32_t pixel = 0;
        for (int i = 0; i < 3; ++i) {
            const std::uint32_t mask = masks_[i];
            if (mask == 0)
                continue;
            const int shift = __builtin_ctz(mask);
            const std::uint32_t top = mask >> shift;
            pixel |= (static_cast<std::uint32_t>(std::lround(values[i] * top / 255.0)) << shift) & mask;
        }
        return pixel;
    }

    xcb_connection_t* c_ = nullptr;
    std::uint8_t opcode_ = 0;
    std::uint8_t depth_ = 0;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
    std::uint16_t width_ = 1, height_ = 1;
    std::uint32_t masks_[3] = {0, 0, 0};
    Complete complete_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

FlashSurface::FlashSurface(ColourBox& box, const std::filesystem::path& flashLog, bool present)
    : box_(box), reachMs_(kReachMs)
{
    if (QScreen* screen = box.screen(); screen && screen->refreshRate() > 0)
        refreshMs_ = 1000 / screen->refreshRate();
    if (!flashLog.empty()) {
        log_.open(flashLog, std::ios::trunc);
        if (log_)
            log_ << "intended_ms,presented_ms,frames,colour,missed\n";
        else
            qCWarning(lcAudio) << "cannot write the flash log" << flashLog.c_str();
    }
    if (present)
        x_ = XPresentWindow::open(box, [this](std::uint32_t serial, bool pixmap, double ustMs, std::uint64_t msc) {
            learnFrame(ustMs, msc);
            if (pixmap)
                presented(serial, ustMs, msc);
        });
    if (x_)
        box.installEventFilter(this);
    box.setPresenter([this](const QColor& colour) { return show(colour); });
    qCInfo(lcAudio).nospace() << "flash surface: "
                              << (x_ ? "X11 Present, each change shown at a target frame"
                                     : "painted by the window, no presented times")
                              << ", screen refresh " << (refreshMs_ > 0 ? 1000 / refreshMs_ : 0) << " Hz";
}

FlashSurface::~FlashSurface()
{
    box_.setPresenter({});
    if (lastRow_)
        emitRow(*lastRow_, {});
}

double FlashSurface::nowMs() const { return monotonicMs(); }

DisplayTiming FlashSurface::timing() const
{
    const double period = periodMs_ > 0 ? periodMs_ : refreshMs_;
    if (!x_ || !haveFrame_ || period <= 0)
        return {refreshMs_, 0, false};
    std::uint64_t base = 0;
    return {period, period / 2 + reachMs_, true, grid(base).originMs};
}

std::string FlashSurface::describe() const
{
    if (!x_)
        return "display painted, no presented times";
    char text[160];
    std::snprintf(text, sizeof text, "display X11 Present, frame %.3f ms, commit to present %.1f ms, %d miss(es)",
                  timing().periodMs, delayMs_, misses_);
    return text;
}

bool FlashSurface::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &box_ && event->type() == QEvent::Resize && x_) {
        const QSize size = static_cast<QResizeEvent*>(event)->size() * box_.devicePixelRatio();
        x_->resize(size.width(), size.height());
    }
    return false;
}

bool FlashSurface::show(const QColor& colour)
{
    Change change{++serial_, intended_.value_or(nowMs()), nowMs(), 0, 0, colour};
    const bool intended = intended_.has_value();
    intended_.reset();
    if (!x_) {
        writeRow(change, std::nullopt, std::nullopt, false);
        return false;
    }
    if (haveFrame_) {
        std::uint64_t base = 0;
        const FrameGrid frames = grid(base);
        const std::int64_t last = static_cast<std::int64_t>(lastTarget_) - static_cast<std::int64_t>(base);
        const std::int64_t earliest = std::max(frames.firstFrom(change.madeMs + reachMs_), last + 1);
        const std::int64_t target = intended ? targetFrame(frames, change.intendedMs, earliest) : earliest;
        change.targetMs = frames.at(target);
        change.targetMsc = lastTarget_ = static_cast<std::uint64_t>(static_cast<std::int64_t>(base) + target);
    }
    inFlight_.push_back(change);
    x_->present(colour, change.serial, change.targetMsc);
    return true;
}

void FlashSurface::learnFrame(double ustMs, std::uint64_t msc)
{
    if (!haveFrame_) {
        firstUstMs_ = ustMs;
        firstMsc_ = msc;
        haveFrame_ = true;
    }
    if (msc >= firstMsc_ + kLearnFrames)
        periodMs_ = (ustMs - firstUstMs_) / static_cast<double>(msc - firstMsc_);
    frames_.emplace_back(ustMs, msc);
    while (frames_.size() > kOriginFrames)
        frames_.pop_front();
}

// Frame numbers count from the latest frame seen, so that an error in the
// period adds up over a few frames only (a server's count starts at boot).
FrameGrid FlashSurface::grid(std::uint64_t& base) const
{
    const double period = periodMs_ > 0 ? periodMs_ : refreshMs_;
    base = frames_.back().second;
    double origin = frames_.back().first;
    for (const auto& [ust, msc] : frames_)
        origin = std::min(origin, ust + static_cast<double>(base - msc) * period);
    return {origin, period};
}

void FlashSurface::presented(std::uint32_t serial, double ustMs, std::uint64_t msc)
{
    while (!inFlight_.empty() && inFlight_.front().serial != serial)
        inFlight_.pop_front(); // never shown: a later one took its frame
    if (inFlight_.empty())
        return;
    const Change change = inFlight_.front();
    inFlight_.pop_front();
    const bool missed = change.targetMsc != 0 && msc > change.targetMsc;
    misses_ += missed ? 1 : 0;
    // Made too close to its frame for this server: later changes are made earlier.
    if (missed)
        reachMs_ = std::clamp(change.targetMs - change.madeMs + kReachStepMs, reachMs_, timing().periodMs);
    ++delays_;
    delayMs_ += (ustMs - change.madeMs - delayMs_) / std::min(delays_, 32);
    x_->setBackground(change.colour);
    writeRow(change, ustMs, msc, missed);
}

void FlashSurface::writeRow(const Change& change, std::optional<double> presentedMs, std::optional<std::uint64_t> msc,
                            bool missed)
{
    if (!log_.is_open())
        return;
    // A row is written once the next change tells how many frames it lasted:
    // from the frame counts where the display gave them, else from the times
    // between paints.
    if (lastRow_) {
        const double period = timing().periodMs;
        if (lastRow_->msc && msc)
            emitRow(*lastRow_, std::to_string(*msc - *lastRow_->msc));
        else if (period > 0 && !lastRow_->msc && !msc)
            emitRow(*lastRow_, std::to_string(std::llround((change.madeMs - lastRow_->change.madeMs) / period)));
        else
            emitRow(*lastRow_, {});
    }
    lastRow_ = Row{change, presentedMs, msc, missed};
}

void FlashSurface::emitRow(const Row& row, const std::string& frames)
{
    if (!log_.is_open())
        return;
    char text[64];
    std::snprintf(text, sizeof text, "%.3f,", row.change.intendedMs);
    log_ << text;
    if (row.presentedMs) {
        std::snprintf(text, sizeof text, "%.3f", *row.presentedMs);
        log_ << text;
    }
    log_ << ',' << frames << ',' << row.change.colour.name().toStdString() << ',' << (row.missed ? "yes" : "no")
         << '\n';
    log_.flush();
}

} // namespace aurelith
