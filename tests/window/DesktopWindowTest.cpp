// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop sees of the real window (offscreen): accessible names,
// roles and states, and the sleep timer in the title.
#include "app/ModePanel.h"
#include "photic/FlashWarning.h"
#include "platform/ClockedWindow.h"
#include "platform/DesktopDialogs.h"
#include "platform/NoticeStrip.h"
#include "platform/OutputWatch.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "support/FakeOutputClock.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "ui/ControlNames.h"
#include "ui/LayoutTable.h"

#include <QAccessible>
#include <QAbstractButton>
#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QGroupBox>
#include <QtTest>

#include <map>
#include <memory>
#include <set>

using namespace aurelith;

// Counts the timer events the event loop delivers, to any object.
class TimerEventCounter : public QObject {
public:
    TimerEventCounter() { qApp->installEventFilter(this); }
    ~TimerEventCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer)
            woken << watched->metaObject()->className() + QString(" ") + watched->objectName();
        return false;
    }
    QStringList woken;
};

class DesktopWindowTest : public QObject {
    Q_OBJECT

    struct Rig {
        Rig()
        {
            app = std::make_unique<App>(form, sound, dialogs, temp.path);
            bindHandlers(*app);
            clocked.window().setWindowTitle(kWindowCaption);
            clocked.serve(*app);
            startUp(*app);
        }
        MainWindow& window() { return clocked.window(); }
        QAccessibleInterface* accessible(std::string_view name)
        {
            return QAccessible::queryAccessibleInterface(window().widget(std::string(name)));
        }

        test::TempFolder temp;
        Form form;
        MixerSoundSystem sound;
        ScriptedDialogs dialogs;
        std::unique_ptr<App> app;
        ClockedWindow clocked{form};
    };

