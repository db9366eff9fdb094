// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SequenceEditor.h"

#include "platform/SequenceChecks.h"
#include "platform/SequencePlayback.h"
#include "sequence/SequenceFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace aurelith {

using namespace sequence;

namespace {

enum Column { timeColumn, beatColumn, carrierColumn, levelColumn, joinColumn, columnCount };

constexpr int kDescriptionMerge = 1;

struct KindName {
    VoiceKind kind;
    const char* name;
};
constexpr KindName kKinds[] = {
    {VoiceKind::binaural, "Binaural"},      {VoiceKind::monaural, "Monaural"},
    {VoiceKind::isochronic, "Isochronic"},  {VoiceKind::tone, "Plain tone"},
    {VoiceKind::whiteNoise, "White noise"}, {VoiceKind::pinkNoise, "Pink noise"},
    {VoiceKind::brownNoise, "Brown noise"}, {VoiceKind::mix, "Mix (your own sound)"},
};
constexpr const char* kWaveforms[] = {"Sine", "Square", "Triangle", "Sawtooth"};

QString kindName(VoiceKind kind)
{
    for (const KindName& k : kKinds)
        if (k.kind == kind)
            return QObject::tr(k.name);
    return {};
}

QString numberText(double value) { return QString::number(value, 'g', 10); }

// The join column: slide or step, chosen from a list by keyboard or mouse.
class JoinDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* box = new QComboBox(parent);
        box->addItems({QObject::tr("slide"), QObject::tr("step")});
        box->setAccessibleName(QObject::tr("Slide or step to the next point"));
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        static_cast<QComboBox*>(editor)->setCurrentText(index.data().toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText());
    }
};

} // namespace

// One edit: the sequence before and after, so undo and redo restore it exactly.
class EditCommand : public QUndoCommand {
public:
    EditCommand(SequenceEditor* editor, const QString& name, Sequence before, Sequence after, int mergeId)
        : QUndoCommand(name), editor_(editor), before_(std::move(before)), after_(std::move(after)), mergeId_(mergeId)
    {
    }
    void redo() override { editor_->apply(after_); }
    void undo() override { editor_->apply(before_); }
    int id() const override { return mergeId_; }
    bool mergeWith(const QUndoCommand* other) override
    {
        after_ = static_cast<const EditCommand*>(other)->after_;
        return true;
    }

private:
    SequenceEditor* editor_;
    Sequence before_, after_;
    int mergeId_;
};

