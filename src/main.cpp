// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/App.h"
#include "app/DataFileNames.h"
#include "app/DataFolder.h"
#include "shell/Startup.h"
#include "platform/DBusSessionInhibitor.h"
#include "platform/DefaultAudioOutput.h"
#include "platform/MprisService.h"
#include "platform/OutputWatch.h"
#include "platform/ClockedWindow.h"
#include "platform/DesktopDialogs.h"
#include "platform/ColourBox.h"
#include "platform/FlashSurface.h"
#include "platform/QtLauncher.h"
#include "platform/RenderCommand.h"
#include "platform/SequencesWindow.h"
#include "platform/SessionPlayback.h"
#include "platform/SignalExit.h"
#include "platform/SingleInstance.h"
#include "sound/MixerSoundSystem.h"
#include "shell/Bindings.h"
#include "ui/ControlNames.h"

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QMessageBox>
#include <array>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
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

// The manual beside the program that runs: the source tree's copy for a
// program run from its build folder, the installed copy otherwise.
std::filesystem::path findManual()
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path program = fs::canonical("/proc/self/exe", error);
    const fs::path build = fs::weakly_canonical(AURELITH_BUILD_DIR, error);
    const bool fromBuild = !program.empty() && program.parent_path() == build;
    const fs::path source = fs::path(AURELITH_SOURCE_DIR) / "docs" / "manual.html";
    const fs::path installed = (program.parent_path() / AURELITH_DOC_FROM_BIN / "manual.html").lexically_normal();
    for (const fs::path& candidate : fromBuild ? std::array{source, installed} : std::array{installed, source})
        if (fs::is_regular_file(candidate, error))
            return candidate;
    return {};
}

#if AURELITH_SEQUENCE_READERS
// The built-in sequences, found as the manual is.
std::filesystem::path findBuiltInSequences()
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path program = fs::canonical("/proc/self/exe", error);
    const fs::path build = fs::weakly_canonical(AURELITH_BUILD_DIR, error);
    const bool fromBuild = !program.empty() && program.parent_path() == build;
    const fs::path source = fs::path(AURELITH_SOURCE_DIR) / "data" / "sequences";
    const fs::path installed = (program.parent_path() / AURELITH_SEQUENCES_FROM_BIN).lexically_normal();
    for (const fs::path& candidate : fromBuild ? std::array{source, installed} : std::array{installed, source})
        if (fs::is_directory(candidate, error))
            return candidate;
    return {};
}
#endif

void describeApplication()
{
    QApplication::setApplicationName("Aurelith");
    // Docks and task bars find the menu entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(AURELITH_APP_ID));
    // The icon travels inside the program: a theme lookup could pick the SVG,
    // which Qt draws only with an optional plugin.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/aurelith.png")));
    // Qt adopts the user's locale; numbers in boxes and files always use ".".
    std::setlocale(LC_NUMERIC, "C");
}

// Told in the terminal as well: a box may not be seen when no desktop is there.
void refuse(const QString& text)
{
    std::fprintf(stderr, "aurelith: %s\n", text.toLocal8Bit().constData());
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) // nobody could see it there
        QMessageBox::critical(nullptr, "Aurelith", text);
}

// Launched commands start in the program's folder too.
bool enterDataFolder(std::filesystem::path& folder, std::string& notice)
{
    std::error_code error;
    folder = prepareDataFolder(error, notice);
    if (!error && ::chdir(folder.c_str()) == 0)
        return true;
    refuse(QString("Cannot use the folder %1: %2")
               .arg(QString::fromStdString(folder.string()),
                    QString::fromStdString(error ? error.message() : "cannot enter it")));
    return false;
}

