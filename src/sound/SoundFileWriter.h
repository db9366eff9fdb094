// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/PartFile.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace aurelith {

// The file format for an output name (libsndfile's SF_FORMAT_* bits), or 0
// when its extension is not one we write: .wav, .flac, .ogg (or .oga).
int soundFileFormatFor(const std::filesystem::path& output);
// The same for a sound of `frames` stereo frames: a WAV whose 32-bit size
// fields could not hold it is written as RF64.
int soundFileFormatFor(const std::filesystem::path& output, long long frames);
// The file's estimated size in bytes for this many stereo frames.
long long estimatedSoundFileBytes(const std::filesystem::path& output, long long frames);
// Refuses at once what the disk cannot hold, rather than failing at the end:
// empty, or a message of the room needed and free.
std::string roomForSoundFile(const std::filesystem::path& output, long long frames);
// Why a file is no sound that can be read, or empty.
std::string soundFileProblem(const std::filesystem::path& file);

// Stereo sound written with libsndfile into a PartFile: through its virtual
// I/O, so a failed write keeps its reason (the Vorbis encoder alone would only
// say "Unspecified internal error").
class SoundFileWriter {
public:
    explicit SoundFileWriter(std::filesystem::path output);
    ~SoundFileWriter();
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    // The part file must be open (see `file()`); empty, else what went wrong.
    // `frames` is the length to come, which a WAV on a pipe states at once.
    std::string open(int format, int rate, long long frames);
    std::string write(const float* interleavedStereo, long long frames);
    // Closes the encoder and finishes the part file, ready for commitTogether.
    std::string finish();
    PartFile& file() { return file_; }

private:
    struct Encoder;
    bool writeShorts(const float* frames, long long n);
    std::string failed() const;

    PartFile file_;
    std::unique_ptr<Encoder> encoder_;
    bool sixteenBits_ = false;
    std::vector<short> shorts_;
};

} // namespace aurelith