SequenceEditor::SequenceEditor(std::filesystem::path userFolder, SequencePlayback* playback, QWidget* parent)
    : QMainWindow(parent), userFolder_(std::move(userFolder)), playback_(playback), undo_(new QUndoStack(this))
{
    setObjectName(QStringLiteral("sequenceEditor"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(1100, 760); // fits 1280x1024 with the desktop's panels

    // Menus: File and Edit, the latter naming the edit it would undo or redo.
    QMenu* fileMenu = menuBar()->addMenu(tr("&File"));
    QAction* saveAction = fileMenu->addAction(tr("&Save"), this, [this] { save(); });
    saveAction->setShortcut(QKeySequence::Save);
    QAction* saveAsAction = fileMenu->addAction(tr("Save &As..."), this, [this] { saveAs(); });
    saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    fileMenu->addSeparator();
    fileMenu->addAction(tr("&Close"), QKeySequence::Close, this, &QWidget::close);
    QMenu* editMenu = menuBar()->addMenu(tr("&Edit"));
    QAction* undoAction = undo_->createUndoAction(this, tr("&Undo"));
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undoAction->setObjectName(QStringLiteral("undo"));
    QAction* redoAction = undo_->createRedoAction(this, tr("&Redo"));
    redoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    redoAction->setObjectName(QStringLiteral("redo"));
    editMenu->addAction(undoAction);
    editMenu->addAction(redoAction);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    // The voices, left; the plot and the table, right.
    auto* voicePanel = new QWidget;
    auto* voiceLayout = new QVBoxLayout(voicePanel);
    voiceLayout->setContentsMargins(0, 0, 0, 0);
    auto* voicesLabel = new QLabel(tr("&Voices"));
    voices_ = new QListWidget;
    voices_->setAccessibleName(tr("Voices"));
    voicesLabel->setBuddy(voices_);
    voiceLayout->addWidget(voicesLabel);
    voiceLayout->addWidget(voices_, 1);
    auto* voiceButtons = new QHBoxLayout;
    addVoice_ = new QPushButton(tr("&Add voice"));
    removeVoice_ = new QPushButton(tr("Re&move voice"));
    addVoice_->setAccessibleName(tr("Add voice"));
    removeVoice_->setAccessibleName(tr("Remove voice"));
    voiceButtons->addWidget(addVoice_);
    voiceButtons->addWidget(removeVoice_);
    voiceLayout->addLayout(voiceButtons);
    auto* voiceForm = new QFormLayout;
    kind_ = new QComboBox;
    for (const KindName& k : kKinds)
        kind_->addItem(tr(k.name));
    kind_->setAccessibleName(tr("Voice kind"));
    waveform_ = new QComboBox;
    for (const char* w : kWaveforms)
        waveform_->addItem(tr(w));
    waveform_->setAccessibleName(tr("Waveform"));
    voiceLevel_ = new QDoubleSpinBox;
    voiceLevel_->setRange(0, 100);
    voiceLevel_->setSuffix(tr(" %"));
    voiceLevel_->setAccessibleName(tr("Voice level, every point"));
    mute_ = new QCheckBox(tr("M&ute"));
    mute_->setAccessibleName(tr("Mute voice"));
    solo_ = new QCheckBox(tr("S&olo"));
    solo_->setAccessibleName(tr("Solo voice"));
    mixFile_ = new QPushButton(tr("Mi&x file..."));
    mixFile_->setAccessibleName(tr("Choose the mix sound file"));
    voiceForm->addRow(tr("&Kind:"), kind_);
    voiceForm->addRow(tr("&Waveform:"), waveform_);
    voiceForm->addRow(tr("&Level:"), voiceLevel_);
    auto* listenRow = new QHBoxLayout;
    listenRow->addWidget(mute_);
    listenRow->addWidget(solo_);
    voiceForm->addRow(tr("Listen:"), listenRow);
    voiceForm->addRow(QString(), mixFile_);
    voiceLayout->addLayout(voiceForm);

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    quantityTabs_ = new QTabBar;
    quantityTabs_->addTab(tr("&Beat"));
    quantityTabs_->addTab(tr("&Carrier"));
    quantityTabs_->addTab(tr("Le&vel"));
    quantityTabs_->setAccessibleName(tr("What the plot shows"));
    plot_ = new SequencePlot;
    plot_->setEditable(true);
    plot_->setAccessibleName(tr("Timeline: arrows walk points and voices, Delete removes, double-click adds"));
    auto* table = new QTableWidget(0, columnCount);
    table_ = table;
    table_->setHorizontalHeaderLabels(
        {tr("Time (s)"), tr("Beat (Hz)"), tr("Carrier (Hz)"), tr("Level (%)"), tr("To next")});
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->setItemDelegateForColumn(joinColumn, new JoinDelegate(table_));
    table_->setAccessibleName(tr("Points of the voice"));
    table_->setTabKeyNavigation(true);
    table_->setEditTriggers(QAbstractItemView::AllEditTriggers);
    auto* plotAndTable = new QSplitter(Qt::Vertical);
    auto* plotBox = new QWidget;
    auto* plotLayout = new QVBoxLayout(plotBox);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    plotLayout->addWidget(quantityTabs_);
    plotLayout->addWidget(plot_, 1);
    plotAndTable->addWidget(plotBox);
    plotAndTable->addWidget(table_);
    plotAndTable->setStretchFactor(0, 3);
    plotAndTable->setStretchFactor(1, 2);
    rightLayout->addWidget(plotAndTable, 1);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(voicePanel);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    // The sequence as a whole.
    auto* bottom = new QHBoxLayout;
    auto* wholeForm = new QFormLayout;
    length_ = new QDoubleSpinBox;
    length_->setRange(1, 24 * 3600);
    length_->setDecimals(0);
    length_->setSuffix(tr(" s"));
    length_->setAccessibleName(tr("Length in seconds"));
    fadeOut_ = new QDoubleSpinBox;
    fadeOut_->setRange(0, 3600);
    fadeOut_->setDecimals(0);
    fadeOut_->setSuffix(tr(" s"));
    fadeOut_->setAccessibleName(tr("Fade out at the end, in seconds"));
    wholeForm->addRow(tr("Len&gth:"), length_);
    wholeForm->addRow(tr("&Fade out:"), fadeOut_);
    bottom->addLayout(wholeForm);
    auto* descriptionBox = new QVBoxLayout;
    auto* descriptionLabel = new QLabel(tr("&Description (shown in the Sequences window):"));
    description_ = new QPlainTextEdit;
    description_->setAccessibleName(tr("Description"));
    description_->setTabChangesFocus(true);
    description_->setMaximumHeight(90);
    descriptionLabel->setBuddy(description_);
    descriptionBox->addWidget(descriptionLabel);
    descriptionBox->addWidget(description_);
    bottom->addLayout(descriptionBox, 1);
    auto* transport = new QVBoxLayout;
    play_ = new QPushButton(tr("&Play from marker"));
    play_->setAccessibleName(tr("Play from the marker"));
    stop_ = new QPushButton(tr("S&top"));
    stop_->setAccessibleName(tr("Stop playing"));
    transport->addWidget(play_);
    transport->addWidget(stop_);
    bottom->addLayout(transport);
    layout->addLayout(bottom);
    status_ = new QLabel;
    status_->setWordWrap(true);
    status_->setAccessibleName(tr("Problems"));
    layout->addWidget(status_);
    setCentralWidget(central);

    if (!playback_) {
        play_->setEnabled(false);
        play_->setToolTip(tr("Playback is not available here"));
    }
    stop_->setEnabled(false);
    follow_ = new QTimer(this);
    follow_->setInterval(50);

    connect(follow_, &QTimer::timeout, this, [this] { followPlayback(); });
    connect(play_, &QPushButton::clicked, this, [this] { play(); });
    connect(stop_, &QPushButton::clicked, this, [this] { stopPlaying(); });
    connect(undo_, &QUndoStack::cleanChanged, this, [this] { updateTitle(); });
    connect(quantityTabs_, &QTabBar::currentChanged, this, [this] { plot_->setQuantities({quantity()}); });
    connect(plot_, &SequencePlot::currentChanged, this, [this](int v, int p) { selectPoint(v, p); });
    connect(plot_, &SequencePlot::markerRequested, this, [this](double t) {
        plot_->setMarker(t);
        if (playback_ && playback_->isPlaying())
            playback_->play(heard(), t);
    });
    connect(plot_, &SequencePlot::pointMoved, this, [this](int v, int p, const Point& moved) {
        Sequence after = doc_;
        after.voices[v].points[p] = moved;
        after.lengthSeconds = std::max(after.lengthSeconds, moved.seconds);
        edit(tr("Move point"), after);
    });
    connect(plot_, &SequencePlot::pointAddRequested, this, [this](int v, double t, double value) {
        Sequence after = doc_;
        auto& pts = after.voices[v].points;
        // The new point starts from what the voice plays there.
        Point p = sequence::valueAt(after.voices[v], t);
        if (pts.empty() || t < pts.front().seconds)
            p = pts.empty() ? Point{0, 200, 10, 0.5, Join::slide} : pts.front();
        p.seconds = t;
        SequencePlot::setValue(p, quantity(), value);
        auto at = std::upper_bound(pts.begin(), pts.end(), t, [](double s, const Point& q) { return s < q.seconds; });
        const int index = int(at - pts.begin());
        pts.insert(at, p);
        after.lengthSeconds = std::max(after.lengthSeconds, t);
        point_ = index;
        edit(tr("Add point"), after);
        selectPoint(v, index);
    });
    connect(plot_, &SequencePlot::pointRemoveRequested, this, [this](int v, int p) {
        Sequence after = doc_;
        after.voices[v].points.erase(after.voices[v].points.begin() + p);
        edit(tr("Delete point"), after);
    });
    connect(table_, &QTableWidget::cellChanged, this, [this](int row, int column) { tableEdited(row, column); });
    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (!refreshing_)
            selectPoint(voice_, row);
    });
    auto* deleteRow = new QAction(tr("Delete point"), table_);
    deleteRow->setShortcut(QKeySequence::Delete);
    deleteRow->setShortcutContext(Qt::WidgetShortcut);
    table_->addAction(deleteRow);
    connect(deleteRow, &QAction::triggered, this, [this] {
        const int row = table_->currentRow();
        if (voice_ < int(doc_.voices.size()) && row >= 0 && row < int(doc_.voices[voice_].points.size())) {
            Sequence after = doc_;
            after.voices[voice_].points.erase(after.voices[voice_].points.begin() + row);
            edit(tr("Delete point"), after);
        }
    });
    connect(voices_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!refreshing_ && row >= 0)
            selectPoint(row, doc_.voices[row].points.empty() ? -1 : 0);
    });
    connect(addVoice_, &QPushButton::clicked, this, [this] { addVoice(); });
    connect(removeVoice_, &QPushButton::clicked, this, [this] { removeVoice(); });
    connect(kind_, &QComboBox::activated, this, [this] { voiceFieldsEdited(); });
    connect(waveform_, &QComboBox::activated, this, [this] { voiceFieldsEdited(); });
    connect(voiceLevel_, &QDoubleSpinBox::editingFinished, this, [this] { voiceFieldsEdited(); });
    connect(mixFile_, &QPushButton::clicked, this, [this] { chooseMixFile(); });
    for (QCheckBox* box : {mute_, solo_})
        connect(box, &QCheckBox::toggled, this, [this] {
            if (refreshing_ || voice_ >= int(doc_.voices.size()))
                return;
            muted_[voice_] = mute_->isChecked();
            soloed_[voice_] = solo_->isChecked();
            refreshVoices();
            updateTitle();
            if (playback_ && playback_->isPlaying())
                playback_->replace(heard());
        });
    connect(length_, &QDoubleSpinBox::editingFinished, this, [this] {
        if (length_->value() != doc_.lengthSeconds) {
            Sequence after = doc_;
            after.lengthSeconds = length_->value();
            after.fadeOutSeconds = std::min(after.fadeOutSeconds, after.lengthSeconds);
            edit(tr("Change length"), after);
        }
    });
    connect(fadeOut_, &QDoubleSpinBox::editingFinished, this, [this] {
        if (fadeOut_->value() != doc_.fadeOutSeconds) {
            Sequence after = doc_;
            after.fadeOutSeconds = std::min(fadeOut_->value(), after.lengthSeconds);
            edit(tr("Change fade out"), after);
        }
    });
    connect(description_, &QPlainTextEdit::textChanged, this, [this] {
        if (refreshing_)
            return;
        Sequence after = doc_;
        after.description.clear();
        for (const QString& line : description_->toPlainText().split(QLatin1Char('\n')))
            after.description.push_back(line.toStdString());
        while (!after.description.empty() && after.description.back().empty())
            after.description.pop_back();
        if (after.description != doc_.description)
            edit(tr("Edit description"), after, kDescriptionMerge);
    });

    Sequence empty;
    empty.name = tr("Untitled").toStdString();
    empty.lengthSeconds = 600;
    open(empty, {});
}

