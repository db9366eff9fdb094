// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SequencesWindow.h"

#include "platform/SequenceEditor.h"
#include "platform/SequencePlayback.h"
#include "platform/SequencePlot.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace aurelith {

using namespace sequence;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> sequenceFiles(const fs::path& folder)
{
    std::vector<fs::path> out;
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error))
        return out;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string ext = it->path().extension().string();
        if ((ext == ".sbg" || ext == ".gnaural") && it->is_regular_file(error))
            out.push_back(it->path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

QString lengthText(double seconds)
{
    const long long s = std::llround(seconds);
    return s >= 3600 ? QStringLiteral("%1:%2:%3")
                           .arg(s / 3600)
                           .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                           .arg(s % 60, 2, 10, QLatin1Char('0'))
                     : QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

SequencesWindow::SequencesWindow(fs::path builtIn, fs::path userFolder, Files files, SequencePlayback* playback,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), builtIn_(std::move(builtIn)), userFolder_(std::move(userFolder)),
      files_(std::move(files)), playback_(playback)
{
    setWindowTitle(tr("Sequences"));
    setObjectName(QStringLiteral("sequencesWindow"));
    resize(960, 640);
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* listLabel = new QLabel(tr("&Sequences"));
    list_ = new QListWidget;
    list_->setAccessibleName(tr("Sequences"));
    listLabel->setBuddy(list_);
    left->addWidget(listLabel);
    left->addWidget(list_, 1);
    auto* fileButtons = new QHBoxLayout;
    auto* open = new QPushButton(tr("&Open..."));
    auto* create = new QPushButton(tr("&New"));
    edit_ = new QPushButton(tr("&Edit"));
    open->setAccessibleName(tr("Open a sequence file"));
    create->setAccessibleName(tr("New sequence"));
    edit_->setAccessibleName(tr("Edit sequence"));
    for (QPushButton* b : {open, create, edit_})
        fileButtons->addWidget(b);
    left->addLayout(fileButtons);
    layout->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    title_ = new QLabel;
    title_->setAccessibleName(tr("Sequence name"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    description_ = new QLabel;
    description_->setWordWrap(true);
    description_->setAccessibleName(tr("Description"));
    description_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    length_ = new QLabel;
    length_->setAccessibleName(tr("Length"));
    errors_ = new QLabel;
    errors_->setWordWrap(true);
    errors_->setAccessibleName(tr("Errors in the file"));
    errors_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    plot_ = new SequencePlot;
    plot_->setQuantities({SequencePlot::Quantity::beat, SequencePlot::Quantity::carrier});
    plot_->setAccessibleName(tr("Beat and carrier of each voice over time"));
    right->addWidget(title_);
    right->addWidget(description_);
    right->addWidget(length_);
    right->addWidget(errors_);
    right->addWidget(plot_, 1);
    auto* transport = new QHBoxLayout;
    play_ = new QPushButton(tr("&Play"));
    stop_ = new QPushButton(tr("S&top"));
    play_->setAccessibleName(tr("Play the sequence"));
    stop_->setAccessibleName(tr("Stop the sequence"));
    transport->addStretch();
    transport->addWidget(play_);
    transport->addWidget(stop_);
    right->addLayout(transport);
    layout->addLayout(right, 2);
    if (!playback_)
        play_->setToolTip(tr("Playback is not available here"));

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { select(row); });
    connect(open, &QPushButton::clicked, this, [this] { openFile(); });
    connect(create, &QPushButton::clicked, this, [this] { editSequence(true); });
    connect(edit_, &QPushButton::clicked, this, [this] { editSequence(false); });
    connect(play_, &QPushButton::clicked, this, [this] {
        if (playback_ && current_.sequence)
            playback_->play(*current_.sequence, 0);
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (playback_)
            playback_->stop();
    });
    reload();
}

SequencesWindow::~SequencesWindow() = default;

void SequencesWindow::showAndRaise()
{
    reload();
    show();
    raise();
    activateWindow();
}

void SequencesWindow::reload()
{
    const fs::path keep = list_->currentRow() >= 0 && list_->currentRow() < int(entries_.size())
                              ? entries_[list_->currentRow()].file
                              : fs::path{};
    entries_.clear();
    for (const fs::path& f : sequenceFiles(builtIn_))
        entries_.push_back({f, true});
    for (const fs::path& f : sequenceFiles(userFolder_))
        entries_.push_back({f, false});
    for (const fs::path& f : opened_)
        if (std::none_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.file == f; }))
            entries_.push_back({f, false});
    const QSignalBlocker quiet(list_);
    list_->clear();
    int selected = entries_.empty() ? -1 : 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        list_->addItem(e.builtIn ? tr("%1 (built-in)").arg(QString::fromStdString(e.file.stem().string()))
                                 : QString::fromStdString(e.file.stem().string()));
        if (e.file == keep)
            selected = int(i);
    }
    list_->setCurrentRow(selected);
    select(selected);
}

