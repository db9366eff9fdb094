// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Form.h"

#include "core/Contract.h"
#include "ui/LayoutTable.h"

#include <stdexcept>

namespace aurelith {

Form::Form()
{
    for (int i = 0; i < kLayoutCount; ++i) {
        const ControlDef& def = kLayout[i];
        Entry e;
        Control& c = e.control;
        c.name = def.name;
        c.kind = def.kind;
        c.parent = def.parent;
        c.left = def.left;
        c.top = def.top;
        c.width = def.width;
        c.height = def.height;
        if (def.kind == ControlKind::TextBox)
            c.text = def.caption;
        else
            c.caption = def.caption;
        c.tooltip = def.tooltip;
        order_.push_back(c.name);
        entries_.emplace(c.name, std::move(e));
    }
    for (int i = 0; i < kScrollBarCount; ++i) {
        Control& c = entry(kScrollBars[i].name).control;
        c.min = kScrollBars[i].min;
        c.max = kScrollBars[i].max;
        c.smallChange = kScrollBars[i].smallChange;
        c.largeChange = kScrollBars[i].largeChange;
        c.value = kScrollBars[i].value;
    }
    for (int i = 0; i < kReadOnlyCount; ++i)
        entry(kReadOnlyBoxes[i]).control.readOnly = true;
    for (int i = 0; i < kTimerCount; ++i) {
        Control& c = entry(kTimers[i].name).control;
        c.timerEnabled = kTimers[i].enabled;
        c.interval = kTimers[i].interval;
        c.period = c.firstTick = c.interval;
    }
}

bool Form::has(std::string_view name) const { return entries_.find(name) != entries_.end(); }

Form::Entry& Form::entry(std::string_view name)
{
    auto it = entries_.find(name);
    if (it == entries_.end())
        throw std::out_of_range("no control named " + std::string(name));
    return it->second;
}

const Form::Entry& Form::entry(std::string_view name) const { return const_cast<Form*>(this)->entry(name); }

const Control& Form::control(std::string_view name) const { return entry(name).control; }

void Form::notify(const Entry& e, Property property)
{
    for (const Observer& observer : observers_)
        observer(e.control, property);
}

void Form::setText(std::string_view name, const std::string& text)
{
    if (assignIfChanged(name, &Control::text, text, Property::Text))
        raise(entry(name).change);
}

void Form::setCaption(std::string_view name, const std::string& caption)
{
    assignIfChanged(name, &Control::caption, caption, Property::Caption);
}

void Form::setTooltip(std::string_view name, const std::string& tooltip)
{
    assign(name, &Control::tooltip, tooltip, Property::Tooltip);
}

void Form::setBackColour(std::string_view name, Colour colour)
{
    Entry& e = entry(name);
    e.control.backColour = colour & 0xFFFFFF;
    notify(e, Property::BackColour);
}

void Form::setVisible(std::string_view name, bool visible)
{
    assign(name, &Control::visible, visible, Property::Visible);
}

void Form::setGeometry(std::string_view name, int left, int top, int width, int height)
{
    Entry& e = entry(name);
    Control& c = e.control;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    notify(e, Property::Geometry);
}

void Form::setEnabled(std::string_view name, bool enabled)
{
    assign(name, &Control::enabled, enabled, Property::Enabled);
}

bool Form::setValue(std::string_view name, int value)
{
    Entry& e = entry(name);
    Control& c = e.control;
    if (value < c.min || value > c.max)
        return false;
    const int before = e.dragging ? e.dragStart : c.value;
    e.dragging = false;
    const bool moved = c.value != value;
    c.value = value;
    if (moved)
        notify(e, Property::Value);
    if (value != before)
        raise(e.change);
    return true;
}

void Form::dragTo(std::string_view name, int value)
{
    Entry& e = entry(name);
    Control& c = e.control;
    if (value < c.min || value > c.max)
        return;
    if (!e.dragging) {
        e.dragging = true;
        e.dragStart = c.value;
    }
    c.value = value;
    raise(e.scroll);
}

void Form::endDrag(std::string_view name)
{
    Entry& e = entry(name);
    if (e.dragging)
        setValue(name, e.control.value);
}

void Form::setTimerEnabled(std::string_view name, bool enabled)
{
    assign(name, &Control::timerEnabled, enabled, Property::Timer);
}

void Form::setTimerInterval(std::string_view name, int interval) { setTimerCycle(name, interval, interval, interval); }

void Form::setTimerCycle(std::string_view name, int interval, double period, double firstTick, std::string_view anchor)
{
    Entry& e = entry(name);
    Control& c = e.control;
    c.interval = interval;
    c.period = period;
    c.firstTick = firstTick;
    c.anchor = anchor;
    notify(e, Property::Timer);
}

void Form::click(std::string_view name) { raise(entry(name).click); }
void Form::tick(std::string_view name) { raise(entry(name).timer); }

namespace {

void bindHandler(Form::Handler& slot, Form::Handler handler, Form::Bind bind, std::string_view name, const char* event)
{
    if (slot && bind == Form::Bind::once)
        throw std::logic_error(std::string(name) + " already has a " + event + " handler");
    slot = std::move(handler);
}

} // namespace

void Form::onClick(std::string_view name, Handler handler, Bind bind)
{
    bindHandler(entry(name).click, std::move(handler), bind, name, "click");
}
void Form::onChange(std::string_view name, Handler handler, Bind bind)
{
    bindHandler(entry(name).change, std::move(handler), bind, name, "change");
}
void Form::onScroll(std::string_view name, Handler handler, Bind bind)
{
    bindHandler(entry(name).scroll, std::move(handler), bind, name, "scroll");
}
void Form::onTimer(std::string_view name, Handler handler, Bind bind)
{
    bindHandler(entry(name).timer, std::move(handler), bind, name, "timer");
}
void Form::addObserver(Observer observer) { observers_.push_back(std::move(observer)); }

void Form::endModal()
{
    // An unmatched end would let the held timer ticks run under a dialog still open.
    AURELITH_VERIFY(modalDepth_ > 0 && "endModal() without beginModal()") { return; }
    if (--modalDepth_ == 0)
        raise(modalEnd_);
}

} // namespace aurelith
