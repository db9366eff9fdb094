// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/HeadphoneCheck.h"

#include "core/ToneLimits.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <algorithm>
#include <cmath>
#include "sequence/SequenceFiles.h"

#include <cstdint>
#include <string>
#include <memory>
#include <numbers>
#include <vector>

namespace aurelith {

const char* const kOneChannelMessage =
    "The sound output has only one channel. Binaural beats need two channels: stereo headphones, "
    "one ear each. Connect stereo headphones (or choose a stereo output) and try again.";

namespace {

// The isochronic sequences need no second channel: the message names them.
std::string oneChannelMessage(const App& app)
{
    std::string text = kOneChannelMessage;
    const std::vector<std::string> names = app.builtInSequences.empty()
                                               ? std::vector<std::string>{}
                                               : sequence::isochronicSequences(app.builtInSequences);
    if (names.empty())
        return text;
    text += "\n\nThese sequences pulse in the sound itself and need no headphones (Options, Sequences...):";
    for (const std::string& name : names)
        text += "\n  " + name;
    return text;
}

constexpr int kCycleFrames = 100; // one cycle of the tone, looped as the tones are
constexpr double kPeak = 0.5;

void putLittleEndian(std::vector<unsigned char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A 16-bit mono WAV of one sine cycle.
std::vector<unsigned char> checkToneWav()
{
    const auto frames = static_cast<std::uint32_t>(kCycleFrames);
    std::vector<unsigned char> wav;
    wav.reserve(44 + 2 * frames);
    for (const char c : std::string_view("RIFF"))
        wav.push_back(static_cast<unsigned char>(c));
    putLittleEndian(wav, 36 + 2 * frames, 4);
    for (const char c : std::string_view("WAVEfmt "))
        wav.push_back(static_cast<unsigned char>(c));
    putLittleEndian(wav, 16, 4);
    putLittleEndian(wav, 1, 2); // PCM
    putLittleEndian(wav, 1, 2); // mono
    putLittleEndian(wav, kSampleRate, 4);
    putLittleEndian(wav, 2 * kSampleRate, 4);
    putLittleEndian(wav, 2, 2);
    putLittleEndian(wav, 16, 2);
    for (const char c : std::string_view("data"))
        wav.push_back(static_cast<unsigned char>(c));
    putLittleEndian(wav, 2 * frames, 4);
    for (int i = 0; i < kCycleFrames; ++i) {
        const double x = kPeak * std::sin(2 * std::numbers::pi * i / kCycleFrames);
        putLittleEndian(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(32767 * x))), 2);
    }
    return wav;
}

// The check's tone, looped for as long as a box is open. One voice serves both
// ears, its pan moved between them: a second voice would start while the first
// still plays on for its grace time, in the ear that must hear nothing.
std::unique_ptr<SoundBuffer> makeCheckTone(App& app)
{
    auto buffer = app.sound.createBufferFromMemory("headphone-check", checkToneWav(), ToneWave::sine);
    if (!buffer)
        return nullptr;
    buffer->setFrequency(kCheckToneHz * static_cast<double>(buffer->frameCount()));
    // As loud as the tones would be, but never silent: the bar may be at its end.
    buffer->setVolume(std::max(app.form.value(ctl::scrToneVol), kSilentLevel / 2));
    return buffer;
}

// A positive pan silences the left output; at the end of its range it is 100 dB down.
int panFor(Ear ear) { return ear == Ear::left ? kSilentLevel : -kSilentLevel; }

void checkHeadphones(App& app)
{
    std::string error;
    if (!app.sound.hasDevice() && !app.sound.createDevice(error)) {
        app.message(error, kHeadphoneCheckTitle);
        return;
    }
    // Making a buffer opens the output if it is closed: its channels are known from then on.
    std::unique_ptr<SoundBuffer> tone = makeCheckTone(app);
    if (!tone)
        return;
    if (app.sound.outputChannels() < 2) {
        app.message(oneChannelMessage(app), kHeadphoneCheckTitle);
        return;
    }
    // What plays now pauses, its settings kept in its buffers.
    std::vector<SoundBuffer*> paused;
    for (auto& buffer : app.state.tone.soundBuffers)
        if (buffer && buffer->isPlaying()) {
            buffer->stop();
            paused.push_back(buffer.get());
        }
    tone->setPan(panFor(Ear::left));
    tone->play(true);
    for (const Ear ear : {Ear::left, Ear::right}) {
        tone->setPan(panFor(ear));
        app.message(earCheckText(ear), kHeadphoneCheckTitle);
    }
    tone->stop();
    // Resumed only where the same buffer still fills its slot.
    for (auto& buffer : app.state.tone.soundBuffers)
        if (buffer && std::find(paused.begin(), paused.end(), buffer.get()) != paused.end())
            buffer->play(true);
}

} // namespace

std::string earCheckText(Ear ear)
{
    return std::string("You should hear this in your ") + (ear == Ear::left ? "LEFT" : "RIGHT") + " ear";
}

void bindHeadphoneCheck(App& app)
{
    app.form.onClick(ctl::optHeadphones, [&app] { checkHeadphones(app); });
}

} // namespace aurelith