void bringForward(MainWindow& window)
{
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

int runProgram(const std::filesystem::path& folder, SingleInstance& instance, const std::string& folderNotice,
               const std::filesystem::path& flashLog)
{
    Form form;
    DefaultAudioOutput output;
    MixerSoundSystem sound(&output);
    sound.setPinkNoiseStandIn(dataFile::maskSound(1));
    DesktopDialogs dialogs;
    QtLauncher launcher;
    QtTimeOfDay timeOfDay;
    DBusSessionInhibitor inhibitor;
    // A lost or idle output is closed there and opened again by the next start.
    OutputWatch watchedSound(sound);
    App app(form, watchedSound, dialogs, folder, launcher, timeOfDay);
    app.inhibitor = &inhibitor;
    app.manualPath = findManual();
    app.files.claimFolder = [&instance] { return instance.holdFolder(); };
    if (!folderNotice.empty())
        app.files.tell(DataFiles::Notice::folderTightened, folderNotice);
    bindHandlers(app);

    ClockedWindow clocked(form);
    MainWindow& window = clocked.window();
    window.setWindowTitle(kWindowCaption);
    dialogs.setWindow(&window);
    FirstPaint firstPaint;
    if (lcStartup().isInfoEnabled())
        window.installEventFilter(&firstPaint);
    clocked.serve(app);
    // The strobe plans on the display's frames where it tells when it shows them.
    // AURELITH_X11_PRESENT=0 paints the panel as a server without Present
    // would, to compare the two or to step round a server that shows it wrongly.
    const bool present = qEnvironmentVariable("AURELITH_X11_PRESENT") != QLatin1String("0") ||
                         QGuiApplication::platformName() == QLatin1String("wayland");
    FlashSurface flashSurface(*qobject_cast<ColourBox*>(window.widget(ctl::txtFlashSurface)), flashLog, present);
    app.frames = &flashSurface;
    watchedSound.describeDisplay([&flashSurface] { return flashSurface.describe(); });
    instance.onRaiseRequest([&window] { bringForward(window); });
    // Media keys and the desktop's sound menu.
    MprisService mpris(app, [&window] { bringForward(window); });
    mpris.setOutputHeard([&watchedSound] { return watchedSound.outputOpen(); });
    watchedSound.onOutputChanged = [&mpris] { mpris.soundChanged(); };
    // Logout, `kill` and Ctrl+C end the program as the close box does; any
    // modal box open at that moment is left without an answer.
    SignalExit signalExit([&window](int) {
        window.close();
        QApplication::exit(0);
    });
#if AURELITH_SEQUENCE_READERS
    // Plays through the main window's sequence session; without gliding
    // voices Play stays off.
    std::unique_ptr<SessionPlayback> playback;
    if (sequence::SequenceSession* session = sequence::sequenceSession(app))
        playback = std::make_unique<SessionPlayback>(app, *session);
    app.builtInSequences = findBuiltInSequences();
    SequencesWindow sequences(app.builtInSequences, folder / "sequences",
                              {sequence::readSequenceFile, sequence::describe}, playback.get());
    app.openSequences = [&sequences] { sequences.showAndRaise(); };
#endif
    if (!startUp(app))
        return 1;
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // Rendering to a file needs no window, no display and no sound device.
    if (wantsRenderCommand(argc, argv))
        return runRenderCommand(argc, argv);
    QApplication qapp(argc, argv);
    describeApplication();
    // `--flash-log FILE.csv`: one row per phase of the strobe (see the manual).
    std::filesystem::path flashLog;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string_view(argv[i]) == "--flash-log" || std::string_view(argv[i]) == "-flash-log")
            flashLog = argv[i + 1];
    std::filesystem::path folder;
    std::string folderNotice;
    if (!enterDataFolder(folder, folderNotice))
        return 1;
    SingleInstance instance(folder);
    switch (instance.claim()) {
    case SingleInstance::Claim::run: return runProgram(folder, instance, folderNotice, flashLog);
    case SingleInstance::Claim::raised: return 0; // the running copy shows its window instead
    case SingleInstance::Claim::refused: refuse(instance.message()); return 1;
    }
    return 1;
}