SequenceEditor::~SequenceEditor()
{
    if (playback_ && playback_->isPlaying())
        playback_->stop();
}

void SequenceEditor::open(const Sequence& sequence, const std::filesystem::path& file)
{
    file_ = file;
    undo_->clear();
    voice_ = 0;
    point_ = sequence.voices.empty() || sequence.voices[0].points.empty() ? -1 : 0;
    muted_.clear();
    soloed_.clear();
    for (const Voice& voice : sequence.voices) {
        muted_.push_back(voice.muted);
        soloed_.push_back(voice.solo);
    }
    apply(sequence);
    savedMuted_ = muted_;
    savedSoloed_ = soloed_;
    undo_->setClean();
    updateTitle();
}

bool SequenceEditor::isModified() const
{
    return !undo_->isClean() || muted_ != savedMuted_ || soloed_ != savedSoloed_;
}

SequencePlot::Quantity SequenceEditor::quantity() const
{
    return static_cast<SequencePlot::Quantity>(std::max(0, quantityTabs_->currentIndex()));
}

void SequenceEditor::edit(const QString& name, Sequence after, int mergeId)
{
    undo_->push(new EditCommand(this, name, doc_, std::move(after), mergeId));
}

void SequenceEditor::apply(const Sequence& sequence)
{
    // Mute and solo follow their voices through adds and removes.
    muted_.resize(sequence.voices.size(), false);
    soloed_.resize(sequence.voices.size(), false);
    doc_ = sequence;
    voice_ = std::clamp(voice_, 0, std::max(0, int(doc_.voices.size()) - 1));
    const int count = doc_.voices.empty() ? 0 : int(doc_.voices[voice_].points.size());
    point_ = std::min(point_, count - 1);
    if (point_ < 0 && count > 0)
        point_ = 0;
    refresh();
    if (playback_ && playback_->isPlaying())
        playback_->replace(heard());
}

