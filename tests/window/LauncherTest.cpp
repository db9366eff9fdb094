// SPDX-License-Identifier: GPL-3.0-or-later
// Real programs started through the real launcher: an event's command line
// reaches its program split into the right arguments with no shell between,
// and a tool starts only the first of its candidates.
#include "app/App.h"
#include "platform/QtLauncher.h"
#include "scan/ScanWrites.h"
#include "shell/Bindings.h"
#include "sound/MixerSoundSystem.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "tools/ToolLaunchers.h"
#include "ui/ControlNames.h"

#include <QtTest>

#include <fstream>
#include <string>

using namespace aurelith;
using test::readBytes;
namespace fs = std::filesystem;

namespace {

void writeScript(const fs::path& file, const std::string& body)
{
    std::ofstream(file) << "#!/bin/sh\n" << body;
    fs::permissions(file, fs::perms::owner_all);
}

} // namespace

class LauncherTest : public QObject {
    Q_OBJECT

private:
    struct Rig {
        Rig() { bindHandlers(app); }

        test::TempFolder temp;
        fs::path folder = fs::canonical(temp.path);
        Form form;
        MixerSoundSystem sound;
        ScriptedDialogs dialogs;
        QtLauncher launcher;
        App app{form, sound, dialogs, folder, launcher};
    };

private slots:
    void eventCommandRunsWithItsWordsAndNoShell()
    {
        Rig rig;
        fs::create_directory(rig.folder / "my notes");
        // Records where it runs and one argument per line, then publishes at once.
        writeScript(rig.folder / "record.sh",
                    "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > args.tmp\nmv args.tmp args.txt\n");
        const std::string notes = (rig.folder / "my notes" / "today.txt").string();

        for (int i = 0; i < 11; ++i)
            rig.form.click(ctl::cmdPromptEntry); // prompt event 1
        rig.form.setText(ctl::txtStimColour,
                         "./record.sh \"" + notes + "\" \"a\\\"b\" 'say \"hi\"' $(touch x) `touch y` a;b");
        rig.form.setText(ctl::txtBackColour, "Record");
        rig.form.click(ctl::cmdProgramEvent);
        ScanWrites::scan(rig.app).loopNumber = 1;
        rig.form.click(ctl::cmdEventsOnOff);

        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(rig.folder / "args.txt"), 10000);
        const std::string expected = rig.folder.string() + "\n" + notes +
                                     "\na\"b\nsay \"hi\"\n$(touch\nx)\n`touch\ny`\na;b\n";
        QCOMPARE(QString::fromStdString(readBytes(rig.folder / "args.txt")), QString::fromStdString(expected));
        QVERIFY(!fs::exists(rig.folder / "x"));
        QVERIFY(!fs::exists(rig.folder / "y"));
        QVERIFY(rig.dialogs.shown.empty());
    }

    void toolStartsOnlyTheFirstCandidateOnThePath()
    {
        Rig rig;
        const Tool* player = nullptr;
        for (const Tool& tool : desktopTools())
            if (tool.button == ctl::cmdMediaPlayer)
                player = &tool;
        QVERIFY(player && player->candidates.size() >= 3);
        const fs::path bin = rig.folder / "bin";
        const fs::path log = rig.folder / "ran.log";
        fs::create_directory(bin);
        for (size_t i = 1; i <= 2; ++i)
            writeScript(bin / player->candidates[i].program, "echo \"${0##*/} $*\" >> '" + log.string() + "'\n");

        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(bin.string()));
        rig.form.click(ctl::cmdMediaPlayer);
        qputenv("PATH", savedPath);

        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(log), 10000);
        QTest::qWait(500); // time enough for a second start to show
        // As the script echoes it: "$0 $*".
        const ToolCommand& first = player->candidates[1];
        std::string expected = first.program + " ";
        for (size_t i = 0; i < first.arguments.size(); ++i)
            expected += (i > 0 ? " " : "") + first.arguments[i];
        QCOMPARE(QString::fromStdString(readBytes(log)), QString::fromStdString(expected + "\n"));
    }
};

QTEST_MAIN(LauncherTest)
#include "LauncherTest.moc"