    // The frame a control shows in: its parent, or for one placed on the window
    // itself, the smallest frame under its middle.
    static QWidget* frameOf(QWidget* w)
    {
        QWidget* parent = w->parentWidget();
        if (qobject_cast<QGroupBox*>(w) || qobject_cast<QGroupBox*>(parent))
            return parent;
        QWidget* best = parent;
        for (auto* frame : parent->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
            if (frame->geometry().contains(w->geometry().center()) &&
                (best == parent || frame->width() * frame->height() < best->width() * best->height()))
                best = frame;
        return best;
    }

private slots:
    void everyControlHasAnAccessibleNameUniqueInItsFrame()
    {
        Rig rig;
        std::map<QWidget*, std::set<QString>> namesIn;
        for (int i = 0; i < kLayoutCount; ++i) {
            const ControlDef& def = kLayout[i];
            if (def.kind == ControlKind::Menu || def.kind == ControlKind::MenuItem || def.kind == ControlKind::Timer)
                continue;
            const QString control = QString::fromUtf8(def.name.data(), def.name.size());
            QAccessibleInterface* a = rig.accessible(def.name);
            QVERIFY2(a, qPrintable(control));
            const QString name = a->text(QAccessible::Name);
            QVERIFY2(!name.trimmed().isEmpty(), qPrintable(control));
            QVERIFY2(!name.contains('&'), qPrintable(control));
            QVERIFY2(namesIn[frameOf(rig.window().widget(std::string(def.name)))].insert(name).second,
                     qPrintable(control + " is named like another in its frame: " + name));
            QCOMPARE(a->text(QAccessible::Description), QString::fromStdString(rig.form.control(def.name).tooltip));
        }
        // The left box lies on the window but shows in the frequency frame.
        const QString frame = QString::fromStdString(rig.form.caption(ctl::fraChannels));
        for (const auto box : {ctl::txtSetFreq1, ctl::txtsetfreq2})
            QVERIFY(rig.accessible(box)->text(QAccessible::Name).startsWith(frame));
    }

    void lampsAndTheFlashSurfaceReportRoleAndState()
    {
        Rig rig;
        QAccessibleInterface* sound = rig.accessible(modePanel::kSoundLamp);
        QCOMPARE(sound->role(), QAccessible::Indicator);
        QCOMPARE(rig.accessible(ctl::txtFlashSurface)->role(), QAccessible::Animation);
        QVERIFY(!sound->state().checked);
        const QString off = sound->text(QAccessible::Name);
        rig.form.click(ctl::cmdGenerate); // "Start"
        QVERIFY(sound->state().checked);
        QVERIFY(sound->text(QAccessible::Name) != off);
        QVERIFY(sound->text(QAccessible::Name).endsWith("on"));
        rig.form.click(ctl::cmdStop);
        QVERIFY(!sound->state().checked);
        QCOMPARE(sound->text(QAccessible::Name), off);
        rig.form.setBackColour(ctl::txtFlashSurface, 0x0000FF);
        QCOMPARE(rig.accessible(ctl::txtFlashSurface)->text(QAccessible::Value), QColor(Qt::red).name());
    }

    // Each level bar reads as the box under it shows it, at the first run's
    // levels and after a move; the lamps are indicators.
    void levelBarsReportTheirValuesAsShownAndLampsAreIndicators()
    {
        Rig rig;
        for (const auto& [bar, box] :
             {std::pair{ctl::scrToneVol, ctl::txtToneVol}, std::pair{ctl::scrBalance, ctl::txtBalance},
              std::pair{ctl::scrMaskVol, ctl::txtMaskVol}}) {
            QAccessibleInterface* a = rig.accessible(bar);
            QVERIFY(a && a->valueInterface());
            const Control& c = rig.form.control(bar);
            for (const int position : {c.value, c.min + c.largeChange}) {
                rig.form.setValue(bar, position);
                const QString shown = QString::fromStdString(rig.form.text(box));
                QCOMPARE(a->valueInterface()->currentValue().toString(), shown);
                QCOMPARE(a->text(QAccessible::Value), shown);
            }
            QCOMPARE(a->valueInterface()->maximumValue().toInt() - a->valueInterface()->minimumValue().toInt(),
                     c.max - c.min);
            QVERIFY(a->valueInterface()->minimumValue().toInt() >= 0);
        }
        for (const auto lamp : modePanel::kLamps)
            QCOMPARE(rig.accessible(lamp)->role(), QAccessible::Indicator);
    }

    // With a box focused, after the strobe and the sound ran and stopped.
    void anIdleWindowWakesNoTimer()
    {
        Rig rig;
        rig.window().activateWindow();
        rig.window().widget(std::string(ctl::txtsetfreq2))->setFocus();
        rig.form.click(ctl::cmdGenerate);
        rig.dialogs.answerConfirm(true); // "Flash"
        rig.form.click(ctl::cmdColourOn);
        QTest::qWait(300);
        rig.form.click(ctl::cmdColourOff);
        rig.form.click(ctl::cmdStop);
        QTest::qWait(200);
        TimerEventCounter counter;
        QTest::qWait(10000);
        QVERIFY2(counter.woken.isEmpty(), qPrintable(counter.woken.join(", ")));
    }

    // The output's check runs while it is open, from the start, and ends with it.
    void theOutputIsCheckedOnlyWhileOpen()
    {
        test::ScriptedOutput output;
        MixerSoundSystem mixer(&output);
        OutputWatch sound(mixer, 10);
        std::string error;
        QVERIFY(sound.createDevice(error));
        QVERIFY(sound.checking());
        output.state = AudioOutput::Health::Idle;
        QTRY_VERIFY(!sound.checking());
        QVERIFY(!mixer.outputOpen());
        output.state = AudioOutput::Health::Playing;
        sound.createBuffer("/nonexistent/mask2.wav"); // "Start" opens it again, found or not
        QCOMPARE(output.asked.size(), 2u);
        QVERIFY(sound.checking());
    }

    // The light's offset from the beat is logged every few seconds, not at every flash.
    void theLightsOffsetIsLoggedNowAndThen()
    {
        static QStringList lines;
        lines.clear();
        QLoggingCategory::setFilterRules("aurelith.audio.info=true");
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& c, const QString& m) {
                if (QByteArray(c.category) == "aurelith.audio")
                    lines << m;
            });
        test::ScriptedOutput output;
        MixerSoundSystem mixer(&output);
        OutputWatch sound(mixer);
        for (const double offset : {1.5, -7.25, 2.0})
            sound.notePaintedOnset(offset);
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules("");
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains("1.5 ms"), qPrintable(lines[0]));
    }

    void escStopsTheStrobeInTheHalfAndTheFullLayout()
    {
        Rig rig;
        rig.app->files.write(dataFile::kFlashAnswer, {Value(1)});
        rig.window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window()));
        for (const bool full : {false, true}) {
            if (full)
                rig.form.click(ctl::cmdFullScreen);
            rig.form.click(ctl::cmdColourOn);
            QVERIFY(rig.form.timerEnabled(ctl::tmrStim));
            QTest::keyClick(rig.window().widget(std::string(ctl::txtSetFreq1)), Qt::Key_Escape);
            QVERIFY(!rig.form.timerEnabled(ctl::tmrStim) && !rig.form.timerEnabled(ctl::tmrBack));
            QCOMPARE(rig.form.backColour(modePanel::kStrobeLamp), rig.app->state.strobe.lampOffColour.colour());
        }
    }

    // A notice is shown inside the window: nothing modal, the focus stays, Esc still stops the strobe.
    void aNoticeHoldsNothingUpAndGentleLightPaintsBetweenTheTwoColours()
    {
        Rig rig;
        rig.app->files.write(dataFile::kFlashAnswer, {Value(1)});
        rig.window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window()));
        std::set<Colour> shown;
        rig.form.addObserver([&](const Control& c, Property p) {
            if (c.name == ctl::txtFlashSurface && p == Property::BackColour)
                shown.insert(*c.backColour);
        });
        rig.form.click(ctl::optGentle);
        rig.form.click(ctl::cmdColourOn); // white and black at 6 Hz
        DesktopDialogs desktop;
        desktop.setWindow(&rig.window());
        desktop.notice("15 to 25 flashes a second is the most provocative range.", "Color Strobe Notice");
        auto* strip = rig.window().findChild<NoticeStrip*>();
        QVERIFY(strip && strip->isVisible() && strip->text().contains("provocative"));
        QVERIFY(!QApplication::activeModalWidget());
        QTest::qWait(400);
        QVERIFY2(shown.size() >= 6, qPrintable(QString("%1 colours").arg(shown.size())));
        QTest::keyClick(rig.window().widget(std::string(ctl::txtSetFreq1)), Qt::Key_Escape);
        QVERIFY(!rig.form.timerEnabled(ctl::tmrStim));
    }

    // Enter, as a hasty reader presses it, answers Cancel.
    void theWarningBoxOffersFlashAndCancelWithCancelTheDefault()
    {
        DesktopDialogs dialogs;
        QStringList buttons;
        QTimer::singleShot(0, [&buttons] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton* b : box->buttons())
                buttons << b->text().remove('&');
            QVERIFY(box->defaultButton() && box->defaultButton()->text().remove('&') == "Cancel");
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!dialogs.askToFlash(flashWarningText(10), "Warning"));
        buttons.sort();
        QCOMPARE(buttons, QStringList({"Cancel", "Flash"}));
    }

    void theSleepTimerShowsItsMinutesAfterTheCaption()
    {
        Rig rig;
        rig.form.click(ctl::cmdGenerate);
        rig.dialogs.answerInput("25");
        rig.form.click(ctl::optSleep);
        const QString title = rig.window().windowTitle();
        QVERIFY(title.startsWith(kWindowCaption));
        QVERIFY(title.mid(QString(kWindowCaption).size()).contains("25"));
        rig.form.click(ctl::cmdStop);
        QCOMPARE(rig.window().windowTitle(), QString(kWindowCaption));
    }
};

QTEST_MAIN(DesktopWindowTest)
#include "DesktopWindowTest.moc"