std::vector<PointProblem> SequenceEditor::problems() const { return checkSequence(doc_); }

void SequenceEditor::refresh()
{
    refreshing_ = true;
    const std::vector<PointProblem> found = problems();
    std::set<std::pair<int, int>> marked;
    for (const PointProblem& p : found)
        marked.insert({p.voice, p.point});
    plot_->setSequence(doc_);
    plot_->setProblems(marked);
    plot_->setCurrent(voice_, point_);
    refreshVoices();
    refreshTable();
    length_->setValue(doc_.lengthSeconds);
    fadeOut_->setValue(doc_.fadeOutSeconds);
    QStringList lines;
    for (const std::string& line : doc_.description)
        lines << QString::fromStdString(line);
    if (description_->toPlainText() != lines.join(QLatin1Char('\n'))) {
        description_->setPlainText(lines.join(QLatin1Char('\n')));
        description_->moveCursor(QTextCursor::End);
    }
    if (found.empty()) {
        status_->setText(doc_.voices.empty() ? tr("Add a voice to begin: \"Add voice\", then double-click the plot.")
                                             : QString());
    } else {
        const PointProblem& first = found.front();
        status_->setText(
            tr("%n problem(s), Save waits until they are mended. Voice %1%2: %3", nullptr, int(found.size()))
                .arg(first.voice + 1)
                .arg(first.point >= 0 ? tr(", point %1").arg(first.point + 1) : QString())
                .arg(QString::fromStdString(first.reason)));
    }
    refreshing_ = false;
    updateTitle();
}

