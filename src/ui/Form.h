// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"
#include "ui/ControlDef.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace aurelith {

struct Control {
    std::string name;
    ControlKind kind = ControlKind::CommandButton;
    std::string parent;
    int left = 0, top = 0, width = 0, height = 0; // twips
    std::string caption;
    std::string text;
    std::string tooltip;
    std::optional<Colour> backColour; // empty: the toolkit's own look
    bool visible = true;
    bool enabled = true;
    bool readOnly = false; // text boxes the user cannot type into
    // Scroll bars.
    int min = 0, max = 0, smallChange = 1, largeChange = 1, value = 0;
    // Timers. The k-th tick (k = 0, 1, ...) is due at start + firstTick + k * period,
    // in milliseconds that may have a fraction; a plain timer has both equal to interval.
    // A timer with an anchor counts from the anchor's start while the anchor runs,
    // so two timers can take turns without drifting apart.
    bool timerEnabled = false;
    int interval = 0; // as the window shows it; 0 never ticks
    double period = 0;
    double firstTick = 0;
    std::string anchor;
};

enum class Property { Caption, Text, Tooltip, BackColour, Visible, Enabled, Value, Timer, Geometry };

// The whole window as data. Handlers read and write it; the real window mirrors it.
// Assigning a text or a scroll position raises the control's change event at once,
// before the assignment returns, exactly as a user edit does.
class Form {
public:
    using Handler = std::function<void()>;
    using Observer = std::function<void(const Control&, Property)>;

    Form();

    bool has(std::string_view name) const;
    const Control& control(std::string_view name) const;
    // Every control and menu entry in design order (parents before children).
    const std::vector<std::string>& names() const { return order_; }

    const std::string& text(std::string_view name) const { return control(name).text; }
    void setText(std::string_view name, const std::string& text);
    const std::string& caption(std::string_view name) const { return control(name).caption; }
    void setCaption(std::string_view name, const std::string& caption);
    void setTooltip(std::string_view name, const std::string& tooltip);
    std::optional<Colour> backColour(std::string_view name) const { return control(name).backColour; }
    void setBackColour(std::string_view name, Colour colour);
    void setVisible(std::string_view name, bool visible);
    // Position and size in twips.
    void setGeometry(std::string_view name, int left, int top, int width, int height);
    void setEnabled(std::string_view name, bool enabled);

    int value(std::string_view name) const { return control(name).value; }
    // Refuses a position outside the range (returns false); a new position raises change.
    bool setValue(std::string_view name, int value);
    // The thumb is being dragged: the position follows and scroll is raised, change
    // only when the drag ends (setValue or endDrag).
    void dragTo(std::string_view name, int value);
    void endDrag(std::string_view name);

    bool timerEnabled(std::string_view name) const { return control(name).timerEnabled; }
    int timerInterval(std::string_view name) const { return control(name).interval; }
    void setTimerEnabled(std::string_view name, bool enabled);
    void setTimerInterval(std::string_view name, int interval);
    // An interval with a fraction, a first tick of its own and an anchor timer (see Control).
    void setTimerCycle(std::string_view name, int interval, double period, double firstTick,
                       std::string_view anchor = {});

    void click(std::string_view name);
    void tick(std::string_view name);

    // Each event has one handler. Binding a second one throws (two handlers
    // bound to one control is a wiring fault, and the first would be lost
    // silently), unless the caller asks to replace it.
    enum class Bind { once, replace };
    void onClick(std::string_view name, Handler handler, Bind bind = Bind::once);
    void onChange(std::string_view name, Handler handler, Bind bind = Bind::once);
    void onScroll(std::string_view name, Handler handler, Bind bind = Bind::once);
    void onTimer(std::string_view name, Handler handler, Bind bind = Bind::once);
    void addObserver(Observer observer);

    // While a modal dialog is open no timer handler may run. Each beginModal()
    // has its endModal(); a dialog is shown inside a ModalScope, which ends it
    // even when the dialog throws.
    void beginModal() { ++modalDepth_; }
    void endModal();
    class ModalScope {
    public:
        explicit ModalScope(Form& form) : form_(form) { form_.beginModal(); }
        ~ModalScope() { form_.endModal(); }
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;

    private:
        Form& form_;
    };
    bool inModal() const { return modalDepth_ > 0; }
    void onModalEnd(Handler handler) { modalEnd_ = std::move(handler); }

private:
    struct Entry {
        Control control;
        Handler click, change, scroll, timer;
        bool dragging = false;
        int dragStart = 0;
    };

    Entry& entry(std::string_view name);
    const Entry& entry(std::string_view name) const;
    void notify(const Entry& e, Property property);
    template <typename T>
    void assign(std::string_view name, T Control::*member, T value, Property property)
    {
        Entry& e = entry(name);
        e.control.*member = std::move(value);
        notify(e, property);
    }
    // Tells the observers only when the value really changes; says whether it did.
    template <typename T>
    bool assignIfChanged(std::string_view name, T Control::*member, const T& value, Property property)
    {
        Entry& e = entry(name);
        if (e.control.*member == value)
            return false;
        e.control.*member = value;
        notify(e, property);
        return true;
    }
    static void raise(const Handler& handler)
    {
        if (handler)
            handler();
    }

    std::map<std::string, Entry, std::less<>> entries_;
    std::vector<std::string> order_;
    std::vector<Observer> observers_;
    int modalDepth_ = 0;
    Handler modalEnd_;
};

} // namespace aurelith
