// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/ConditionsEvents.h"

#include "app/TrustedFile.h"

#include "app/DataFileNames.h"
#include "events/CommandLine.h"
#include "events/EventsWrites.h"
#include "ui/ControlNames.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aurelith {
namespace {

using namespace ctl;

constexpr int kCount = 10;
constexpr int kConditionPhase = 12; // eventProgIndex while conditions are prompted, and vice versa

bool inRange(int n, int low, int high) { return n >= low && n <= high; }

constexpr std::array<const char*, kCount> kDefaultCondTitles = {
    "Scan Start", "Freq Chg.", "3th Loop", "4th Loop", "5th Loop",
    "6th Loop",   "7th Loop",  "8th Loop", "9th Loop", "10th Loop",
};

// The two halves of the editor: the texts and titles of one kind, and its files.
struct Kind {
    std::array<std::string, kCount> EventsState::*text;
    std::array<std::string, kCount> EventsState::*title;
    const char* fileStem;
    const char* viewCaption;   // the frame over the text box while viewing
    const char* itemCaption;   // "Cond 3", "Event 3"
    const char* promptCaption; // "Enter Cond 3", "Enter Event 3"
    int EventsState::*viewIndex;
};

const Kind kConditions{&EventsState::condText, &EventsState::condTitle,    dataFile::kConditionStem, "Conds", "Cond ",
                       "Enter Cond ",          &EventsState::condViewIndex};
const Kind kEvents{
    &EventsState::eventCommand,  &EventsState::eventTitle, dataFile::kEventStem, "Events", "Event ", "Enter Event ",
    &EventsState::eventViewIndex};

std::string fileOf(const Kind& kind, int k) { return dataFile::numbered(kind.fileStem, k); }
std::string& textOf(App& app, const Kind& kind, int k) { return (EventsWrites::events(app).*kind.text)[k - 1]; }
std::string& titleOf(App& app, const Kind& kind, int k) { return (EventsWrites::events(app).*kind.title)[k - 1]; }

// File errors are ignored: the entry keeps what it held.
void save(App& app, const Kind& kind, int k, std::string text, std::string title)
{
    textOf(app, kind, k) = std::move(text);
    titleOf(app, kind, k) = std::move(title);
    app.files.write(fileOf(kind, k), {Value(textOf(app, kind, k)), Value(titleOf(app, kind, k))});
}

// A missing or unreadable file, or a missing field, leaves the entry as it was.
void load(App& app, const Kind& kind, int k)
{
    Value text(textOf(app, kind, k));
    Value title(titleOf(app, kind, k));
    if (!app.files.readInto(fileOf(kind, k), {&text, &title}))
        return;
    textOf(app, kind, k) = text.text();
    titleOf(app, kind, k) = title.text();
}

void prompt(App& app, const std::string& item, int k)
{
    app.form.setCaption(fraStimColour, item + std::to_string(k));
    app.form.setCaption(fraBackColour, "Enter Title " + std::to_string(k));
}

// PrgCDET: twenty prompts in turn, conditions 1 ... 10 then events 1 ... 10.
void pickNext(App& app)
{
    int& c = EventsWrites::events(app).condProgIndex;
    int& e = EventsWrites::events(app).eventProgIndex;
    app.form.setText(txtStimColour, "");
    app.form.setText(txtBackColour, "");
    if (inRange(c, 1, kCount)) {
        prompt(app, kConditions.promptCaption, c);
        ++c;
    } else {
        if (c == kCount + 1) {
            c = kConditionPhase;
            e = 1;
        }
        if (inRange(e, 1, kCount)) {
            prompt(app, kEvents.promptCaption, e);
            ++e;
        } else if (e == kCount + 1) {
            e = kConditionPhase;
            c = 2;
            prompt(app, kConditions.promptCaption, 1);
        }
    }
    app.form.setText(txtColourSet, std::to_string(c));
    app.form.setText(txtLightSound, std::to_string(e));
}

// The colour section gets its frames and boxes back; txtLightSound keeps the counter.
void handBack(App& app)
{
    const WindowState& s = app.state;
    app.form.setCaption(fraStimColour, "Stim Color");
    app.form.setCaption(fraBackColour, "BkGrd Color");
    app.form.setText(txtColourSet, s.strobe.colourSetIndex.text());
    app.form.setText(txtStimColour, s.strobe.activeStimColour.text());
    app.form.setText(txtBackColour, s.strobe.activeBackColour.text());
}

void programCondition(App& app)
{
    const int c = app.state.events.condProgIndex;
    if (inRange(c, 2, kCount + 1))
        save(app, kConditions, c - 1, app.form.text(txtStimColour), app.form.text(txtBackColour));
    handBack(app);
}

// The form of a command line that the record gives back splitting into the
// same words (the record turns " into ' and ends at a line break), or why
// there is none.
std::optional<std::string> storableCommand(const std::string& line, std::string& why)
{
    const auto words = splitCommandLine(line);
    if (!words) {
        why = "a quote is not closed.";
        return std::nullopt;
    }
    for (const std::string& word : *words)
        if (word.find('\0') != std::string::npos) {
            why = "a program's argument cannot hold a NUL character.";
            return std::nullopt;
        }
    const auto kept = [](const std::string& text) {
        const std::vector<Value> record = DataFiles::decode(DataFiles::encode({Value(text)}));
        return record.size() == 1 && record[0].text() == text;
    };
    // As typed where the record keeps it, so that viewing shows what was entered.
    std::string stored = kept(line) ? line : joinCommandLine(*words);
    if (!kept(stored) || splitCommandLine(stored) != words) {
        why = "it cannot be written so that it reads back the same.";
        return std::nullopt;
    }
    if (stored.size() + 1024 > DataFiles::kMaxRecordBytes) {
        why = "it is longer than an event file can hold.";
        return std::nullopt;
    }
    return stored;
}

// Nobody else may change what an event starts: its file is kept writable by
// the user alone, whatever the umask made of it.
void keepPrivate(App& app, int k)
{
    std::error_code ignored;
    std::filesystem::permissions(app.files.pathOf(fileOf(kEvents, k)),
                                 std::filesystem::perms::group_write | std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove, ignored);
}

// Outside the event phase this overwrites event 1. A command that would not
// come back as entered is refused and left in the box to be mended.
void programEvent(App& app)
{
    const int e = app.state.events.eventProgIndex;
    const int k = inRange(e, 3, kCount + 1) ? e - 1 : 1;
    std::string why;
    const auto command = storableCommand(app.form.text(txtStimColour), why);
    if (!command) {
        app.message("Event " + std::to_string(k) + " was not stored: " + why);
        return;
    }
    save(app, kEvents, k, *command, app.form.text(txtBackColour));
    keepPrivate(app, k);
    handBack(app);
}

void writeDefaults(App& app)
{
    for (int k = 1; k <= kCount; ++k)
        save(app, kConditions, k, std::to_string(k), kDefaultCondTitles[k - 1]);
    // Stored data, launched as it stands; on this system it names no program.
    for (int k = 1; k <= kCount; ++k) {
        save(app, kEvents, k, "c:\\event" + std::to_string(k) + ".bat", "Event" + std::to_string(k));
        keepPrivate(app, k);
    }
}

// Cond and Event: show the next entry, cycling 1 ... 10.
void viewNext(App& app, const Kind& kind)
{
    app.form.setCaption(fraStimColour, kind.viewCaption);
    app.form.setCaption(fraBackColour, "Title");
    int& index = EventsWrites::events(app).*kind.viewIndex;
    const int v = index;
    if (!inRange(v, 1, kCount))
        return;
    index = v == kCount ? 1 : v + 1;
    app.form.setCaption(fraStimColour, kind.itemCaption + std::to_string(v));
    app.form.setCaption(fraBackColour, "Title " + std::to_string(v));
    load(app, kind, v);
    app.form.setText(txtStimColour, textOf(app, kind, v));
    app.form.setText(txtBackColour, titleOf(app, kind, v));
}

// Reads an event's record only from a regular file of the user's own that no
// one else may write, checked on the descriptor that is read, so the file
// cannot be swapped in between. Empty when read, else why not.
std::string readOwnRecord(const std::string& path, std::vector<Value>& fields)
{
    // A link of another user's could lead to one of ours.
    if (trustOf(path) == FileTrust::untrusted)
        return "is not your own, or other users may change it (a link counts with the file it leads to).";
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? "does not exist." : "cannot be read: " + std::string(std::strerror(errno)) + ".";
    struct stat st {};
    std::string why;
    if (::fstat(fd, &st) != 0)
        why = "cannot be read: " + std::string(std::strerror(errno)) + ".";
    else if (!S_ISREG(st.st_mode))
        why = "is not a regular file.";
    else if (st.st_uid != ::geteuid())
        why = "belongs to another user (uid " + std::to_string(st.st_uid) + ").";
    else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        why = "can be changed by other users than you (remove their write permission: chmod go-w).";
    std::string content(DataFiles::kMaxRecordBytes, '\0');
    ssize_t got = 0;
    if (why.empty()) {
        got = ::read(fd, content.data(), content.size());
        if (got < 0)
            why = "cannot be read: " + std::string(std::strerror(errno)) + ".";
    }
    ::close(fd);
    if (why.empty()) {
        content.resize(static_cast<size_t>(got));
        fields = DataFiles::decode(content);
    }
    return why;
}

// Switching on compares the scanner's last loop with the condition Cond shows
// next and launches the event Event shows next.
void toggleEvents(App& app)
{
    const ScanState& scan = app.state.scan;
    EventsState& events = EventsWrites::events(app);
    if (events.eventSwitch == EventSwitch::on) {
        events.eventSwitch = EventSwitch::off;
        app.form.setCaption(cmdEventsOnOff, "EvntOFF");
        return;
    }
    if (events.eventSwitch == EventSwitch::off)
        events.eventSwitch = EventSwitch::on;
    app.form.setCaption(cmdEventsOnOff, "EventON");
    if (scan.loopNumber != events.condViewIndex || !inRange(scan.loopNumber, 1, 20))
        return;
    const int j = events.eventViewIndex;
    if (!inRange(j, 1, kCount))
        return;
    const std::string path = app.files.pathOf(fileOf(kEvents, j)).string();
    std::vector<Value> fields;
    if (const std::string why = readOwnRecord(path, fields); !why.empty()) {
        app.message("Event " + std::to_string(j) + " was not started: " + path + " " + why);
        return;
    }
    // The file alone says what starts: an empty one starts nothing.
    textOf(app, kEvents, j) = fields.empty() ? std::string() : fields[0].text();
    if (fields.size() > 1)
        titleOf(app, kEvents, j) = fields[1].text();
    if (const std::string why = launchCommandLine(app, textOf(app, kEvents, j)); !why.empty())
        app.message("Event " + std::to_string(j) + " was not started: the command in " + path + " " + why);
}

} // namespace

std::string launchCommandLine(App& app, const std::string& commandLine)
{
    const auto words = splitCommandLine(commandLine);
    if (!words)
        return "has a quote that is not closed.";
    if (words->empty())
        return {};
    if (words->front().empty())
        return "names no program.";
    const std::vector<std::string> arguments(words->begin() + 1, words->end());
    app.launcher.start(words->front(), arguments, app.folder);
    return {};
}

void bindConditionsEvents(App& app)
{
    Form& form = app.form;
    form.onClick(cmdPromptEntry, [&app] { pickNext(app); });                 // "PrgCDET"
    form.onClick(cmdProgramCondition, [&app] { programCondition(app); });    // "PrgCond"
    form.onClick(cmdProgramEvent, [&app] { programEvent(app); });            // "PrgEvnt"
    form.onClick(cmdDefaultConditions, [&app] { writeDefaults(app); });      // "DeFCnd"
    form.onClick(cmdViewConditions, [&app] { viewNext(app, kConditions); }); // "Cond"
    form.onClick(cmdViewEvents, [&app] { viewNext(app, kEvents); });         // "Event"
    form.onClick(cmdEventsOnOff, [&app] { toggleEvents(app); });             // "EventOFF"
}

} // namespace aurelith