void SequenceEditor::refreshVoices()
{
    const bool was = refreshing_;
    refreshing_ = true;
    voices_->clear();
    for (size_t i = 0; i < doc_.voices.size(); ++i) {
        QString text = tr("%1. %2").arg(i + 1).arg(kindName(doc_.voices[i].kind));
        if (muted_[i])
            text += tr(" (muted)");
        if (soloed_[i])
            text += tr(" (solo)");
        voices_->addItem(text);
    }
    const bool any = !doc_.voices.empty();
    voices_->setCurrentRow(any ? voice_ : -1);
    for (QWidget* w : std::initializer_list<QWidget*>{kind_, waveform_, voiceLevel_, mute_, solo_, removeVoice_})
        w->setEnabled(any);
    addVoice_->setEnabled(int(doc_.voices.size()) < kMaxSequenceVoices);
    if (any) {
        const Voice& v = doc_.voices[voice_];
        for (size_t k = 0; k < std::size(kKinds); ++k)
            if (kKinds[k].kind == v.kind)
                kind_->setCurrentIndex(int(k));
        waveform_->setCurrentIndex(int(v.waveform));
        waveform_->setEnabled(hasTones(v.kind));
        double level = 0;
        for (const Point& p : v.points)
            level = std::max(level, p.level);
        voiceLevel_->setValue(level * 100);
        mute_->setChecked(muted_[voice_]);
        solo_->setChecked(soloed_[voice_]);
        mixFile_->setEnabled(v.kind == VoiceKind::mix);
        mixFile_->setToolTip(QString::fromStdString(doc_.mixFile));
    } else {
        mixFile_->setEnabled(false);
    }
    refreshing_ = was;
}

