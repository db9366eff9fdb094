// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The sequence editor: a plot of the points to drag and a table of the same
// points to type into, two views of one sequence; voices of every kind with
// their waveform and level, muted or soloed while listening; every edit on a
// QUndoStack; checks as the user edits; Save and Save As in the SBaGen family's
// text, replacing the file atomically.

#include "platform/SequenceChecks.h"
#include "platform/SequencePlot.h"
#include "sequence/Sequence.h"

#include <QMainWindow>

#include <filesystem>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QTableWidget;
class QTimer;
class QUndoStack;

namespace aurelith {

class SequencePlayback;

class SequenceEditor : public QMainWindow {
    Q_OBJECT

public:
    // userFolder: where Save As offers to save (the data folder's sequences/).
    // playback may be null: then nothing plays.
    SequenceEditor(std::filesystem::path userFolder, SequencePlayback* playback, QWidget* parent = nullptr);
    ~SequenceEditor() override;

    // Starts on a sequence; file is where Save writes (empty: Save asks).
    void open(const sequence::Sequence& sequence, const std::filesystem::path& file);
    const sequence::Sequence& document() const { return doc_; }
    const std::filesystem::path& file() const { return file_; }
    bool isModified() const;
    QUndoStack* undoStack() const { return undo_; }
    SequencePlot* plot() const { return plot_; }
    QTableWidget* table() const { return table_; }
    std::vector<PointProblem> problems() const;

    // Every edit: the sequence after it, named for the Edit menu. Edits with
    // the same mergeId in a row are one step (typing the description).
    void edit(const QString& name, sequence::Sequence after, int mergeId = -1);
    // Writes to file (the user's choice when empty); false when refused or failed.
    bool save();
    bool saveAs();

signals:
    void saved(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class EditCommand;
    void apply(const sequence::Sequence& sequence);
    void refresh();
    void refreshTable();
    void refreshVoices();
    bool refusedForProblems();
    bool writeTo(const std::filesystem::path& path);
    void tableEdited(int row, int column);
    void selectPoint(int voice, int point);
    void addVoice();
    void removeVoice();
    void voiceFieldsEdited();
    void chooseMixFile();
    sequence::Sequence heard() const;
    void play();
    void stopPlaying();
    void followPlayback();
    void updateTitle();
    SequencePlot::Quantity quantity() const;

    std::filesystem::path userFolder_;
    SequencePlayback* playback_;
    sequence::Sequence doc_;
    std::filesystem::path file_;
    std::vector<bool> muted_, soloed_;
    // As last opened or saved: mute and solo are kept in the file but are no undoable edit.
    std::vector<bool> savedMuted_, savedSoloed_;
    int voice_ = 0;
    int point_ = -1;
    bool refreshing_ = false;

    QUndoStack* undo_;
    SequencePlot* plot_;
    QTabBar* quantityTabs_;
    QTableWidget* table_;
    QListWidget* voices_;
    QComboBox* kind_;
    QComboBox* waveform_;
    QDoubleSpinBox* voiceLevel_;
    QCheckBox* mute_;
    QCheckBox* solo_;
    QPushButton* mixFile_;
    QPushButton* addVoice_;
    QPushButton* removeVoice_;
    QDoubleSpinBox* length_;
    QDoubleSpinBox* fadeOut_;
    QPlainTextEdit* description_;
    QLabel* status_;
    QPushButton* play_;
    QPushButton* stop_;
    QTimer* follow_;
};

} // namespace aurelith
