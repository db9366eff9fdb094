// SPDX-License-Identifier: GPL-3.0-or-later
#include "freq/FrequencyMemory.h"

#include "app/DataFileNames.h"
#include "app/ModePanel.h"
#include "freq/FreqWrites.h"
#include "photic/Strobe.h"
#include "tone/ChannelText.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <array>
#include <cmath>
#include <optional>

namespace aurelith {
namespace {

using namespace ctl;

struct Memory {
    char letter;
    std::string_view recall;
    std::string_view store;
    std::string_view storeItem;
    std::array<char, 3> names; // in groups 1, 2 and 3
};

// Recall "Prg A" .. "Prg H", store "Prg Set A" .. "Prg Set H" and menu
// "&Store Freq A,I,Q" .. "&Store Freq H,P,X" (captions follow the group).
constexpr std::array<Memory, 8> kMemories = {{
    {'a', cmdRecallA, cmdStoreA, mnuStoreA, {'A', 'I', 'Q'}},
    {'b', cmdRecallB, cmdStoreB, mnuStoreB, {'B', 'J', 'R'}},
    {'c', cmdRecallC, cmdStoreC, mnuStoreC, {'C', 'K', 'S'}},
    {'d', cmdRecallD, cmdStoreD, mnuStoreD, {'D', 'L', 'T'}},
    {'e', cmdRecallE, cmdStoreE, mnuStoreE, {'E', 'M', 'U'}},
    {'f', cmdRecallF, cmdStoreF, mnuStoreF, {'F', 'N', 'V'}},
    {'g', cmdRecallG, cmdStoreG, mnuStoreG, {'G', 'O', 'W'}},
    {'h', cmdRecallH, cmdStoreH, mnuStoreH, {'H', 'P', 'X'}},
}};

// The Mode panel's group rows while memories use them.
constexpr std::array<const char*, 3> kGroupCaptions = {"PGA", "PGI", "PGQ"};

// Any group but 2 or 3 stores and recalls as group 1.
std::string memoryFile(const App& app, const Memory& m)
{
    return dataFile::memory(m.letter, validGroup(app.state.freq.programGroup).value_or(1));
}

void store(App& app, const Memory& m)
{
    app.files.write(memoryFile(app, m), {Value(app.form.text(txtSetFreq1)), Value(app.form.text(txtsetfreq2))});
}

// A stored field recalls as its absolute value; one that is not a number
// leaves its box as it is.
void recallField(App& app, std::string_view box, const Value& field)
{
    const std::optional<double> n = field.number();
    if (n && std::isfinite(*n))
        app.form.setText(box, formatNumber(std::fabs(*n)));
}

void recall(App& app, const Memory& m)
{
    setLamp(app, modePanel::kSoundLamp, true);
    Value left(app.form.text(txtSetFreq1));
    Value right(app.form.text(txtsetfreq2));
    app.files.readInto(memoryFile(app, m), {&left, &right});
    recallField(app, txtSetFreq1, left);
    recallField(app, txtsetfreq2, right);
    app.form.setText(txtBaseFreq, app.form.text(txtSetFreq1));
    showBeat(app);
    if (rebuildTones(app) && strobeRunning(app))
        ColorOn(app);
}

void stepGroup(App& app)
{
    for (size_t i = 0; i < kGroupCaptions.size(); ++i)
        app.form.setCaption(modePanel::kGroupLabels[i], kGroupCaptions[i]);
    Value& group = FreqWrites::freq(app).programGroup;
    if (const auto n = validGroup(group))
        group = *n % 3 + 1;
    showProgramGroup(app);
    app.files.write(dataFile::kMemoryGroup, {group});
}

// Schumann resonances: each pair is 10 and 11 times its beat.
void writeDefaultMemories(App& app)
{
    app.files.write(dataFile::memory('a', 1), {78.3, 86.13});
    app.files.write(dataFile::memory('b', 1), {141, 155.1});
    app.files.write(dataFile::memory('c', 1), {203, 223.3});
    app.files.write(dataFile::memory('d', 1), {264, 290.4});
}

std::vector<std::string> memoryFiles()
{
    std::vector<std::string> names;
    for (int group = 1; group <= 3; ++group)
        for (const Memory& m : kMemories)
            names.push_back(dataFile::memory(m.letter, group));
    return names;
}

// The colour files; "csets" goes with "cset" so the set really returns to its
// default at the next start.
std::vector<std::string> colourFiles()
{
    std::vector<std::string> names;
    for (int set = 1; set <= 16; ++set) {
        names.push_back(dataFile::colourSet(dataFile::kStimColour, set));
        names.push_back(dataFile::colourSet(dataFile::kBackColour, set));
    }
    names.push_back(dataFile::kOldColourSetIndex);
    names.push_back(dataFile::kColourSetIndex);
    return names;
}

std::vector<std::string> conditionFiles()
{
    std::vector<std::string> names;
    for (const char* stem : {dataFile::kConditionStem, dataFile::kEventStem})
        for (int k = 1; k <= 10; ++k)
            names.push_back(dataFile::numbered(stem, k));
    return names;
}

std::vector<std::string> allDataFiles()
{
    std::vector<std::string> names = memoryFiles();
    names.push_back(dataFile::kLevels);
    for (std::string& n : colourFiles())
        names.push_back(std::move(n));
    names.push_back(dataFile::kMemoryGroup);
    names.push_back(dataFile::kMaskSelection);
    for (std::string& n : conditionFiles())
        names.push_back(std::move(n));
    names.push_back(dataFile::kFirstRunMarker);
    // With everything else gone, the strobe's warning should come again too.
    names.push_back(dataFile::kFlashAnswer);
    // And the light is square again, as at a first run.
    names.push_back(dataFile::kGentleLight);
    return names;
}

struct Deletion {
    std::string_view item;
    const char* question; // nullptr: deletes without asking
    const char* title;
    std::vector<std::string> (*files)();
};

const std::array<Deletion, 6> kDeletions = {{
    {mnuDeleteMemories, "Are you sure you want to delete all 24 prg set frequenices ?", "Frequency Deletion",
     memoryFiles},
    {mnuDeleteLevels, nullptr, nullptr, [] { return std::vector<std::string>{dataFile::kLevels}; }},
    {mnuDeleteColours, "Are you sure you want to delete all Color Sets?", "Stored Information", colourFiles},
    {mnuDeleteConditions, nullptr, nullptr, conditionFiles},
    {mnuDeleteAllData, "Are you sure you want to delete all Stored frequenices, Color Sets, Vol Settings?",
     "Stored Information", allDataFiles},
    {mnuDeleteInstallFile, nullptr, nullptr, [] { return std::vector<std::string>{dataFile::kFirstRunMarker}; }},
}};

// Only Yes deletes; a missing file is simply skipped.
void deleteStored(App& app, const Deletion& d)
{
    if (d.question && !app.confirm(d.question, d.title))
        return;
    for (const std::string& name : d.files())
        app.files.remove(name);
}

} // namespace

void showProgramGroup(App& app)
{
    const std::optional<int> group = validGroup(app.state.freq.programGroup);
    if (!group)
        return;
    const int index = *group - 1;
    for (int i = 0; i < 3; ++i)
        setLamp(app, modePanel::kGroupLamps[i], i == index);
    app.form.setCaption(modePanel::kGroupLabels[index], kGroupCaptions[index]);
    for (const Memory& m : kMemories) {
        const char name = m.names[index];
        app.form.setCaption(m.store, std::string("Prg Set ") + name);
        app.form.setCaption(m.recall, std::string("Prg ") + name);
    }
}

void bindFrequencyMemory(App& app)
{
    Form& form = app.form;
    for (const Memory& m : kMemories) {
        form.onClick(m.recall, [&app, &m] { recall(app, m); });
        form.onClick(m.store, [&app, &m] { store(app, m); });
        form.onClick(m.storeItem, [&app, &m] { store(app, m); });
    }
    form.onClick(cmdNextMemoryGroup, [&app] { stepGroup(app); });            // "PrgSet"
    form.onClick(cmdDefaultMemories, [&app] { writeDefaultMemories(app); }); // "Def Prg"
    form.onClick(mnuDefaultMemories, [&app] { writeDefaultMemories(app); }); // "&Def Prg"
    for (const Deletion& d : kDeletions)
        form.onClick(d.item, [&app, &d] { deleteStored(app, d); });
}

} // namespace aurelith
