// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/HeadphoneCheck.h"

#include "core/ToneLimits.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace aurelith {

const char* const kOneChannelMessage =
    "The sound output has only one channel. Binaural beats need two channels: stereo headphones, "
    "one ear each. Connect stereo headphones (or choose a stereo output) and try again.";

namespace {

// The stopped sound plays on for a few tens of milliseconds in case a retune
// follows; the check keeps quiet that long, so the other ear hears nothing.
constexpr int kLeadMs = 50;
constexpr int kRampMs = 10; // no click at either end
constexpr double kPeak = 0.5;

void putLittleEndian(std::vector<unsigned char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A 16-bit mono WAV: silence, then the tone with short ramps at its ends.
std::vector<unsigned char> checkToneWav()
{
    const int lead = kSampleRate * kLeadMs / 1000;
    const int tone = kSampleRate * kCheckToneMs / 1000;
    const int ramp = kSampleRate * kRampMs / 1000;
    const auto frames = static_cast<std::uint32_t>(lead + tone);
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
    wav.insert(wav.end(), 2 * static_cast<std::size_t>(lead), 0);
    for (int i = 0; i < tone; ++i) {
        const int edge = std::min(i, tone - 1 - i);
        const double envelope = edge < ramp ? 0.5 - 0.5 * std::cos(std::numbers::pi * edge / ramp) : 1.0;
        const double x = kPeak * envelope * std::sin(2 * std::numbers::pi * kCheckToneHz * i / kSampleRate);
        putLittleEndian(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(32767 * x))), 2);
    }
    return wav;
}

// One ear's second: a one-shot that stops by itself, or when its box closes
// first. Each ear has its own name, so the second does not carry on from the first.
std::unique_ptr<SoundBuffer> makeCheckTone(App& app, Ear ear, const std::vector<unsigned char>& wav)
{
    // Played once, with its fades, as written: not a loop to redraw.
    auto buffer = app.sound.createBufferFromMemory(ear == Ear::left ? "headphone-check-left" : "headphone-check-right",
                                                   wav, ToneWave::unknown);
    if (!buffer)
        return nullptr;
    buffer->setFrequency(kSampleRate);
    // As loud as the tones would be, but never silent: the bar may be at its end.
    buffer->setVolume(std::max(app.form.value(ctl::scrToneVol), kSilentLevel / 2));
    // A positive pan silences the left output; at the end of its range it is
    // 100 dB down.
    buffer->setPan(ear == Ear::left ? kSilentLevel : -kSilentLevel);
    return buffer;
}

void checkHeadphones(App& app)
{
    std::string error;
    if (!app.sound.hasDevice() && !app.sound.createDevice(error)) {
        app.message(error, kHeadphoneCheckTitle);
        return;
    }
    const auto wav = checkToneWav();
    // Making a buffer opens the output if it is closed: its channels are known from then on.
    std::unique_ptr<SoundBuffer> left = makeCheckTone(app, Ear::left, wav);
    if (!left)
        return;
    if (app.sound.outputChannels() < 2) {
        app.message(kOneChannelMessage, kHeadphoneCheckTitle);
        return;
    }
    // What plays now pauses, its settings kept in its buffers.
    std::vector<SoundBuffer*> paused;
    for (auto& buffer : app.state.tone.soundBuffers)
        if (buffer && buffer->isPlaying()) {
            buffer->stop();
            paused.push_back(buffer.get());
        }
    for (const Ear ear : {Ear::left, Ear::right}) {
        std::unique_ptr<SoundBuffer> tone = ear == Ear::left ? std::move(left) : makeCheckTone(app, ear, wav);
        if (!tone)
            break;
        tone->play(false);
        app.message(earCheckText(ear), kHeadphoneCheckTitle);
        tone->stop();
    }
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
