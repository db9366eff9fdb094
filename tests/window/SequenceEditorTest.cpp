// SPDX-License-Identifier: GPL-3.0-or-later
// The sequence editor as the user meets it, with real widgets: dragging and
// adding points on the plot, undo and redo of every kind of edit, the question
// before unsaved work is closed, the checks that hold back a save, and edits
// reaching the player while it plays.
#include "platform/SequenceEditor.h"
#include "platform/SequencePlayback.h"
#include "sequence/SequenceFiles.h"
#include "support/SequenceTables.h"
#include "support/TempFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QUndoStack>
#include <QtTest>

#include <functional>

using namespace aurelith;
using namespace aurelith::sequence;

namespace editortest {

class RecordingPlayback : public SequencePlayback {
public:
    void play(const Sequence& s, double from) override
    {
        heard = s;
        playedFrom = from;
        playing = true;
        ++plays;
    }
    void replace(const Sequence& s) override
    {
        heard = s;
        ++replaces;
    }
    void stop() override { playing = false; }
    double positionSeconds() const override { return playedFrom; }
    bool isPlaying() const override { return playing; }

    Sequence heard;
    double playedFrom = -1;
    bool playing = false;
    int plays = 0, replaces = 0;
};

// Everything an edit may change, so that two documents compare whole.
auto editable(const Sequence& s)
{
    std::vector<std::tuple<VoiceKind, Waveform, std::vector<std::tuple<double, double, double, double, Join>>>> voices;
    for (const Voice& v : s.voices) {
        voices.emplace_back(v.kind, v.waveform, std::vector<std::tuple<double, double, double, double, Join>>{});
        for (const Point& p : v.points)
            std::get<2>(voices.back()).emplace_back(p.seconds, p.carrierHz, p.beatHz, p.level, p.join);
    }
    return std::tuple(voices, s.description, s.lengthSeconds, s.fadeOutSeconds, s.mixFile);
}

bool samePoints(const Sequence& a, const Sequence& b) { return editable(a) == editable(b); }

Sequence slideDown()
{
    Sequence s = tables::sequenceOf({tables::voiceOf(VoiceKind::binaural, {{0, 200, 10, 0.5, Join::slide},
                                                                           {60, 200, 6, 0.5, Join::step},
                                                                           {300, 180, 4, 0.4, Join::slide}})},
                                    600);
    s.name = "slide";
    return s;
}

// Answers the next modal box with a button.
void answerNextBox(QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [button] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(button)->click();
    });
}

template <typename T>
T* byName(QWidget* root, const QString& name)
{
    for (T* w : root->findChildren<T*>())
        if (w->accessibleName() == name)
            return w;
    return nullptr;
}

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = {})
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, w->mapToGlobal(at), Qt::LeftButton, held, modifiers);
    QApplication::sendEvent(w, &event);
}

} // namespace editortest
using namespace editortest;

class SequenceEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempFolder> temp_;
    std::filesystem::path folder_;
    RecordingPlayback playback_;
    std::unique_ptr<SequenceEditor> editor_;

    // An edit typed into a cell of the points table.
    void setCell(int row, int column, const QString& text)
    {
        editor_->table()->item(row, column)->setText(text);
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        temp_ = std::make_unique<test::TempFolder>();
        folder_ = temp_->path;
        playback_ = RecordingPlayback{};
        editor_ = std::make_unique<SequenceEditor>(folder_ / "sequences", &playback_);
        editor_->open(slideDown(), folder_ / "slide.sbg");
        editor_->resize(1280, 1000);
        editor_->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor_.get()));
    }
    void cleanup()
    {
        editor_->undoStack()->setClean();
        editor_.reset();
        temp_.reset();
    }

    void dragMovesTheRightPointByTheSnappedAmount()
    {
        for (const bool free : {false, true}) {
            editor_->open(slideDown(), folder_ / "slide.sbg");
            SequencePlot* plot = editor_->plot();
            const QPoint press = plot->placeOf(60, 6).toPoint();
            const QPoint release = plot->placeOf(71.4, 7.23).toPoint();
            // What the mouse moved, in seconds and hertz, as the plot maps pixels.
            const double dt = plot->valueAt(release).first - plot->valueAt(press).first;
            const double dv = plot->valueAt(release).second - plot->valueAt(press).second;
            const Qt::KeyboardModifiers mods = free ? Qt::ShiftModifier : Qt::NoModifier;
            mouse(plot, QEvent::MouseButtonPress, press, mods);
            mouse(plot, QEvent::MouseMove, (press + release) / 2, mods);
            mouse(plot, QEvent::MouseMove, release, mods);
            mouse(plot, QEvent::MouseButtonRelease, release, mods);
            const auto& pts = editor_->document().voices[0].points;
            const double t = free ? std::round((60 + dt) * 1000) / 1000 : std::round(60 + dt);
            const double v = free ? std::round((6 + dv) * 1000) / 1000 : std::round((6 + dv) * 10) / 10;
            QCOMPARE(pts[1].seconds, t);
            QVERIFY(std::abs(pts[1].beatHz - v) < 1e-9);
            QCOMPARE(pts[0].seconds, 0.0); // the others stay
            QCOMPARE(pts[2].seconds, 300.0);
            QCOMPARE(editor_->undoStack()->undoText(), QString("Move point"));
        }
    }

    void doubleClickAddsAPointAndDeleteRemovesIt()
    {
        SequencePlot* plot = editor_->plot();
        const QPoint at = plot->placeOf(150, 8).toPoint();
        QTest::mouseDClick(plot, Qt::LeftButton, {}, at);
        const auto& pts = editor_->document().voices[0].points;
        QCOMPARE(pts.size(), size_t(4));
        QCOMPARE(pts[2].seconds, std::round(plot->valueAt(at).first));
        QCOMPARE(pts[2].beatHz, std::round(plot->valueAt(at).second * 10) / 10);
        QCOMPARE(editor_->table()->rowCount(), 4);
        plot->setFocus();
        QTest::keyClick(plot, Qt::Key_Delete);
        QCOMPARE(editor_->document().voices[0].points.size(), size_t(3));
        QCOMPARE(editor_->document().voices[0].points[2].seconds, 300.0);
    }

    void undoAndRedoRestoreEveryKindOfEditExactly()
    {
        SequenceEditor& e = *editor_;
        const std::vector<std::pair<QString, std::function<void()>>> edits = {
            {"Change time", [&] { setCell(1, 0, "75.5"); }},
            {"Change beat", [&] { setCell(1, 1, "7.25"); }},
            {"Change carrier", [&] { setCell(0, 2, "210"); }},
            {"Change level", [&] { setCell(2, 3, "35"); }},
            {"Change slide or step", [&] { setCell(0, 4, "step"); }},
            {"Add point",
             [&] { QTest::mouseDClick(e.plot(), Qt::LeftButton, {}, e.plot()->placeOf(500, 5).toPoint()); }},
            {"Delete point",
             [&] {
                 e.plot()->setFocus();
                 QTest::keyClick(e.plot(), Qt::Key_Delete);
             }},
            {"Add voice", [&] { byName<QPushButton>(&e, "Add voice")->click(); }},
            {"Change voice kind",
             [&] {
                 auto* kind = byName<QComboBox>(&e, "Voice kind");
                 kind->setCurrentIndex(5);
                 emit kind->activated(5);
             }},
            {"Change waveform",
             [&] {
                 auto* wave = byName<QComboBox>(&e, "Waveform");
                 wave->setCurrentIndex(2);
                 emit wave->activated(2);
             }},
            {"Change voice level",
             [&] {
                 auto* level = byName<QDoubleSpinBox>(&e, "Voice level, every point");
                 level->setValue(20);
                 emit level->editingFinished();
             }},
            {"Remove voice", [&] { byName<QPushButton>(&e, "Remove voice")->click(); }},
            {"Edit description",
             [&] { byName<QPlainTextEdit>(&e, "Description")->setPlainText("Ten to six.\nThen rest."); }},
            {"Change length",
             [&] {
                 auto* length = byName<QDoubleSpinBox>(&e, "Length in seconds");
                 length->setValue(900);
                 emit length->editingFinished();
             }},
        };
        for (const auto& [name, act] : edits) {
            const Sequence before = e.document();
            act();
            const Sequence after = e.document();
            QVERIFY2(!samePoints(before, after), qPrintable(name));
            QCOMPARE(e.undoStack()->undoText(), name);
            e.undoStack()->undo();
            QVERIFY2(samePoints(e.document(), before), qPrintable(name));
            QCOMPARE(e.undoStack()->redoText(), name);
            e.undoStack()->redo();
            QVERIFY2(samePoints(e.document(), after), qPrintable(name));
        }
        // The Edit menu names the edit; the keys are the desktop's.
        QAction* undo = e.findChild<QAction*>("undo");
        QVERIFY(undo->text().contains("Change length"));
        QCOMPARE(undo->shortcut(), QKeySequence("Ctrl+Z"));
        QCOMPARE(e.findChild<QAction*>("redo")->shortcut(), QKeySequence("Ctrl+Shift+Z"));
    }

    void closingWithUnsavedChangesAsksFirst()
    {
        setCell(0, 1, "9");
        QVERIFY(editor_->isModified());
        answerNextBox(QMessageBox::Cancel);
        QVERIFY(!editor_->close());
        QVERIFY(editor_->isVisible());
        QVERIFY(editor_->isModified());
        // Save: written to its file, then closed.
        answerNextBox(QMessageBox::Save);
        QVERIFY(editor_->close());
        const std::string text = test::readBytes(folder_ / "slide.sbg");
        QVERIFY(text.find("200-9/50") != std::string::npos);
        // Discard: closes, the file as last saved.
        editor_->show();
        setCell(0, 1, "8");
        answerNextBox(QMessageBox::Discard);
        QVERIFY(editor_->close());
        QVERIFY(test::readBytes(folder_ / "slide.sbg") == text);
    }

    void anOutOfRangeToneIsMarkedAndSaveRefused()
    {
        std::filesystem::remove(folder_ / "slide.sbg");
        setCell(1, 2, "5"); // the carrier of point 2: both tones below 10 Hz
        const auto problems = editor_->problems();
        QVERIFY(!problems.empty());
        QCOMPARE(problems.front().point, 1);
        QVERIFY(QString::fromStdString(problems.front().reason).contains("outside 10 to 15600 Hz"));
        QVERIFY(editor_->table()->verticalHeaderItem(1)->text().contains("!"));
        QVERIFY(editor_->table()->item(1, 0)->toolTip().contains("outside"));
        QVERIFY(!editor_->table()->verticalHeaderItem(0)->text().contains("!"));
        answerNextBox(QMessageBox::Ok);
        QVERIFY(!editor_->save());
        QVERIFY(!std::filesystem::exists(folder_ / "slide.sbg"));
        // Mended, it saves.
        setCell(1, 2, "150");
        QVERIFY(editor_->problems().empty());
        QVERIFY(editor_->save());
        QVERIFY(std::filesystem::exists(folder_ / "slide.sbg"));
    }

    void muteAndSoloAreKeptWithTheFile()
    {
        Sequence two = slideDown();
        two.voices.push_back(two.voices.front());
        editor_->open(two, folder_ / "two.sbg");
        byName<QCheckBox>(editor_.get(), "Solo voice")->click();
        QVERIFY(editor_->isModified()); // kept in the file, so closing now asks first
        QVERIFY(editor_->save());
        QVERIFY(!editor_->isModified());
        ReadResult back = readSequenceFile(folder_ / "two.sbg");
        QVERIFY(back.sequence);
        QVERIFY(!back.sequence->voices[0].muted && back.sequence->voices[0].solo && !back.sequence->voices[1].solo);
        // Opened again, the switches are the editor's again and shape what it plays.
        back.sequence->voices[0].solo = false;
        back.sequence->voices[1].muted = true;
        editor_->open(*back.sequence, folder_ / "two.sbg");
        QVERIFY(!byName<QCheckBox>(editor_.get(), "Solo voice")->isChecked());
        byName<QPushButton>(editor_.get(), "Play from the marker")->click();
        QCOMPARE(valueAt(playback_.heard.voices[0], 10).level, 0.5);
        QCOMPARE(valueAt(playback_.heard.voices[1], 10).level, 0.0);
    }

    void playsFromTheMarkerAndHearsEditsAsTheyAreMade()
    {
        SequencePlot* plot = editor_->plot();
        QTest::mouseClick(plot, Qt::LeftButton, {}, plot->placeOf(120, 1).toPoint());
        const double marker = plot->marker();
        QVERIFY(marker > 100 && marker < 140);
        byName<QPushButton>(editor_.get(), "Play from the marker")->click();
        QCOMPARE(playback_.plays, 1);
        QCOMPARE(playback_.playedFrom, marker);
        setCell(2, 1, "3.5");
        QCOMPARE(playback_.replaces, 1);
        QCOMPARE(playback_.heard.voices[0].points[2].beatHz, 3.5);
        byName<QPushButton>(editor_.get(), "Stop playing")->click();
        QVERIFY(!playback_.playing);
    }
};

QTEST_MAIN(SequenceEditorTest)
#include "SequenceEditorTest.moc"
