// SPDX-License-Identifier: GPL-3.0-or-later
// The real window, rendered offscreen: every control where the layout puts it,
// and user actions reaching the handlers.
#include "shell/Startup.h"
#include "platform/QtDialogs.h"
#include "support/AudioAnalysis.h"
#include "support/WindowRig.h"
#include "ui/ControlNames.h"
#include "ui/LayoutTable.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <fstream>

using namespace aurelith;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget* w, int& count) : count_(count) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count_;
        return false;
    }

private:
    int& count_;
};

class WindowTest : public QObject {
    Q_OBJECT

private:
    using Rig = test::WindowRig<QtDialogs>;

    // However the window paints a back colour, the widget shows it.
    static bool showsColour(QWidget* w, const QColor& colour)
    {
        const QImage image = w->grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2) == colour;
    }

    static QString caption(QWidget* w)
    {
        if (auto* box = qobject_cast<QGroupBox*>(w))
            return box->title();
        if (auto* button = qobject_cast<QPushButton*>(w))
            return button->text();
        if (auto* label = qobject_cast<QLabel*>(w))
            return label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            return edit->text();
        return {};
    }

private slots:
    void everyControlWhereTheLayoutPutsIt()
    {
        Rig rig;
        QCOMPARE(rig.window->windowTitle(), QString(kWindowCaption));
        QCOMPARE(rig.window->clientArea()->size(), QSize(792, 530));
        int controls = 0;
        for (int i = 0; i < kLayoutCount; ++i) {
            const ControlDef& def = kLayout[i];
            if (def.kind == ControlKind::Menu || def.kind == ControlKind::MenuItem || def.kind == ControlKind::Timer)
                continue;
            ++controls;
            QWidget* w = rig.window->widget(std::string(def.name));
            QVERIFY2(w, def.name.data());
            const QWidget* expectedParent = !def.parent.empty() ? rig.window->widget(std::string(def.parent))
                                                                : rig.window->clientArea();
            QCOMPARE(w->parentWidget(), expectedParent);
            const auto px = [](int twips) { return (twips + 7) / 15; };
            QCOMPARE(w->geometry(), QRect(px(def.left), px(def.top), px(def.width), px(def.height)));
            QCOMPARE(caption(w), QString(def.caption));
            QCOMPARE(w->toolTip(), QString(def.tooltip));
            QVERIFY2(w->isVisible(), def.name.data());
        }
        QVERIFY(controls > 140); // each one as the layout table has it; LayoutTest checks the table
    }

    void startAndStopSitOnTopOfTheButtonPanel()
    {
        Rig rig;
        QWidget* client = rig.window->clientArea();
        for (const char* name : {"cmdGenerate", "cmdStop"}) {
            QWidget* button = rig.window->widget(name);
            const QPoint centre = button->mapTo(client, button->rect().center());
            QCOMPARE(client->childAt(centre), button);
        }
    }

    void menusHoldTheirItemsInOrder()
    {
        Rig rig;
        const QList<QAction*> menus = rig.window->menuBar()->actions();
        QStringList titles;
        for (QAction* a : menus)
            titles << a->text();
        QCOMPARE(titles, QStringList({"&Freqs", "&Options", "&Color", "&Speeds", "&Freq Sets", "&ScanTime", "&About",
                                      "&Help", "&Exit"}));
        QStringList options;
        for (QAction* a : rig.window->menu(ctl::mnuOptions)->actions())
            options << a->text();
        // The designed items first, in their order; newer ones follow them.
        QCOMPARE(options.mid(0, 10), QStringList({"&Sound ON", "&Sound OFF", "&Color ON", "&Color OFF", "&Mixer",
                                                  "&Recorder", "&Def Prg", "&Rebuild", "&RevChan", "&DxDiag"}));
        const QList<QAction*> freqs = rig.window->menu(ctl::mnuFreqs)->actions();
        QCOMPARE(freqs.size(), 20);
        QCOMPARE(freqs.first()->text(), QString("&L Delta"));
        QCOMPARE(freqs.last()->text(), QString("&U Gama"));
        QCOMPARE(rig.window->menu(ctl::mnuScanTime)->actions().last()->text(), QString("&Custom"));
        // Every menu shows exactly the Form's items, in order.
        for (const std::string_view menu :
             {ctl::mnuFreqs, ctl::mnuOptions, ctl::mnuColour, ctl::mnuSpeeds, ctl::mnuFreqSets, ctl::mnuScanTime,
              ctl::mnuAbout, ctl::mnuHelp, ctl::mnuExitMenu}) {
            QStringList shown, designed;
            for (QAction* a : rig.window->menu(menu)->actions())
                shown << a->objectName() + " " + a->text();
            for (const std::string& name : rig.form.names())
                if (rig.form.control(name).kind == ControlKind::MenuItem && rig.form.control(name).parent == menu)
                    designed << QString::fromStdString(name + " " + rig.form.control(name).caption);
            QCOMPARE(shown, designed);
        }
    }

    void draggingTheThumbMovesTheSoundAndTheDisplayFollowsOnRelease()
    {
        Rig rig;
        auto* bar = qobject_cast<QScrollBar*>(rig.window->widget("scrBalance"));
        auto* display = qobject_cast<QLineEdit*>(rig.window->widget(ctl::txtBalance));
        int scrolls = 0;
        rig.form.onScroll(
            ctl::scrBalance, [&] { ++scrolls; }, Form::Bind::replace);
        bar->setSliderDown(true);
        bar->setSliderPosition(3000);
        bar->setSliderPosition(2000);
        QCOMPARE(scrolls, 2);
        QCOMPARE(rig.form.value(ctl::scrBalance), 2000);
        QCOMPARE(display->text(), QString(""));
        bar->setSliderDown(false);
        QCOMPARE(display->text(), QString("2000"));
        QCOMPARE(bar->value(), 2000);
    }

    void levelDisplaysCannotBeTypedInto()
    {
        Rig rig;
        for (const std::string_view name : {ctl::txtToneVol, ctl::txtBalance, ctl::txtMaskVol, ctl::txtBaseFreqBar})
            QVERIFY2(qobject_cast<QLineEdit*>(rig.window->widget(name))->isReadOnly(), name.data());
        QVERIFY(!qobject_cast<QLineEdit*>(rig.window->widget(ctl::txtBaseFreq))->isReadOnly());
    }

    void theCloseBoxSavesNothing()
    {
        Rig rig;
        const std::string before = "-3000,5000,0,160\r\n";
        test::writeBytes(rig.folder / "vols", before);
        qobject_cast<QScrollBar*>(rig.window->widget("scrToneVol"))->setValue(-100);
        QCOMPARE(rig.form.value(ctl::scrToneVol), -100);
        QVERIFY(rig.window->close());
        QCOMPARE(test::readBytes(rig.folder / "vols"), before);
        QVERIFY(!rig.app->quitRequested);
    }

    void clicksAndTypingReachTheHandlers()
    {
        Rig rig;
        auto* left = qobject_cast<QLineEdit*>(rig.window->widget("txtSetFreq1"));
        QTest::mouseClick(rig.window->widget(ctl::cmdMAlpha), Qt::LeftButton);
        QCOMPARE(left->text(), QString("160"));
        QCOMPARE(qobject_cast<QLineEdit*>(rig.window->widget("txtsetfreq2"))->text(), QString("170"));
        QCOMPARE(qobject_cast<QLineEdit*>(rig.window->widget(ctl::txtBeat))->text(), QString("10"));

        left->clear();
        rig.form.setText(ctl::txtSetFreq1, "");
        QTest::keyClicks(left, "222.5");
        QCOMPARE(rig.app->state.tone.leftFreq, 222.5);

        auto* volume = qobject_cast<QScrollBar*>(rig.window->widget("scrToneVol"));
        volume->triggerAction(QAbstractSlider::SliderSingleStepAdd); // a click on the right arrow
        QCOMPARE(rig.form.value(ctl::scrToneVol), -2950);
        QCOMPARE(qobject_cast<QLineEdit*>(rig.window->widget(ctl::txtToneVol))->text(), QString("2050"));

        rig.window->action(ctl::mnuReverseChannels)->trigger();
        QCOMPARE(left->text(), QString("170"));
    }

    // Back colours come through the palette: what is drawn is the colour asked for.
    void lampsAndTheFlashSurfaceShowTheirColour()
    {
        Rig rig;
        rig.form.setBackColour(ctl::lampSound, 255);
        QWidget* lamp = rig.window->widget(ctl::lampSound);
        QVERIFY(lamp->styleSheet().isEmpty());
        QVERIFY(showsColour(lamp, QColor(255, 0, 0)));

        QWidget* surface = rig.window->widget(ctl::txtFlashSurface);
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        int paints = 0;
        PaintCounter counter(surface, paints);
        rig.form.setBackColour(ctl::txtFlashSurface, 0xFF0000); // blue
        QCOMPARE(paints, 1);                                    // painted before the Form call returned, not queued
        const QImage image = surface->grab().toImage();
        QCOMPARE(image.pixelColor(10, 10), QColor(0, 0, 255));
    }

    // "FullScrn" hides every other panel and enlarges the stimulation panel;
    // "&1/2 Screen" puts everything back where the design has it.
    void fullAndHalfWindowLayouts()
    {
        Rig rig;
        const auto px = [](int twips) { return (twips + 7) / 15; };
        QTest::mouseClick(rig.window->widget(ctl::cmdFullScreen), Qt::LeftButton);
        QWidget* panel = rig.window->widget(ctl::fraStimulation);
        QCOMPARE(panel->geometry(), QRect(px(100), px(60), px(11655), px(7600)));
        QCOMPARE(rig.window->widget(ctl::txtFlashSurface)->geometry(), QRect(px(120), px(240), px(11415), px(7200)));
        for (const std::string_view frame :
             {ctl::fraChannels, ctl::fraToneVol, ctl::fraColourRatio, ctl::fraStrobeTiming, ctl::fraBalance,
              ctl::fraButtons, ctl::fraMaskVol, ctl::fraBrainwave, ctl::fraBaseFreq, ctl::fraBaseBeat, ctl::fraLevels,
              ctl::fraMaskBase, ctl::fraStimColour, ctl::fraBackColour, ctl::fraColourSets, ctl::fraMode})
            QVERIFY2(!rig.window->widget(frame)->isVisible(), frame.data());
        // The controls on the window itself stay usable above the panel.
        QWidget* client = rig.window->clientArea();
        for (const char* name : {"cmdStop", "txtSetFreq1"}) {
            QWidget* w = rig.window->widget(name);
            QCOMPARE(client->childAt(w->mapTo(client, w->rect().center())), w);
        }

        rig.window->action(ctl::mnuHalfScreen)->trigger();
        for (int i = 0; i < kLayoutCount; ++i) {
            const ControlDef& def = kLayout[i];
            QWidget* w = rig.window->widget(std::string(def.name));
            if (!w)
                continue;
            QCOMPARE(w->geometry(), QRect(px(def.left), px(def.top), px(def.width), px(def.height)));
            QVERIFY2(w->isVisible(), def.name.data());
        }
    }

    // A recalled memory is what the boxes show, the lamp says and the ears hear.
    void defaultMemoryRecalledByClicks()
    {
        Rig rig;
        std::ofstream(rig.folder / "fctl") << "1\r\n";
        std::ofstream(rig.folder / "vols") << "-600,5000,0,160\r\n";
        std::ofstream(rig.folder / "oncol") << "255\r\n";
        QVERIFY(startUp(*rig.app));
        QTest::mouseClick(rig.window->widget(ctl::cmdDefaultMemories), Qt::LeftButton);
        QTest::mouseClick(rig.window->widget(ctl::cmdRecallA), Qt::LeftButton);
        QCOMPARE(qobject_cast<QLineEdit*>(rig.window->widget("txtSetFreq1"))->text(), QString("78.3"));
        QCOMPARE(qobject_cast<QLineEdit*>(rig.window->widget("txtsetfreq2"))->text(), QString("86.13"));
        QCOMPARE(qobject_cast<QLineEdit*>(rig.window->widget(ctl::txtBeat))->text(), QString("7.83"));
        QVERIFY(showsColour(rig.window->widget(ctl::lampSound), QColor(255, 0, 0)));

        const int rate = MixerSoundSystem::kOfflineRate;
        std::vector<float> heard(static_cast<size_t>(rate) * 4 * 2);
        rig.sound.render(heard.data(), rate * 4);
        QVERIFY(std::abs(measureFrequency(channel(heard, 1), rate, 78.3) - 78.3) < 0.01);
        QVERIFY(std::abs(measureFrequency(channel(heard, 0), rate, 86.13) - 86.13) < 0.01);
    }

    void outOfRangeShowsAMessageThatCanBeAnswered()
    {
        Rig rig;
        rig.form.setText(ctl::txtSetFreq1, "9");
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(rig.window->widget("cmdGenerate"), Qt::LeftButton);
        QCOMPARE(seen, QString("Frequency must be within 10 to 15600 Hz range."));
        QVERIFY(!rig.form.inModal());
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
