// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace aurelith {

// The closed-form waveform a tone's bytes were drawn in, as the tone engine
// knows it; unknown for every other sound (masks, the user's files).
enum class ToneWave { unknown, sine, square, sawtooth, triangle };

// One looping static buffer made from a sound file. No call waits for the
// audio thread. play() may do real work once (a tone's band-limited table is
// built on its first play, then cached); the other calls only set values.
// Destroying the buffer stops it as stop() does: within one audio period, and
// after a short fade (a few milliseconds) rather than with a click; a new
// buffer of the same name started meanwhile carries on from it.
class SoundBuffer {
public:
    virtual ~SoundBuffer() = default;
    virtual void play(bool looping) = 0;
    virtual void stop() = 0;
    // Whether it plays now: after play(), until stop() or a one-shot's end.
    virtual bool isPlaying() const = 0;
    // Hundredths of a decibel: 0 is full level, -10000 silence.
    virtual void setVolume(int hundredthsDb) = 0;
    // > 0 attenuates the left output by pan/100 dB, < 0 the right output.
    virtual void setPan(int hundredthsDb) = 0;
    // Frames of the buffer played per second.
    virtual void setFrequency(double framesPerSecond) = 0;
    virtual double frequency() const = 0;
    // Number of frames of one loop of the buffer.
    virtual long frameCount() const = 0;
};

class HeardBeatSource;
class GlideVoices;

class SoundSystem {
public:
    virtual ~SoundSystem() = default;
    // Opens the output device. On failure returns false and says why in error.
    virtual bool createDevice(std::string& error) = 0;
    virtual bool hasDevice() const = 0;
    // Decodes a sound file into a new stopped buffer; nullptr when the file is
    // missing or unreadable, or no device is open.
    virtual std::unique_ptr<SoundBuffer> createBuffer(const std::string& path) = 0;
    // What plays in place of that file when it must not be used: the built-in
    // pink noise for mask 1 where the system has it, else nothing.
    virtual std::unique_ptr<SoundBuffer> createStandIn(const std::string& path)
    {
        (void)path;
        return nullptr;
    }
    // The same from the bytes of a sound file held in memory. name is the file
    // those bytes were written to: a new buffer of the same name carries on
    // from where the old one is, as when the file itself was loaded again.
    // A known wave plays as that waveform computed in floating point rather
    // than from the bytes' samples, which at high pitches are too few to tell it.
    virtual std::unique_ptr<SoundBuffer>
    createBufferFromMemory(const std::string& name, const std::vector<unsigned char>& bytes, ToneWave wave) = 0;
    virtual void releaseDevice() = 0;
    // The channels of the output the sound is heard through, as opened (the
    // server may mix our stereo down to one). 2 while none is open.
    virtual int outputChannels() const = 0;
    // When its output is heard, for the strobe (ports/HeardBeat.h); nothing
    // when it cannot tell. A wrapper passes on its inner system's answer.
    virtual HeardBeatSource* heardBeats() { return nullptr; }
    // The gliding voices a sequence plays on (ports/GlideVoices.h); nothing
    // when the system has none.
    virtual GlideVoices* glideVoices() { return nullptr; }
};

} // namespace aurelith
