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
#include <QPointer>
#include <QWindow>

#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>
#include <xcb/present.h>
#include <xcb/xcb.h>

#include "presentation-time-client-protocol.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

namespace aurelith {

namespace {

// A change made this long before a frame (beyond half a frame) still reaches it.
// Xvfb's simulated frames take a pixmap only when it comes about 9 ms before
// them (measured with a probe client: 8 ms missed, 9 ms reached); a server
// that takes longer shows it by misses, and the reach grows to what the
// missed change lacked.
constexpr double kReachMs = 10.0;
// Changes are made this much earlier again, for a timer tick that comes late
// on a busy machine: the target frame is named, so early costs nothing.
constexpr double kLateTickMs = 4.0;
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

// Changes whose presented times teach the display's delay before the strobe starts.
constexpr int kProbes = 8;

// A time on another clock (the compositor's), as monotonic ms: the offset
// between the two clocks read now, from the tightest of a few brackets.
double toMonotonicMs(clockid_t clock, double ms)
{
    const auto read = [](clockid_t id) {
        timespec t{};
        clock_gettime(id, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    if (clock == CLOCK_MONOTONIC)
        return ms;
    double best = 1e9, offset = 0;
    for (int i = 0; i < 3; ++i) {
        const double before = read(clock), mono = read(CLOCK_MONOTONIC), after = read(clock);
        if (after - before < best) {
            best = after - before;
            offset = mono - (before + after) / 2;
        }
    }
    return ms + offset;
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

// The request of that name hides the type.
using Feedback = struct wp_presentation_feedback;

// wp_presentation on Qt's own Wayland connection, on an event queue of its
// own so that Qt's dispatching never sees its events. Each feedback asked
// for rides on the surface's next commit: the panel's repaint.
class WaylandFeedback {
public:
    // serial, presented time (monotonic ms) or none where the frame was discarded, refresh ms (0 unknown)
    using Presented = std::function<void(std::uint32_t serial, std::optional<double> ms, double refreshMs)>;

    static std::unique_ptr<WaylandFeedback> open(QWindow* window, Presented presented)
    {
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        if (!native || !window)
            return nullptr;
        auto* display = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"));
        auto* surface = static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window));
        if (!display || !surface)
            return nullptr;
        auto w = std::unique_ptr<WaylandFeedback>(new WaylandFeedback);
        w->display_ = display;
        w->window_ = window;
        w->presented_ = std::move(presented);
        return w->start() ? std::move(w) : nullptr;
    }
    ~WaylandFeedback()
    {
        for (auto& [feedback, serial] : waiting_)
            wp_presentation_feedback_destroy(feedback);
        if (presentation_)
            wp_presentation_destroy(presentation_);
        if (registry_)
            wl_registry_destroy(registry_);
        if (wrapper_)
            wl_proxy_wrapper_destroy(wrapper_);
        if (queue_)
            wl_event_queue_destroy(queue_);
    }

    // The surface's next commit reports when it was shown.
    // False while the window has no surface (Qt makes a new one each time it is shown again).
    bool request(std::uint32_t serial)
    {
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        auto* surface = window_ && window_->isExposed()
                            ? static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window_))
                            : nullptr;
        if (!surface)
            return false;
        Feedback* feedback = wp_presentation_feedback(presentation_, surface);
        static const wp_presentation_feedback_listener listener{
            &WaylandFeedback::syncOutput, &WaylandFeedback::onPresented, &WaylandFeedback::onDiscarded};
        wp_presentation_feedback_add_listener(feedback, &listener, this);
        waiting_.emplace_back(feedback, serial);
        // Qt's event thread reads the socket into this queue; it is dispatched
        // here while answers are awaited.
        if (!poll_.isActive())
            poll_.start();
        return true;
    }
    clockid_t clock() const { return clock_; }

private:
    WaylandFeedback()
    {
        poll_.setInterval(5);
        QObject::connect(&poll_, &QTimer::timeout, [this] { dispatch(); });
    }

