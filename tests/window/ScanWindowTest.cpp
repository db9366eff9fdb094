// The scanner in the real window, on the real clock: what the ears get while
// a one-second scan runs, rendered by the mixer as the seconds pass.
#include "app/App.h"
#include "platform/MainWindow.h"
#include "platform/QtDialogs.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "support/AudioAnalysis.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace aurelith;

class ScanWindowTest : public QObject {
    Q_OBJECT

private slots:
    void customOneSecondScanStepsTheHeardBeat()
    {
        char pattern[] = "/tmp/aurelith-scan-window-XXXXXX";
        const std::filesystem::path folder = ::mkdtemp(pattern);
        // Full separation: channel 1 in the right ear only, channel 2 in the left.
        std::ofstream(folder / "fctl") << "1\r\n";
        std::ofstream(folder / "vols") << "-600,5000,0,160\r\n";

        QElapsedTimer clock;
        clock.start();
        Form form;
        MixerSoundSystem sound;
        QtDialogs dialogs;
        TimerScheduler scheduler(form, [&clock] { return clock.elapsed(); });
        App app(form, sound, dialogs, folder);
        bindHandlers(app);
        MainWindow window(form, scheduler);
        dialogs.setParent(&window);
        window.show();
        QVERIFY(startUp(app));

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
        window.action("st7")->trigger();
        QCOMPARE(app.state.durationMs, 1000.0);
        QTest::mouseClick(window.widget("Command71"), Qt::LeftButton);

        // A device pulls what has come due; so does this renderer, every few ms.
        const int rate = MixerSoundSystem::kOfflineRate;
        const long total = 5L * rate;
        std::vector<float> heard(2 * static_cast<size_t>(total));
        long rendered = 0;
        QElapsedTimer sinceStart;
        auto renderDue = [&] {
            const long due = std::min(total, static_cast<long>(sinceStart.nsecsElapsed() * rate / 1000000000LL));
            if (due > rendered) {
                sound.render(heard.data() + 2 * rendered, static_cast<int>(due - rendered));
                rendered = due;
            }
        };
        QTimer renderer;
        renderer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&renderer, &QTimer::timeout, renderDue);
        sinceStart.start();
        QTest::mouseClick(window.widget("Command73"), Qt::LeftButton);
        renderer.start(5);
        while (rendered < total) {
            QTest::qWait(5);
            renderDue();
        }
        renderer.stop();
        QCOMPARE(form.caption("Label8"), std::string("SNO"));

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
        std::filesystem::remove_all(folder);
    }
};

QTEST_MAIN(ScanWindowTest)
#include "ScanWindowTest.moc"
