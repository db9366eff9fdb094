// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A sequence: a timed program of voices whose beat, carrier and level slide or
// step from point to point. One model serves every reader (the SBaGen family's
// text files, Gnaural's schedules), the player, the render, the plot and the
// editor, so what is shown, heard and saved can never disagree.

#include <string>
#include <vector>

namespace aurelith::sequence {

enum class VoiceKind {
    binaural,   // carrier +- beat/2, one tone in each ear
    monaural,   // both tones in both ears
    isochronic, // one carrier in both ears, gated on and off beat times a second
    tone,       // one plain carrier in both ears; beat unused
    whiteNoise, // carrier and beat unused
    pinkNoise,
    brownNoise,
    mix, // the user's own sound file (Sequence::mixFile); carrier and beat unused
};

enum class Waveform { sine, square, triangle, sawtooth };

// How a point reaches the next one of its voice.
enum class Join {
    slide, // carrier, beat and level change linearly over the span
    step,  // hold this point's values until the next point's time
};

struct Point {
    double seconds = 0;   // from the sequence's start
    double carrierHz = 0; // binaural: the mean of the two tones
    double beatHz = 0;    // binaural: right minus left; isochronic: pulses a second
    double level = 0;     // 0 ... 1, relative to the window's master level
    Join join = Join::slide;
};

struct Voice {
    VoiceKind kind = VoiceKind::binaural;
    Waveform waveform = Waveform::sine;
    // Sorted by time; the voice is silent before its first point and holds its
    // last point's values until the sequence ends.
    std::vector<Point> points;
    int sourceLine = 0; // where a reader found it, for messages; 0 when made here
    // The editor's listening switches, kept with the file; playing a sequence
    // elsewhere ignores them.
    bool muted = false;
    bool solo = false;
};

struct Sequence {
    std::string name;                     // shown in the window, the title and MPRIS
    std::vector<std::string> description; // the "##" lines, without the marks
    double lengthSeconds = 0;             // where playback ends (after its fade)
    double fadeOutSeconds = 0;            // a fade to silence that ends the sequence, inside its length
    std::vector<Voice> voices;
    std::string mixFile; // for VoiceKind::mix voices; absolute, or empty
};

// One problem a reader found. line 0: the file as a whole.
struct Problem {
    std::string file; // as the user named it
    int line = 0;
    std::string message;
};

// The two tones of a binaural point: left below, right above for a positive beat.
inline double leftHz(const Point& p) { return p.carrierHz - p.beatHz / 2; }
inline double rightHz(const Point& p) { return p.carrierHz + p.beatHz / 2; }

// A voice's values at a time: slides interpolate, steps hold; before the first
// point the level is 0.
Point valueAt(const Voice& voice, double seconds);

} // namespace aurelith::sequence