    bool start()
    {
        queue_ = wl_display_create_queue(display_);
        wrapper_ = static_cast<wl_display*>(wl_proxy_create_wrapper(display_));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper_), queue_);
        registry_ = wl_display_get_registry(wrapper_);
        static const wl_registry_listener listener{&WaylandFeedback::global, [](void*, wl_registry*, std::uint32_t) {}};
        wl_registry_add_listener(registry_, &listener, this);
        // The globals, then the clock_id the bound global sends.
        for (int i = 0; i < 2; ++i)
            if (wl_display_roundtrip_queue(display_, queue_) < 0)
                return false;
        return presentation_ && clockKnown_;
    }
    void dispatch()
    {
        wl_display_dispatch_queue_pending(display_, queue_);
        if (waiting_.empty())
            poll_.stop();
    }
    void answer(Feedback* feedback, std::optional<double> ms, double refreshMs)
    {
        const auto it = std::find_if(waiting_.begin(), waiting_.end(),
                                     [&](const auto& w) { return w.first == feedback; });
        if (it == waiting_.end())
            return;
        const std::uint32_t serial = it->second;
        waiting_.erase(it);
        wp_presentation_feedback_destroy(feedback);
        presented_(serial, ms, refreshMs);
    }

    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
    {
        auto* self = static_cast<WaylandFeedback*>(data);
        if (std::string_view(interface) != wp_presentation_interface.name || self->presentation_)
            return;
        self->presentation_ = static_cast<wp_presentation*>(
            wl_registry_bind(registry, name, &wp_presentation_interface, 1));
        static const wp_presentation_listener listener{&WaylandFeedback::clockId};
        wp_presentation_add_listener(self->presentation_, &listener, self);
    }
    static void clockId(void* data, wp_presentation*, std::uint32_t id)
    {
        auto* self = static_cast<WaylandFeedback*>(data);
        self->clock_ = static_cast<clockid_t>(id);
        self->clockKnown_ = true;
    }
    static void syncOutput(void*, Feedback*, wl_output*) {}
    static void onPresented(void* data, Feedback* feedback, std::uint32_t secHi, std::uint32_t secLo,
                            std::uint32_t nsec, std::uint32_t refreshNs, std::uint32_t, std::uint32_t, std::uint32_t)
    {
        auto* self = static_cast<WaylandFeedback*>(data);
        const double ms = static_cast<double>((static_cast<std::uint64_t>(secHi) << 32) | secLo) * 1e3 +
                          static_cast<double>(nsec) / 1e6;
        self->answer(feedback, toMonotonicMs(self->clock_, ms), static_cast<double>(refreshNs) / 1e6);
    }
    static void onDiscarded(void* data, Feedback* feedback)
    {
        static_cast<WaylandFeedback*>(data)->answer(feedback, std::nullopt, 0);
    }

    wl_display* display_ = nullptr;
    QPointer<QWindow> window_;
    wl_event_queue* queue_ = nullptr;
    wl_display* wrapper_ = nullptr;
    wl_registry* registry_ = nullptr;
    wp_presentation* presentation_ = nullptr;
    clockid_t clock_ = CLOCK_MONOTONIC;
    bool clockKnown_ = false;
    std::deque<std::pair<Feedback*, std::uint32_t>> waiting_;
    Presented presented_;
    QTimer poll_;
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
    const bool wayland = present && QGuiApplication::platformName() == QLatin1String("wayland");
    qCInfo(lcAudio).nospace() << "flash surface: "
                              << (x_        ? "X11 Present, each change shown at a target frame"
                                  : wayland ? "Wayland, asking for presentation-time feedback once the window is shown"
                                            : "painted by the window, no presented times")
                              << ", screen refresh " << (refreshMs_ > 0 ? 1000 / refreshMs_ : 0) << " Hz";
    if (wayland) {
        // The surface exists once the window is shown; a few repaints of the
        // panel then teach the delay before any strobe plans on it.
        probe_ = std::make_unique<QTimer>();
        probe_->setInterval(100);
        QObject::connect(probe_.get(), &QTimer::timeout, [this] { probeWayland(); });
        probe_->start();
    }
}

