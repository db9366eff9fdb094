// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"
#include "shell/Startup.h"
#include "support/RecordingLauncher.h"
#include "support/RecordingSoundSystem.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "shell/Bindings.h"
#include "ui/ControlNames.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <cstdint>
#include <string>
#include <vector>

namespace aurelith::test {

namespace fs = std::filesystem;

// The manual clock's units: it counts milliseconds.
inline constexpr std::int64_t kSecond = 1000;
inline constexpr std::int64_t kMinute = 60 * kSecond;
inline constexpr std::int64_t kHour = 60 * kMinute;

// What the program asks the desktop to keep awake.
struct RecordingInhibitor : SessionInhibitor {
    void holdScreenAwake(bool hold) override { screenHeld = hold; }
    void holdSystemAwake(bool hold) override { systemHeld = hold; }
    bool screenHeld = false;
    bool systemHeld = false;
};

// Runs body in a child as the user uid, when root may become it (root ignores
// permissions); the result is the child's exit status, body's return value.
template <typename Body>
int asUser(uid_t uid, Body body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(uid) != 0)
            ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

template <typename Body>
int asOrdinaryUser(Body body)
{
    return asUser(65534, body);
}

// The whole program below the window: a Form with every handler bound, the
// recording sound system (or one built on it) and scripted dialogs, working in
// its own folder.
template <class Sound = RecordingSoundSystem>
struct BasicProgram {
    BasicProgram() { bindHandlers(app); }
    // The next run, in an earlier run's folder.
    explicit BasicProgram(const fs::path& earlier) : home(earlier) { bindHandlers(app); }

    // Calls `painted` with each colour the flash surface is given.
    void onFlashPaint(std::function<void(std::optional<Colour>)> painted)
    {
        form.addObserver([painted = std::move(painted)](const Control& c, Property p) {
            if (c.name == ctl::txtFlashSurface && p == Property::BackColour)
                painted(c.backColour);
        });
    }
    // A folder as a user who ran the program before would have it, with the
    // levels ("vols") given.
    void useSavedSettings(const std::string& vols) const
    {
        for (const auto& [name, bytes] : {std::pair<const char*, std::string>{"fctl", "1"},
                                          {"vols", vols},
                                          {"oncol", "255"},
                                          {"offcol", "16711680"},
                                          {"flashok", "1"}}) // said "Flash" to the strobe's warning
            writeBytes(home / name, bytes + "\r\n");
    }

    TempFolder folder;
    fs::path home = folder.path;
    Form form;
    Sound sound;
    ScriptedDialogs dialogs;
    RecordingLauncher launcher;
    FixedTimeOfDay timeOfDay;
    App app{form, sound, dialogs, home, launcher, timeOfDay};
};
using Program = BasicProgram<>;

inline constexpr Colour kRed = 255;
inline constexpr Colour kBlue = 16711680;
using Texts = std::vector<std::string>;
using Colours = std::vector<Colour>;

class AppTest : public ::testing::Test, protected Program {
protected:
    bool start() { return startUp(app); }
    // Started as a returning user whose saved levels ("vols") are these.
    void startAsReturningUser(const std::string& vols)
    {
        useSavedSettings(vols);
        ASSERT_TRUE(start());
    }
    void setPair(const std::string& left, const std::string& right)
    {
        type(ctl::txtSetFreq1, left);
        type(ctl::txtsetfreq2, right);
    }
    // A scan at the step time typed (ms), in `direction` (empty: as it stands).
    void startScan(const std::string& ms, std::string_view direction = ctl::cmdScanUp)
    {
        dialogs.answerInput(ms);
        click(ctl::mnuCustomScanTime);
        if (!direction.empty())
            click(direction);
        click(ctl::cmdScanOn);
    }
    std::string file(std::string_view name) const { return readBytes(folder.path / name); }
    void putFile(const std::string& name, const std::string& bytes) { writeBytes(folder.path / name, bytes); }
    bool exists(const std::string& name) const { return fs::exists(folder.path / name); }
    const std::string& text(std::string_view name) const { return form.text(name); }
    void type(std::string_view box, const std::string& value) { form.setText(box, value); }
    void click(std::string_view name, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            form.click(name);
    }
    std::vector<RecordingSoundSystem::BufferInfo> playing() const
    {
        std::vector<RecordingSoundSystem::BufferInfo> result;
        for (const auto& b : sound.liveBuffers())
            if (b.playing)
                result.push_back(b);
        return result;
    }
    std::vector<std::string> playingFiles() const
    {
        std::vector<std::string> names;
        for (const auto& b : playing())
            names.push_back(fs::path(b.path).filename().string());
        return names;
    }
    bool called(const std::string& line) const { return std::ranges::find(sound.calls, line) != sound.calls.end(); }
    // The pitch each playing tone buffer really sounds at, channel 1 first.
    std::vector<double> tonePitches() const
    {
        std::vector<double> hz;
        for (const auto& b : playing())
            if (b.path.find("freq") != std::string::npos)
                hz.push_back(b.frequency / static_cast<double>(b.frames));
        return hz;
    }
    // The two tones sound at exactly these pitches.
    void expectPlaying(double left, double right, const std::string& context = "") const
    {
        const auto hz = tonePitches();
        ASSERT_EQ(hz.size(), 2u) << context;
        EXPECT_NEAR(hz[0], left, 1e-9) << context;
        EXPECT_NEAR(hz[1], right, 1e-9) << context;
    }
    // The colour boxes and their frames show the strobe's colours again.
    void expectColourDisplaysBack() const
    {
        const auto& strobe = app.state.strobe;
        EXPECT_EQ(captions({ctl::fraStimColour, ctl::fraBackColour}), (Texts{"Stim Color", "BkGrd Color"}));
        EXPECT_EQ(
            texts({ctl::txtColourSet, ctl::txtStimColour, ctl::txtBackColour}),
            (Texts{strobe.colourSetIndex.text(), strobe.activeStimColour.text(), strobe.activeBackColour.text()}));
    }
    // `count` lamps, the one at `index` alone lit with the lamp-on colour.
    static Colours litAt(std::size_t count, std::size_t index)
    {
        Colours shown(count, kBlue);
        shown.at(index) = kRed;
        return shown;
    }
    Colour lamp(std::string_view name) const { return form.backColour(name).value_or(0xFFFFFFFFu); }
    // A whole display at once, in the order named: one comparison shows all of it.
    using Names = std::initializer_list<std::string_view>;
    template <class T, class Get>
    std::vector<T> each(Names names, Get get) const
    {
        std::vector<T> result;
        for (std::string_view n : names)
            result.push_back(std::invoke(get, this, n));
        return result;
    }
    Texts texts(Names names) const { return each<std::string>(names, &AppTest::text); }
    Texts captions(Names names) const { return each<std::string>(names, &AppTest::caption); }
    Colours lamps(Names names) const { return each<Colour>(names, &AppTest::lamp); }
    std::vector<int> values(Names names) const { return each<int>(names, &AppTest::value); }
    Texts fileBytes(Names names) const { return each<std::string>(names, &AppTest::file); }

private:
    const std::string& caption(std::string_view name) const { return form.caption(name); }
    int value(std::string_view name) const { return form.value(name); }
};

} // namespace aurelith::test