void SequenceEditor::refreshTable()
{
    const bool was = refreshing_;
    refreshing_ = true;
    const int keepColumn = std::max(0, table_->currentColumn());
    table_->setRowCount(0);
    if (voice_ < int(doc_.voices.size())) {
        const Voice& v = doc_.voices[voice_];
        std::map<int, QStringList> reasons;
        for (const PointProblem& p : problems())
            if (p.voice == voice_ && p.point >= 0)
                reasons[p.point] << QString::fromStdString(p.reason);
        table_->setRowCount(int(v.points.size()));
        for (int row = 0; row < int(v.points.size()); ++row) {
            const Point& p = v.points[row];
            const QString cells[columnCount] = {numberText(p.seconds), numberText(p.beatHz), numberText(p.carrierHz),
                                                numberText(p.level * 100),
                                                p.join == Join::slide ? tr("slide") : tr("step")};
            for (int c = 0; c < columnCount; ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                const bool unused = (c == beatColumn && !hasBeat(v.kind)) || (c == carrierColumn && !hasTones(v.kind));
                if (unused) {
                    item->setText(QStringLiteral("–"));
                    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                }
                if (reasons.count(row)) {
                    item->setToolTip(reasons[row].join(QLatin1Char('\n')));
                    item->setForeground(QColor(200, 20, 20));
                }
                table_->setItem(row, c, item);
            }
            auto* header = new QTableWidgetItem(reasons.count(row) ? tr("%1 !").arg(row + 1)
                                                                   : QString::number(row + 1));
            if (reasons.count(row))
                header->setToolTip(reasons[row].join(QLatin1Char('\n')));
            table_->setVerticalHeaderItem(row, header);
        }
        if (point_ >= 0 && point_ < int(v.points.size()))
            table_->setCurrentCell(point_, keepColumn);
    }
    refreshing_ = was;
}

void SequenceEditor::selectPoint(int voice, int point)
{
    if (voice < 0 || voice >= int(doc_.voices.size()))
        return;
    const bool voiceChanged = voice != voice_;
    voice_ = voice;
    point_ = point;
    plot_->setCurrent(voice, point);
    if (voiceChanged) {
        refreshVoices();
        refreshTable();
    } else if (point >= 0 && table_->currentRow() != point) {
        const bool was = refreshing_;
        refreshing_ = true;
        table_->setCurrentCell(point, std::max(0, table_->currentColumn()));
        refreshing_ = was;
    }
}

