// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/Dialogs.h"
#include "sound/MixerSoundSystem.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace aurelith {

// The window's handlers run offline with these stand-ins.

// No one to ask: every box is answered as if closed, and what would have been
// shown is kept to report.
class QuietDialogs : public Dialogs {
public:
    void message(const std::string& text, const std::string&) override
    {
        if (shown.empty())
            shown = text;
    }
    bool confirm(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> input(const std::string&, const std::string&, const std::string&) override
    {
        return answer;
    }
    std::optional<Colour> pickColour(Colour) override { return std::nullopt; }
    std::string shown;
    std::optional<std::string> answer; // what an input box is answered with
};

// The offline mixer as the handlers see it: the first tone file is the left
// ear's, the second the right's, `separation` hundredths of a dB from the
// other ear, whatever pan the handlers ask for. (The window's "Tone Mod"
// sends the first box to the right.)
class EarsAsNamed : public SoundSystem {
public:
    EarsAsNamed(MixerSoundSystem& inner, const std::filesystem::path& folder, int separation);
    bool createDevice(std::string& error) override { return inner_.createDevice(error); }
    bool hasDevice() const override { return inner_.hasDevice(); }
    std::unique_ptr<SoundBuffer> createBuffer(const std::string& path) override;
    // A set-aside mask 1 gets the built-in pink noise, as in the window.
    std::unique_ptr<SoundBuffer> createStandIn(const std::string& path) override { return inner_.createStandIn(path); }
    std::unique_ptr<SoundBuffer>
    createBufferFromMemory(const std::string& name, const std::vector<unsigned char>& bytes, ToneWave wave) override;
    void releaseDevice() override { inner_.releaseDevice(); }
    int outputChannels() const override { return inner_.outputChannels(); }
    HeardBeatSource* heardBeats() override { return inner_.heardBeats(); }
    GlideVoices* glideVoices() override { return inner_.glideVoices(); }

private:
    std::unique_ptr<SoundBuffer> pin(const std::string& name, std::unique_ptr<SoundBuffer> buffer) const;
    MixerSoundSystem& inner_;
    std::string tone1_, tone2_;
    int separation_;
};

} // namespace aurelith