void SequencesWindow::addFile(const fs::path& file)
{
    if (std::find(opened_.begin(), opened_.end(), file) == opened_.end())
        opened_.push_back(file);
    reload();
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].file == file)
            list_->setCurrentRow(int(i));
}

void SequencesWindow::select(int row)
{
    current_ = ReadResult{};
    if (row >= 0 && row < int(entries_.size()))
        current_ = files_.read(entries_[row].file);
    const bool ok = current_.sequence.has_value();
    QStringList errors;
    for (const Problem& p : current_.problems)
        errors << QString::fromStdString(files_.describe(p));
    for (const std::string& note : current_.notes)
        errors << QString::fromStdString(note);
    errors_->setText(errors.join(QLatin1Char('\n')));
    errors_->setVisible(!errors.isEmpty());
    if (ok) {
        const Sequence& s = *current_.sequence;
        title_->setText(QString::fromStdString(s.name));
        QStringList lines;
        for (const std::string& line : s.description)
            lines << QString::fromStdString(line);
        description_->setText(lines.isEmpty() ? tr("(No description)") : lines.join(QLatin1Char('\n')));
        length_->setText(tr("Length %1, %n voice(s)", nullptr, int(s.voices.size())).arg(lengthText(s.lengthSeconds)));
        plot_->setSequence(s);
    } else {
        title_->setText(row >= 0 && row < int(entries_.size())
                            ? QString::fromStdString(entries_[row].file.filename().string())
                            : tr("No sequence chosen"));
        description_->clear();
        length_->clear();
        plot_->setSequence(Sequence{});
    }
    play_->setEnabled(ok && playback_);
    stop_->setEnabled(playback_ != nullptr);
    edit_->setEnabled(ok);
}

void SequencesWindow::openFile()
{
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Open Sequence"), QString(),
                                                        tr("Sequences (*.sbg *.gnaural);;All files (*)"));
    if (!chosen.isEmpty())
        addFile(chosen.toStdString());
}

void SequencesWindow::editSequence(bool fresh)
{
    if (!editor_) {
        editor_ = new SequenceEditor(userFolder_, playback_, this);
        editor_->setWindowFlag(Qt::Window);
        connect(editor_, &SequenceEditor::saved, this, [this](const QString& path) { addFile(path.toStdString()); });
    }
    if (editor_->isVisible() && editor_->isModified()) {
        // Unsaved work waits in the open editor; it is never replaced unasked.
        if (!editor_->close()) {
            editor_->raise();
            editor_->activateWindow();
            return;
        }
    }
    if (fresh || !current_.sequence) {
        Sequence empty;
        empty.name = tr("Untitled").toStdString();
        empty.lengthSeconds = 600;
        editor_->open(empty, {});
    } else {
        const Entry& e = entries_[list_->currentRow()];
        // A built-in or Gnaural file is saved as the user's own .sbg.
        const bool ownSbg = !e.builtIn && e.file.extension() == ".sbg";
        editor_->open(*current_.sequence, ownSbg ? e.file : fs::path{});
    }
    editor_->show();
    editor_->raise();
    editor_->activateWindow();
}

} // namespace aurelith
