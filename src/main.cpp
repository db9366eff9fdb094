#include "app/App.h"
#include "app/DataFolder.h"
#include "shell/Startup.h"
#include "platform/SdlAudioOutput.h"
#include "platform/MainWindow.h"
#include "platform/QtDialogs.h"
#include "platform/QtLauncher.h"
#include "platform/RenderCommand.h"
#include "platform/SignalExit.h"
#include "platform/SingleInstance.h"
#include "sound/MixerSoundSystem.h"
#include "shell/Bindings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QTimer>
#include <clocale>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <unistd.h>

using namespace aurelith;

namespace {

Q_LOGGING_CATEGORY(lcStartup, "aurelith.startup", QtWarningMsg)

// Notes when the window first paints, in wall-clock time, so that start-up can
// be timed from outside from the moment the program was launched.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            timespec now{};
            ::clock_gettime(CLOCK_REALTIME, &now);
            qCInfo(lcStartup) << "first paint at" << now.tv_sec * 1000000000LL + now.tv_nsec << "ns";
            watched->removeEventFilter(this);
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    // Rendering to a file needs no window, no display and no sound device.
    if (wantsRenderCommand(argc, argv))
        return runRenderCommand(argc, argv);
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Aurelith");
    // Qt adopts the user's locale; numbers in boxes and files always use ".".
    std::setlocale(LC_NUMERIC, "C");

    const std::filesystem::path folder = defaultDataFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // Launched commands start in the program's folder too.
    if (error || ::chdir(folder.c_str()) != 0) {
        QMessageBox::critical(nullptr, "Aurelith",
                              QString("Cannot use the folder %1: %2")
                                  .arg(QString::fromStdString(folder.string()),
                                       QString::fromStdString(error ? error.message() : "cannot enter it")));
        return 1;
    }

    SingleInstance instance(folder);
    if (!instance.claim())
        return 0; // the running copy shows its window instead

    Form form;
    SdlAudioOutput output;
    MixerSoundSystem sound(&output);
    QtDialogs dialogs;
    QtLauncher launcher;
    QtTimeOfDay timeOfDay;
    App app(form, sound, dialogs, folder, launcher, timeOfDay);
    bindHandlers(app);

    QElapsedTimer clock;
    clock.start();
    TimerScheduler scheduler(form, [&clock] { return clock.elapsed(); });
    MainWindow window(form, scheduler);
    window.setWindowTitle(kWindowCaption);
    dialogs.setParent(&window);
    FirstPaint firstPaint;
    if (lcStartup().isInfoEnabled())
        window.installEventFilter(&firstPaint);

    app.showWindow = [&window] { window.show(); };
    app.quit = [&window, &qapp] {
        window.hide();
        qapp.quit();
    };
    instance.onRaiseRequest([&window] {
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.show();
        window.raise();
        window.activateWindow();
    });
    // Logout, `kill` and Ctrl+C end the program as the close box does; any
    // modal box open at that moment is left without an answer.
    SignalExit signalExit([&window](int) {
        window.close();
        QApplication::exit(0);
    });
    if (!startUp(app))
        return 1;
    // A lost or idle output is closed here and opened again by the next start.
    QTimer outputCheck;
    QObject::connect(&outputCheck, &QTimer::timeout, [&sound] { sound.checkOutput(); });
    outputCheck.start(1000);
    return qapp.exec();
}
