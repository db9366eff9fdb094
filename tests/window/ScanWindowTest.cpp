// The scanner in the real window, on the real clock: what the ears get while
// a one-second scan runs, rendered by the mixer as the seconds pass.
#include "platform/QtDialogs.h"
#include "scan/ScanWrites.h"
#include "shell/Startup.h"
#include "support/AudioAnalysis.h"
#include "support/WindowRig.h"
#include "ui/ControlNames.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cmath>

using namespace aurelith;

// The real boxes, counted as they open.
class CountingDialogs : public QtDialogs {
public:
    void message(const std::string& text, const std::string& title) override
    {
        ++shown;
        mostOpen = std::max(mostOpen, ++open);
        QtDialogs::message(text, title);
        --open;
    }
    int shown = 0, open = 0, mostOpen = 0;
};

// The program in the real window on the real clock, started with these levels.
struct ScanRig : test::WindowRig<CountingDialogs> {
    explicit ScanRig(const std::string& vols) : WindowRig(realClock(), {{"fctl", "1"}, {"vols", vols}}) {}
    static Clock realClock()
    {
        QElapsedTimer started;
        started.start();
        return [started] { return started.elapsed(); };
    }
};

class ScanWindowTest : public QObject {
    Q_OBJECT

private slots:
    void customOneSecondScanStepsTheHeardBeat()
    {
        // Full separation: channel 1 in the right ear only, channel 2 in the left.
        ScanRig rig("-600,5000,0,160");
        Form& form = rig.form;
        MainWindow& window = *rig.window;
        QVERIFY(startUp(*rig.app));

        for (const auto& [box, hz] : {std::pair{"txtSetFreq1", "200"}, std::pair{"txtsetfreq2", "204"}}) {
            auto* edit = qobject_cast<QLineEdit*>(window.widget(box));
            edit->selectAll();
            QTest::keyClicks(edit, hz);
        }
        QTimer::singleShot(0, [] {
            auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(input);
            input->setTextValue("1000");
            input->accept();
        });
        window.action(ctl::mnuCustomScanTime)->trigger();
        QCOMPARE(rig.app->state.shared.durationMs, 1000.0);
        QTest::mouseClick(window.widget(ctl::cmdScanUp), Qt::LeftButton);

        // A device pulls what has come due; so does this renderer, every few ms.
        const int rate = MixerSoundSystem::kOfflineRate;
        const long total = 5L * rate;
        std::vector<float> heard(2 * static_cast<size_t>(total));
        long rendered = 0;
        QElapsedTimer sinceStart;
        auto renderDue = [&] {
            const long due = std::min(total, static_cast<long>(sinceStart.nsecsElapsed() * rate / 1000000000LL));
            if (due > rendered) {
                rig.sound.render(heard.data() + 2 * rendered, static_cast<int>(due - rendered));
                rendered = due;
            }
        };
        QTimer renderer;
        renderer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&renderer, &QTimer::timeout, renderDue);
        sinceStart.start();
        QTest::mouseClick(window.widget(ctl::cmdScanOn), Qt::LeftButton);
        renderer.start(5);
        while (rendered < total) {
            QTest::qWait(5);
            renderDue();
        }
        renderer.stop();
        QCOMPARE(form.caption(ctl::lblRow3), std::string("SNO"));

        // The middle of each second, clear of the moment the step lands.
        const std::vector<float> left = channel(heard, 0);
        const std::vector<float> right = channel(heard, 1);
        for (int second = 0; second < 5; ++second) {
            const auto begin = static_cast<long>((second + 0.2) * rate);
            const auto end = static_cast<long>((second + 0.8) * rate);
            const std::vector<float> ch1(right.begin() + begin, right.begin() + end);
            const std::vector<float> ch2(left.begin() + begin, left.begin() + end);
            const double beat = measureFrequency(ch2, rate, 204 + second) - measureFrequency(ch1, rate, 200);
            qInfo("second %d: beat %.4f", second, beat);
            QVERIFY2(std::abs(beat - (4 + second)) < 0.05,
                     qPrintable(QString("second %1: beat %2 Hz").arg(second).arg(beat)));
        }
    }

    // Past 15600 Hz every step shows the range box. While the user takes a
    // second to close it the 300 ms steps wait: one box at a time, and after
    // each only one held step, never a burst of boxes.
    void rangeFaultBoxesComeOneAtATime()
    {
        ScanRig rig("-600,0,0,160");
        Form& form = rig.form;
        App& app = *rig.app;
        CountingDialogs& dialogs = rig.dialogs;
        QVERIFY(startUp(app));
        form.setText("txtSetFreq1", "15599");
        form.setText("txtsetfreq2", "15600");
        ScanWrites::shared(app).durationMs = 300;
        form.click(ctl::cmdScanUp);

        bool hurry = false;
        int seen = 0;
        QElapsedTimer openFor;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (dialogs.shown != seen) {
                seen = dialogs.shown;
                openFor.start();
            }
            if (hurry || openFor.elapsed() >= 1000)
                box->button(QMessageBox::Ok)->click();
        });
        user.start(20);
        form.click(ctl::cmdScanOn);
        QTest::qWait(3500);
        // Boxes opened at about 0.3, 1.3, 2.3 and 3.3 s.
        QVERIFY2(dialogs.shown >= 3 && dialogs.shown <= 5, qPrintable(QString("%1 boxes").arg(dialogs.shown)));
        hurry = true;
        QTest::qWait(100);
        form.click(ctl::cmdScanOff);
        const int shown = dialogs.shown;
        QTest::qWait(700);
        user.stop();
        QCOMPARE(dialogs.mostOpen, 1);
        QCOMPARE(dialogs.shown, shown);
    }
};

QTEST_MAIN(ScanWindowTest)
#include "ScanWindowTest.moc"