void FlashSurface::probeWayland()
{
    // A window never shown stops the asking after a while; the first change opens the surface then.
    if (++probes_ > 6 * kProbes || (!wl_ && !openWayland()) || delays_ >= kProbes) {
        if (wl_ || probes_ > 6 * kProbes)
            probe_->stop();
        return;
    }
    Change change{++serial_, nowMs(), nowMs(), 0, 0, QColor()}; // no colour: not a phase, not logged
    if (!wl_->request(change.serial))
        return;
    inFlight_.push_back(change);
    box_.repaint();
}

bool FlashSurface::openWayland()
{
    QWindow* window = box_.window()->windowHandle();
    if (!window || !window->isExposed())
        return false;
    wl_ = WaylandFeedback::open(window, [this](std::uint32_t serial, std::optional<double> ms, double refreshMs) {
        if (refreshMs > 0)
            periodMs_ = refreshMs;
        waylandPresented(serial, ms);
    });
    qCInfo(lcAudio).nospace() << "flash surface: "
                              << (wl_ ? "Wayland presentation-time, each change's presented time from its commit"
                                      : "Wayland without presentation-time: painted by the window, no presented times")
                              << (wl_ && wl_->clock() == CLOCK_MONOTONIC_RAW ? " (compositor clock MONOTONIC_RAW)"
                                                                             : "");
    if (!wl_) {
        waylandRefused_ = true; // no wp_presentation: painted, as elsewhere
        probe_->stop();
    }
    return wl_ != nullptr;
}

void FlashSurface::waylandPresented(std::uint32_t serial, std::optional<double> ms)
{
    while (!inFlight_.empty() && inFlight_.front().serial != serial)
        inFlight_.pop_front();
    if (inFlight_.empty())
        return;
    const Change change = inFlight_.front();
    inFlight_.pop_front();
    bool missed = false;
    if (ms) {
        ++delays_;
        delayMs_ += (*ms - change.madeMs - delayMs_) / std::min(delays_, 32);
        // Not the frame nearest its moment: a later one.
        missed = *ms > change.intendedMs + timing().periodMs / 2;
        misses_ += missed && change.colour.isValid() ? 1 : 0;
    }
    if (change.colour.isValid())
        writeRow(change, ms, std::nullopt, missed);
}

FlashSurface::~FlashSurface()
{
    box_.setPresenter({});
    // Changes still awaiting their presented time keep their rows.
    for (const Change& change : inFlight_)
        if (change.colour.isValid() && wl_)
            writeRow(change, std::nullopt, std::nullopt, false);
    if (lastRow_)
        emitRow(*lastRow_, {});
}

double FlashSurface::nowMs() const { return monotonicMs(); }

DisplayTiming FlashSurface::timing() const
{
    const double period = periodMs_ > 0 ? periodMs_ : refreshMs_;
    // Wayland takes no target frame: a change is committed its measured delay early.
    if (wl_)
        return delays_ > 0 && period > 0 ? DisplayTiming{period, delayMs_, true} : DisplayTiming{refreshMs_, 0, false};
    if (!x_ || !haveFrame_ || period <= 0)
        return {refreshMs_, 0, false};
    std::uint64_t base = 0;
    return {period, period / 2 + reachMs_ + kLateTickMs, true, grid(base).originMs};
}

std::string FlashSurface::describe() const
{
    if (!x_ && !wl_)
        return "display painted, no presented times";
    char text[160];
    std::snprintf(text, sizeof text, "display %s, frame %.3f ms, commit to present %.1f ms, %d miss(es)",
                  x_ ? "X11 Present" : "Wayland presentation-time", timing().periodMs, delayMs_, misses_);
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
    if (!wl_ && probe_ && !waylandRefused_)
        openWayland();
    if (wl_) {
        // The box repaints itself; the commit of that repaint carries the request.
        if (wl_->request(change.serial))
            inFlight_.push_back(change);
        else
            writeRow(change, std::nullopt, std::nullopt, false);
        return false;
    }
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
        else if (period > 0 && lastRow_->presentedMs && presentedMs)
            emitRow(*lastRow_, std::to_string(std::llround((*presentedMs - *lastRow_->presentedMs) / period)));
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
