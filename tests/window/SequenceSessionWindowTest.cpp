// SPDX-License-Identifier: GPL-3.0-or-later
// Play in the real Sequences window starts the sequence in the main window's
// session: its boxes follow the slide, and Stop there ends it.
#include "platform/SequencesWindow.h"
#include "platform/SessionPlayback.h"
#include "sequence/SequenceFiles.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "support/ScriptedDialogs.h"
#include "ui/ControlNames.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <vector>

using namespace aurelith;

class SequenceSessionWindowTest : public QObject {
    Q_OBJECT

    QPushButton* button(QWidget& w, const QString& name)
    {
        for (QPushButton* b : w.findChildren<QPushButton*>())
            if (b->accessibleName() == name)
                return b;
        return nullptr;
    }

private slots:
    void playInTheWindowStartsItAndTheBoxesFollow()
    {
        QTemporaryDir folder;
        const std::filesystem::path data = folder.path().toStdString();
        std::filesystem::create_directories(data / "library");
        std::ofstream(data / "library" / "slide.sbg")
            << "a: 200+10/50\nb: 200+4/50\nNOW == a ->\n+00:01:00 == b\n+00:02:00 == b\n";
        Form form;
        MixerSoundSystem sound; // offline: the test renders what is heard
        ScriptedDialogs dialogs;
        App app(form, sound, dialogs, data);
        bindHandlers(app);
        QVERIFY(startUp(app));
        sequence::SequenceSession* session = sequence::sequenceSession(app);
        QVERIFY(session);
        SessionPlayback playback(app, *session);
        SequencesWindow window(data / "library", data / "sequences", {sequence::readSequenceFile, sequence::describe},
                               &playback);
        window.showAndRaise();
        QListWidget* list = window.findChild<QListWidget*>();
        QVERIFY(list && list->count() == 1);
        list->setCurrentRow(0);
        QPushButton* play = button(window, "Play the sequence");
        QVERIFY(play && play->isEnabled());

        QTest::mouseClick(play, Qt::LeftButton);
        QVERIFY(session->playing());
        const auto boxes = [&] {
            std::vector<float> out(2 * MixerSoundSystem::kOfflineRate);
            sound.render(out.data(), MixerSoundSystem::kOfflineRate);
            form.tick(ctl::tmrSequence);
            return form.text(ctl::txtsetfreq2) + " " + form.text(ctl::txtSetFreq1) + " " + form.text(ctl::txtBeat);
        };
        const std::string early = boxes();
        for (int i = 0; i < 65; ++i)
            boxes();
        const std::string later = boxes();
        QVERIFY2(early != later, later.c_str());
        // "+" puts the higher tone in the left ear, the second box's.
        QVERIFY(std::stod(form.text(ctl::txtsetfreq2)) > std::stod(form.text(ctl::txtSetFreq1)));

        QPushButton* stop = button(window, "Stop the sequence");
        QVERIFY(stop);
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(!session->playing());
    }
};

QTEST_MAIN(SequenceSessionWindowTest)
#include "SequenceSessionWindowTest.moc"