void SequenceEditor::tableEdited(int row, int column)
{
    if (refreshing_ || voice_ >= int(doc_.voices.size()) || row >= int(doc_.voices[voice_].points.size()))
        return;
    const QString text = table_->item(row, column)->text().trimmed();
    Sequence after = doc_;
    auto& pts = after.voices[voice_].points;
    Point& p = pts[row];
    QString name;
    if (column == joinColumn) {
        if (text != tr("slide") && text != tr("step")) {
            refreshTable();
            return;
        }
        p.join = text == tr("slide") ? Join::slide : Join::step;
        name = tr("Change slide or step");
    } else {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            status_->setText(tr("\"%1\" is not a number.").arg(text));
            refreshTable();
            return;
        }
        switch (column) {
        case timeColumn:
            p.seconds = std::max(0.0, value);
            name = tr("Change time");
            break;
        case beatColumn:
            p.beatHz = value;
            name = tr("Change beat");
            break;
        case carrierColumn:
            p.carrierHz = value;
            name = tr("Change carrier");
            break;
        case levelColumn:
            p.level = std::clamp(value / 100, 0.0, 1.0);
            name = tr("Change level");
            break;
        default: return;
        }
    }
    const Point edited = p;
    if (column == timeColumn) {
        // A new time may take the point past its neighbours: keep the order.
        std::stable_sort(pts.begin(), pts.end(), [](const Point& a, const Point& b) { return a.seconds < b.seconds; });
        point_ = int(std::find_if(pts.begin(), pts.end(),
                                  [&](const Point& q) {
                                      return q.seconds == edited.seconds && q.beatHz == edited.beatHz &&
                                             q.carrierHz == edited.carrierHz;
                                  }) -
                     pts.begin());
        after.lengthSeconds = std::max(after.lengthSeconds, edited.seconds);
    }
    // Defer: the table is inside its own item-changed signal.
    QTimer::singleShot(0, this, [this, name, after] { edit(name, after); });
}

void SequenceEditor::addVoice()
{
    if (int(doc_.voices.size()) >= kMaxSequenceVoices)
        return;
    Sequence after = doc_;
    Voice v;
    v.points.push_back(Point{0, 200, 10, 0.5, Join::slide});
    after.voices.push_back(v);
    voice_ = int(after.voices.size()) - 1;
    point_ = 0;
    edit(tr("Add voice"), after);
}

void SequenceEditor::removeVoice()
{
    if (voice_ >= int(doc_.voices.size()))
        return;
    Sequence after = doc_;
    after.voices.erase(after.voices.begin() + voice_);
    muted_.erase(muted_.begin() + voice_);
    soloed_.erase(soloed_.begin() + voice_);
    edit(tr("Remove voice"), after);
}

void SequenceEditor::voiceFieldsEdited()
{
    if (refreshing_ || voice_ >= int(doc_.voices.size()))
        return;
    Sequence after = doc_;
    Voice& v = after.voices[voice_];
    const VoiceKind kind = kKinds[std::max(0, kind_->currentIndex())].kind;
    const auto waveform = static_cast<Waveform>(std::max(0, waveform_->currentIndex()));
    double level = 0;
    for (const Point& p : v.points)
        level = std::max(level, p.level);
    if (kind != v.kind) {
        v.kind = kind;
        edit(tr("Change voice kind"), after);
    } else if (waveform != v.waveform) {
        v.waveform = waveform;
        edit(tr("Change waveform"), after);
    } else if (std::abs(voiceLevel_->value() / 100 - level) > 1e-9) {
        for (Point& p : v.points)
            p.level = voiceLevel_->value() / 100;
        edit(tr("Change voice level"), after);
    }
}

void SequenceEditor::chooseMixFile()
{
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Mix file"), QString::fromStdString(doc_.mixFile),
                                                        tr("Sound files (*.wav *.flac *.ogg *.mp3);;All files (*)"));
    if (chosen.isEmpty())
        return;
    Sequence after = doc_;
    after.mixFile = chosen.toStdString();
    edit(tr("Choose mix file"), after);
}

// What is heard: muted voices, and all but the soloed ones, at level 0.
Sequence SequenceEditor::heard() const
{
    Sequence out = doc_;
    const bool anySolo = std::find(soloed_.begin(), soloed_.end(), true) != soloed_.end();
    for (size_t i = 0; i < out.voices.size(); ++i)
        if (muted_[i] || (anySolo && !soloed_[i]))
            for (Point& p : out.voices[i].points)
                p.level = 0;
    return out;
}

void SequenceEditor::play()
{
    if (!playback_)
        return;
    if (!problems().empty()) {
        QMessageBox::information(this, tr("Sequence Editor"), tr("Mend the marked points before playing."));
        return;
    }
    playback_->play(heard(), plot_->marker());
    stop_->setEnabled(true);
    follow_->start();
}

