// SPDX-License-Identifier: GPL-3.0-or-later
// Play in the real Sequences window starts the sequence in the main window's
// session: its boxes follow the slide, and Stop there ends it. A file with an
// error shows where, and Play does nothing.
#include "platform/SequencesWindow.h"
#include "platform/SessionPlayback.h"
#include "sequence/SequenceFiles.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "support/ScriptedDialogs.h"
#include "ui/ControlNames.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>

using namespace aurelith;

namespace {

// The program started in a folder of its own, with one good sequence in the
// built-in library, and the Sequences window on its session.
struct SessionRig {
    QTemporaryDir folder;
    std::filesystem::path data = folder.path().toStdString();
    Form form;
    MixerSoundSystem sound; // offline: the test renders what is heard
    ScriptedDialogs dialogs;
    std::unique_ptr<App> app;
    sequence::SequenceSession* session = nullptr;
    std::unique_ptr<SessionPlayback> playback;
    std::unique_ptr<SequencesWindow> window;

    SessionRig()
    {
        std::filesystem::create_directories(data / "library");
        std::ofstream(data / "library" / "slide.sbg")
            << "a: 200+10/50\nb: 200+4/50\nNOW == a ->\n+00:01:00 == b\n+00:02:00 == b\n";
        app = std::make_unique<App>(form, sound, dialogs, data);
        bindHandlers(*app);
        if (!startUp(*app) || !(session = sequence::sequenceSession(*app)))
            return;
        playback = std::make_unique<SessionPlayback>(*app, *session);
        window = std::make_unique<SequencesWindow>(
            data / "library", data / "sequences",
            SequencesWindow::Files{sequence::readSequenceFile, sequence::describe}, playback.get());
        window->showAndRaise();
    }
    template <class W>
    W* child(const QString& name) const
    {
        for (W* w : window->findChildren<W*>())
            if (w->accessibleName() == name)
                return w;
        return nullptr;
    }
    // The main window's boxes: both tones and the beat.
    std::string boxes() const
    {
        return form.text(ctl::txtsetfreq2) + " " + form.text(ctl::txtSetFreq1) + " " + form.text(ctl::txtBeat);
    }
    std::vector<float> render(int frames)
    {
        std::vector<float> out(2 * static_cast<std::size_t>(frames));
        sound.render(out.data(), frames);
        return out;
    }
    // A second of sound, then the sequence's tick.
    std::string heard()
    {
        render(MixerSoundSystem::kOfflineRate);
        form.tick(ctl::tmrSequence);
        return boxes();
    }
};

} // namespace

class SequenceSessionWindowTest : public QObject {
    Q_OBJECT

private slots:
    void playInTheWindowStartsItAndTheBoxesFollow()
    {
        SessionRig rig;
        QVERIFY(rig.window);
        QListWidget* list = rig.window->findChild<QListWidget*>();
        QVERIFY(list && list->count() == 1);
        list->setCurrentRow(0);
        QPushButton* play = rig.child<QPushButton>("Play the sequence");
        QVERIFY(play && play->isEnabled());

        QTest::mouseClick(play, Qt::LeftButton);
        QVERIFY(rig.session->playing());
        const std::string early = rig.heard();
        for (int i = 0; i < 65; ++i)
            rig.heard();
        const std::string later = rig.heard();
        QVERIFY2(early != later, later.c_str());
        // "+" puts the higher tone in the left ear, the second box's.
        QVERIFY(std::stod(rig.form.text(ctl::txtsetfreq2)) > std::stod(rig.form.text(ctl::txtSetFreq1)));

        QPushButton* stop = rig.child<QPushButton>("Stop the sequence");
        QVERIFY(stop);
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(!rig.session->playing());
    }

    void aFileWithAnErrorShowsItsLineAndPlaysNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a voice of a kind not played") << "## Broken\na: 200+10/50\nb: spin:300+8/40\nNOW a\n";
        QTest::newRow("a tone-set never defined") << "a: 200+10/50\n\nNOW == nowhere\n";
    }
    void aFileWithAnErrorShowsItsLineAndPlaysNothing()
    {
        QFETCH(QString, text);
        SessionRig rig;
        QVERIFY(rig.window);
        // The good one chosen first, so that Play was on before the broken one.
        QPushButton* play = rig.child<QPushButton>("Play the sequence");
        QVERIFY(play && play->isEnabled());
        const std::filesystem::path broken = rig.data / "opened" / "broken.sbg";
        std::filesystem::create_directories(broken.parent_path());
        std::ofstream(broken) << text.toStdString();
        const std::string before = rig.boxes();

        rig.window->addFile(broken); // as "Open..." does with the chosen file
        QLabel* errors = rig.child<QLabel>("Errors in the file");
        QVERIFY(errors && errors->isVisible());
        // FILE:LINE: message, the file as it was opened.
        QVERIFY2(errors->text().startsWith(QString::fromStdString(broken.string()) + ":3: "),
                 qPrintable(errors->text()));
        QVERIFY(!play->isEnabled());
        QTest::mouseClick(play, Qt::LeftButton);
        QTest::keyClick(rig.window.get(), Qt::Key_P, Qt::AltModifier); // its mnemonic
        rig.heard();

        QVERIFY(!rig.session->playing());
        const std::vector<float> sound = rig.render(MixerSoundSystem::kOfflineRate / 2);
        QVERIFY(std::all_of(sound.begin(), sound.end(), [](float s) { return s == 0.0f; }));
        QCOMPARE(rig.boxes(), before);
    }
};

QTEST_MAIN(SequenceSessionWindowTest)
#include "SequenceSessionWindowTest.moc"
