// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AccessibleNames.h"

#include "app/ModePanel.h"
#include "platform/ColourBox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QScrollBar>

#include <algorithm>
#include <optional>
#include <vector>

namespace aurelith {
namespace {

struct Rect {
    int left, top, width, height;
    bool contains(int x, int y) const { return x >= left && x < left + width && y >= top && y < top + height; }
};

// In window twips: a child's place counts from its parent's.
Rect onWindow(const Form& form, const Control& c)
{
    Rect r{c.left, c.top, c.width, c.height};
    for (const Control* p = &c; !p->parent.empty();) {
        p = &form.control(p->parent);
        r.left += p->left;
        r.top += p->top;
    }
    return r;
}

// Runs of spaces in designed captions are layout, not words.
std::string words(const std::string& text)
{
    std::string out;
    for (const char ch : text) {
        if (ch == '&')
            continue;
        if (ch == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += ch;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// The captioned frame a control shows in: its own parent, or for a control
// placed on the window the smallest frame under its middle.
const Control* shownIn(const Form& form, const Control& c)
{
    if (!c.parent.empty())
        return &form.control(c.parent);
    const Rect r = onWindow(form, c);
    const Control* best = nullptr;
    for (const std::string& name : form.names()) {
        const Control& f = form.control(name);
        if (f.kind != ControlKind::Frame || f.caption.empty())
            continue;
        const Rect fr = onWindow(form, f);
        if (fr.contains(r.left + r.width / 2, r.top + r.height / 2) &&
            (!best || fr.width * fr.height < best->width * best->height))
            best = &f;
    }
    return best;
}

// The boxes that show in the same frame, and this one's place among them.
std::string placeAmong(const Form& form, const Control& c, const Control& frame)
{
    std::vector<const Control*> boxes;
    for (const std::string& name : form.names()) {
        const Control& o = form.control(name);
        if (o.kind == ControlKind::TextBox && shownIn(form, o) == &frame)
            boxes.push_back(&o);
    }
    if (boxes.size() < 2)
        return {};
    const Rect me = onWindow(form, c);
    int before = 0;
    for (const Control* o : boxes)
        before += onWindow(form, *o).left < me.left;
    if (boxes.size() == 2)
        return before == 0 ? "left" : "right";
    return std::to_string(before + 1);
}

bool isLamp(const Control& c)
{
    const auto& lamps = modePanel::kLamps;
    return std::find(lamps.begin(), lamps.end(), c.name) != lamps.end();
}

// A lamp's label sits beside it at the same height.
std::optional<std::string> labelBeside(const Form& form, const Control& lamp)
{
    for (const std::string& name : form.names()) {
        const Control& o = form.control(name);
        if (o.kind == ControlKind::Label && o.parent == lamp.parent && o.top == lamp.top)
            return words(o.caption);
    }
    return std::nullopt;
}

class AccessibleColourBox : public QAccessibleWidget {
public:
    AccessibleColourBox(QWidget* box, bool lamp)
        : QAccessibleWidget(box, lamp ? QAccessible::Indicator : QAccessible::Animation)
    {
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (role() == QAccessible::Indicator) {
            s.checkable = true;
            s.checked = widget()->property("lit").toBool();
        }
        s.readOnly = true;
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return static_cast<ColourBox*>(widget())->colour().name();
        return QAccessibleWidget::text(t);
    }
};

// A level bar reports what the box under it shows (the volumes' 0 ... 5000),
// not its inner attenuation.
class AccessibleLevelBar : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleLevelBar(QScrollBar* bar) : QAccessibleWidget(bar, QAccessible::ScrollBar) {}
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(shown(bar()->value()));
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return shown(bar()->value()); }
    void setCurrentValue(const QVariant& value) override { bar()->setValue(value.toInt() - offset()); }
    QVariant maximumValue() const override { return shown(bar()->maximum()); }
    QVariant minimumValue() const override { return shown(bar()->minimum()); }
    QVariant minimumStepSize() const override { return bar()->singleStep(); }

private:
    QScrollBar* bar() const { return static_cast<QScrollBar*>(widget()); }
    int offset() const { return bar()->property(kShownOffset).toInt(); }
    int shown(int position) const { return position + offset(); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("QScrollBar") && object && object->property(kShownOffset).isValid())
        return new AccessibleLevelBar(static_cast<QScrollBar*>(object));
    if (className != QLatin1String("aurelith::ColourBox") || !object || !object->isWidgetType())
        return nullptr;
    auto* box = static_cast<QWidget*>(object);
    return new AccessibleColourBox(box, box->property("lamp").toBool());
}

} // namespace

std::string accessibleName(const Form& form, const Control& c, bool lit)
{
    const Control* frame = shownIn(form, c);
    const std::string frameName = frame ? words(frame->caption) : std::string();
    switch (c.kind) {
    case ControlKind::CommandButton: {
        if (c.caption.empty())
            return words(c.tooltip);
        // Two buttons of one panel captioned alike are told apart by their tips.
        const std::string name = words(c.caption);
        for (const std::string& other : form.names()) {
            const Control& o = form.control(other);
            if (o.name != c.name && o.kind == c.kind && o.parent == c.parent && words(o.caption) == name)
                return name + " (" + words(c.tooltip) + ")";
        }
        return name;
    }
    case ControlKind::Label: return words(c.caption);
    case ControlKind::Frame:
        if (!c.caption.empty())
            return words(c.caption);
        return c.width > c.height * 10 || c.height > c.width * 10 ? "Separator" : "Buttons";
    case ControlKind::HScrollBar: return frameName.empty() ? words(c.tooltip) : frameName;
    case ControlKind::TextBox: {
        if (isLamp(c))
            return labelBeside(form, c).value_or(words(c.tooltip)) + (lit ? " on" : " off");
        if (frameName.empty())
            return words(c.tooltip);
        const std::string place = placeAmong(form, c, *frame);
        return place.empty() ? frameName : frameName + ": " + place;
    }
    default: return {};
    }
}

void installAccessibility()
{
    static const bool installed = (QAccessible::installFactory(accessibleFactory), true);
    (void)installed;
}

void announceLamp(QWidget* lamp, const std::string& name, bool lit)
{
    const bool was = lamp->property("lit").toBool();
    lamp->setProperty("lit", lit);
    lamp->setAccessibleName(QString::fromStdString(name));
    if (was != lit && QAccessible::isActive()) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(lamp, changed);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace aurelith
