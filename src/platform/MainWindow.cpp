// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MainWindow.h"

#include "app/ModePanel.h"
#include "platform/AccessibleNames.h"
#include "platform/ColourBox.h"
#include "tone/LevelControls.h"
#include "ui/ControlNames.h"

#include <QAction>
#include <QGroupBox>
#include <QGuiApplication>
#include <QStyleHints>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>

#include <algorithm>
#include <array>

namespace aurelith {
namespace {

constexpr int kClientWidth = 11880;
constexpr int kClientHeight = 7950;

QColor toQColor(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
QString q(const std::string& s) { return QString::fromStdString(s); }
// The flash surface and the nine lamps of the Mode panel hold no text, only a colour.
bool showsOnlyColour(const std::string& name)
{
    const auto& lamps = modePanel::kLamps;
    return name == ctl::txtFlashSurface || std::find(lamps.begin(), lamps.end(), name) != lamps.end();
}

int px(int twips) { return (twips + MainWindow::kTwipsPerPixel / 2) / MainWindow::kTwipsPerPixel; }

} // namespace

MainWindow::MainWindow(Form& form, TimerScheduler& scheduler) : form_(form), scheduler_(scheduler)
{
    installAccessibility();
    // A steady caret: a blinking one wakes the program twice a second for as
    // long as a box has the focus, playing or not.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    client_ = new QWidget(this);
    client_->setFixedSize(px(kClientWidth), px(kClientHeight));
    // The design packs 57 x 17 pixel buttons; a small font keeps every caption inside.
    QFont small = client_->font();
    small.setPixelSize(10);
    client_->setFont(small);
    client_->setStyleSheet("QPushButton { padding: 0px; }"
                           "QGroupBox { margin-top: 0px; padding: 0px; }"
                           "QGroupBox::title { subcontrol-origin: margin; left: 6px; top: -1px; padding: 0 2px; }"
                           // No background here: back colours come through the palette.
                           "QLineEdit { padding: 0px; border: 1px solid #808080; }");
    setCentralWidget(client_);
    buildControls();
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    form_.addObserver([this](const Control& c, Property p) { mirror(c, p); });

    // Esc stops the strobe at once, as "ColorOff" does, in every layout and
    // wherever the focus is in the window.
    auto* stopStrobe = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    stopStrobe->setContext(Qt::WindowShortcut);
    connect(stopStrobe, &QShortcut::activated, this, [this] { form_.click(ctl::cmdColourOff); });

    tickTimer_.setSingleShot(true);
    tickTimer_.setTimerType(Qt::PreciseTimer);
    connect(&tickTimer_, &QTimer::timeout, this, [this] {
        scheduler_.advance();
        scheduleNextTick();
    });
    scheduler_.onReschedule([this] { scheduleNextTick(); });
    scheduleNextTick();
}

void MainWindow::scheduleNextTick()
{
    const auto due = scheduler_.nextDue();
    if (!due) {
        tickTimer_.stop();
        return;
    }
    const std::int64_t wait = std::clamp<std::int64_t>(*due - scheduler_.now(), 0, 1 << 30);
    tickTimer_.start(static_cast<int>(wait));
}

QWidget* MainWindow::createWidget(const Control& c, QWidget* parent)
{
    switch (c.kind) {
    case ControlKind::Frame: return new QGroupBox(q(c.caption), parent);
    case ControlKind::CommandButton: return new QPushButton(q(c.caption), parent);
    case ControlKind::TextBox: {
        if (showsOnlyColour(c.name)) {
            auto* box = new ColourBox(parent, c.name != ctl::txtFlashSurface);
            box->setProperty("lamp", c.name != ctl::txtFlashSurface);
            return box;
        }
        auto* edit = new QLineEdit(q(c.text), parent);
        edit->setReadOnly(c.readOnly);
        return edit;
    }
    case ControlKind::Label: return new QLabel(q(c.caption), parent);
    case ControlKind::HScrollBar: {
        auto* bar = new QScrollBar(Qt::Horizontal, parent);
        // Before any change is announced: the announcement makes the accessible interface.
        bar->setProperty(kShownOffset, shownLevel(c.name, 0));
        bar->setRange(c.min, c.max);
        bar->setSingleStep(c.smallChange);
        bar->setPageStep(c.largeChange);
        bar->setValue(c.value);
        // Change is raised when the thumb is let go; dragging raises scroll.
        bar->setTracking(false);
        return bar;
    }
    default: return nullptr;
    }
}

void MainWindow::buildControls()
{
    for (const std::string& name : form_.names()) {
        const Control& c = form_.control(name);
        QWidget* parent = c.parent.empty() ? client_ : widget(c.parent);
        if (!parent)
            continue;
        QWidget* w = createWidget(c, parent);
        if (!w)
            continue;
        w->setObjectName(q(c.name));
        w->setFont(client_->font());
        w->setGeometry(px(c.left), px(c.top), px(c.width), px(c.height));
        w->setToolTip(q(c.tooltip));
        w->setAccessibleDescription(q(c.tooltip));
        w->setVisible(c.visible);
        applyBackColour(w, c);
        w->raise();
        widgets_[c.name] = w;
        connectControl(c, w);
    }
    nameControls();
}

void MainWindow::setLampTest(std::function<bool(const Control&)> lit)
{
    lampLit_ = std::move(lit);
    nameControls();
}

void MainWindow::nameControls()
{
    for (const auto& [name, w] : widgets_)
        nameControl(form_.control(name), w);
}

void MainWindow::nameControl(const Control& c, QWidget* w)
{
    const bool lit = lampLit_ && lampLit_(c);
    const std::string name = aurelith::accessibleName(form_, c, lit);
    if (w->property("lamp").toBool())
        announceLamp(w, name, lit);
    else
        w->setAccessibleName(q(name));
}

void MainWindow::connectControl(const Control& c, QWidget* w)
{
    const std::string name = c.name;
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        connect(button, &QPushButton::clicked, this, [this, name] { form_.click(name); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        connect(edit, &QLineEdit::textEdited, this,
                [this, name](const QString& t) { form_.setText(name, t.toStdString()); });
    } else if (auto* bar = qobject_cast<QScrollBar*>(w)) {
        connect(bar, &QScrollBar::sliderMoved, this, [this, name](int v) { form_.dragTo(name, v); });
        connect(bar, &QScrollBar::sliderReleased, this, [this, name] { form_.endDrag(name); });
        connect(bar, &QScrollBar::valueChanged, this, [this, name, bar](int v) {
            if (!bar->isSliderDown())
                form_.setValue(name, v);
        });
    }
}

void MainWindow::buildMenus()
{
    QMenu* current = nullptr;
    for (const std::string& name : form_.names()) {
        const Control& c = form_.control(name);
        if (c.kind == ControlKind::Menu) {
            current = menuBar()->addMenu(q(c.caption));
            current->setObjectName(q(c.name));
            menus_[c.name] = current;
        } else if (c.kind == ControlKind::MenuItem) {
            QMenu* owner = menu(c.parent);
            if (!owner)
                owner = current;
            QAction* a = owner->addAction(q(c.caption));
            a->setObjectName(q(c.name));
            actions_[c.name] = a;
            connect(a, &QAction::triggered, this, [this, name] { form_.click(name); });
        }
    }
}

// By the box's own paint (or the palette), never a style sheet: a style sheet
// re-polishes the widget on every change, too slow and uneven for a strobe.
void MainWindow::applyBackColour(QWidget* w, const Control& c)
{
    if (!c.backColour)
        return;
    const QColor colour = toQColor(*c.backColour);
    if (auto* box = qobject_cast<ColourBox*>(w)) {
        box->showColour(colour);
        return;
    }
    QPalette palette = w->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Button, colour);
    w->setPalette(palette);
    if (!qobject_cast<QLineEdit*>(w))
        w->setAutoFillBackground(true);
}

void MainWindow::mirrorMenu(const Control& c, Property property)
{
    if (QAction* a = action(c.name)) {
        if (property == Property::Caption)
            a->setText(q(c.caption));
        else if (property == Property::Enabled)
            a->setEnabled(c.enabled);
        else if (property == Property::Visible)
            a->setVisible(c.visible);
    } else if (QMenu* m = menu(c.name); m && property == Property::Caption) {
        m->setTitle(q(c.caption));
    }
}

void MainWindow::mirror(const Control& c, Property property)
{
    if (c.kind == ControlKind::MenuItem || c.kind == ControlKind::Menu) {
        mirrorMenu(c, property);
        return;
    }
    // The sequence playing and the sleep timer's time left follow the title.
    if ((c.name == ctl::tmrSequence || c.name == ctl::tmrSleep) && property == Property::Caption) {
        QString title = windowTitle();
        if (title.endsWith(titleSuffix_))
            title.chop(titleSuffix_.size());
        titleSuffix_ = q(form_.caption(ctl::tmrSequence) + form_.caption(ctl::tmrSleep));
        setWindowTitle(title + titleSuffix_);
        return;
    }
    QWidget* w = widget(c.name);
    if (!w)
        return;
    const QSignalBlocker blocker(w);
    switch (property) {
    case Property::Caption:
        if (auto* box = qobject_cast<QGroupBox*>(w))
            box->setTitle(q(c.caption));
        else if (auto* button = qobject_cast<QPushButton*>(w))
            button->setText(q(c.caption));
        else if (auto* label = qobject_cast<QLabel*>(w))
            label->setText(q(c.caption));
        // A frame's or a label's caption names the boxes and lamps beside it.
        if (c.kind == ControlKind::Frame || c.kind == ControlKind::Label)
            nameControls();
        else
            nameControl(c, w);
        break;
    case Property::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->text() != q(c.text))
            edit->setText(q(c.text));
        break;
    case Property::Tooltip:
        w->setToolTip(q(c.tooltip));
        w->setAccessibleDescription(q(c.tooltip));
        break;
    case Property::BackColour:
        applyBackColour(w, c);
        if (c.name != ctl::txtFlashSurface && w->property("lamp").toBool())
            nameControl(c, w);
        break;
    case Property::Visible: w->setVisible(c.visible); break;
    case Property::Enabled: w->setEnabled(c.enabled); break;
    case Property::Value:
        if (auto* bar = qobject_cast<QScrollBar*>(w))
            bar->setValue(c.value);
        break;
    case Property::Geometry: w->setGeometry(px(c.left), px(c.top), px(c.width), px(c.height)); break;
    case Property::Timer: break;
    }
}

QWidget* MainWindow::widget(std::string_view name) const
{
    auto it = widgets_.find(name);
    return it == widgets_.end() ? nullptr : it->second;
}

QAction* MainWindow::action(std::string_view name) const
{
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::menu(std::string_view name) const
{
    auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
}

} // namespace aurelith