void SequenceEditor::stopPlaying()
{
    if (playback_)
        playback_->stop();
    follow_->stop();
    stop_->setEnabled(false);
}

void SequenceEditor::followPlayback()
{
    if (!playback_ || !playback_->isPlaying()) {
        follow_->stop();
        stop_->setEnabled(false);
        return;
    }
    plot_->setMarker(playback_->positionSeconds());
}

void SequenceEditor::updateTitle()
{
    const QString name = file_.empty() ? QString::fromStdString(doc_.name)
                                       : QString::fromStdString(file_.stem().string());
    setWindowTitle(tr("%1%2 - Sequence Editor").arg(name, isModified() ? QStringLiteral("*") : QString()));
}

bool SequenceEditor::save()
{
    if (file_.empty())
        return saveAs();
    return writeTo(file_);
}

// Says why, and true, while a point is out of range: nothing is saved then.
bool SequenceEditor::refusedForProblems()
{
    const std::vector<PointProblem> found = problems();
    if (found.empty())
        return false;
    QMessageBox::warning(this, tr("Sequence Editor"),
                         tr("This sequence cannot be saved yet: %1. The points marked with ! need mending.")
                             .arg(QString::fromStdString(found.front().reason)));
    return true;
}

bool SequenceEditor::saveAs()
{
    if (refusedForProblems())
        return false;
    std::error_code error;
    std::filesystem::create_directories(userFolder_, error);
    std::filesystem::permissions(userFolder_, std::filesystem::perms::owner_all, error);
    const std::filesystem::path suggested = file_.empty()
                                                ? userFolder_ / (doc_.name.empty() ? std::string("sequence.sbg")
                                                                                   : doc_.name + ".sbg")
                                                : userFolder_ / file_.filename();
    QString chosen = QFileDialog::getSaveFileName(this, tr("Save Sequence"), QString::fromStdString(suggested.string()),
                                                  tr("Sequences (*.sbg)"));
    if (chosen.isEmpty())
        return false;
    if (!chosen.endsWith(QStringLiteral(".sbg")))
        chosen += QStringLiteral(".sbg");
    if (!writeTo(chosen.toStdString()))
        return false;
    file_ = chosen.toStdString();
    updateTitle();
    return true;
}

// The file is replaced as a whole or not at all (a temporary beside it, synced
// and renamed), so a full disk never leaves half a sequence.
bool SequenceEditor::writeTo(const std::filesystem::path& path)
{
    if (refusedForProblems())
        return false;
    QSaveFile out(QString::fromStdString(path.string()));
    Sequence kept = doc_;
    for (size_t i = 0; i < kept.voices.size(); ++i) {
        kept.voices[i].muted = muted_[i];
        kept.voices[i].solo = soloed_[i];
    }
    const std::string text = writeSbg(kept);
    if (!out.open(QIODevice::WriteOnly) || out.write(text.data(), qint64(text.size())) != qint64(text.size()) ||
        !out.commit()) {
        QMessageBox::warning(this, tr("Sequence Editor"),
                             tr("Cannot save %1: %2").arg(QString::fromStdString(path.string()), out.errorString()));
        return false;
    }
    savedMuted_ = muted_;
    savedSoloed_ = soloed_;
    undo_->setClean();
    updateTitle();
    emit saved(QString::fromStdString(path.string()));
    return true;
}

void SequenceEditor::closeEvent(QCloseEvent* event)
{
    if (isModified()) {
        QMessageBox box(
            QMessageBox::Question, tr("Sequence Editor"),
            tr("Save the changes to \"%1\" before closing?").arg(windowTitle().section(QLatin1Char('*'), 0, 0)),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
        box.setDefaultButton(QMessageBox::Save);
        box.setObjectName(QStringLiteral("unsavedChanges"));
        const int answer = box.exec();
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !save())) {
            event->ignore();
            return;
        }
    }
    stopPlaying();
    event->accept();
}

} // namespace aurelith
