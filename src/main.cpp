#include "app/App.h"
#include "app/DataFolder.h"
#include "shell/Startup.h"
#include "platform/SdlAudioOutput.h"
#include "platform/MainWindow.h"
#include "platform/QtDialogs.h"
#include "platform/QtLauncher.h"
#include "platform/RenderCommand.h"
#include "sound/MixerSoundSystem.h"
#include "shell/Bindings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <clocale>
#include <filesystem>
#include <system_error>
#include <unistd.h>

using namespace aurelith;

int main(int argc, char* argv[])
{
    // Rendering to a file needs no window, no display and no sound device.
    if (wantsRenderCommand(argc, argv))
        return runRenderCommand(argc, argv);
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Aurelith");
    // Qt adopts the user's locale; numbers in boxes and files always use ".".
    std::setlocale(LC_NUMERIC, "C");

    std::error_code error;
    const std::filesystem::path folder = prepareDataFolder(error);
    // Launched commands start in the program's folder too.
    if (error || ::chdir(folder.c_str()) != 0) {
        QMessageBox::critical(nullptr, "Aurelith",
                              QString("Cannot use the folder %1: %2")
                                  .arg(QString::fromStdString(folder.string()),
                                       QString::fromStdString(error ? error.message() : "cannot enter it")));
        return 1;
    }

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

    app.showWindow = [&window] { window.show(); };
    app.quit = [&window, &qapp] {
        window.hide();
        qapp.quit();
    };
    if (!startUp(app))
        return 1;
    return qapp.exec();
}
