// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Sequences...": the built-in sequences, the user's own (sequences/ in the
// data folder) and any file opened here, each with its description, length
// and plot; Play and Stop; New and Edit open the editor. A file with errors
// shows them, each FILE:LINE: message, and does not play.

#include "sequence/SequenceFiles.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace aurelith {

class SequenceEditor;
class SequencePlayback;
class SequencePlot;

class SequencesWindow : public QWidget {
    Q_OBJECT

public:
    // How files are read and their problems told (readSequenceFile and describe).
    struct Files {
        std::function<sequence::ReadResult(const std::filesystem::path&)> read;
        std::function<std::string(const sequence::Problem&)> describe;
    };
    // builtIn may be empty; userFolder is the data folder's sequences/.
    // playback may be null: then Play stays off.
    SequencesWindow(std::filesystem::path builtIn, std::filesystem::path userFolder, Files files,
                    SequencePlayback* playback, QWidget* parent = nullptr);
    ~SequencesWindow() override;

    void showAndRaise();
    // Lists the folders again (after a save, or when shown).
    void reload();
    // Adds a file to the list and selects it.
    void addFile(const std::filesystem::path& file);
    SequenceEditor* editor() const { return editor_; }

private:
    struct Entry {
        std::filesystem::path file;
        bool builtIn = false;
    };
    void select(int row);
    void openFile();
    void editSequence(bool fresh);

    std::filesystem::path builtIn_, userFolder_;
    Files files_;
    SequencePlayback* playback_;
    std::vector<Entry> entries_;
    std::vector<std::filesystem::path> opened_;
    sequence::ReadResult current_;
    QListWidget* list_;
    QLabel* title_;
    QLabel* description_;
    QLabel* length_;
    QLabel* errors_;
    SequencePlot* plot_;
    QPushButton* play_;
    QPushButton* stop_;
    QPushButton* edit_;
    SequenceEditor* editor_ = nullptr;
};

} // namespace aurelith
