// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/StereoRing.h"
#include "sound/StreamSource.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace aurelith {

// A long masking file played while it is decoded. A worker thread reads the
// file a little ahead of the audio thread into a ring, starts over at its end
// without a gap, and converts it to the device rate with a band-limited
// resampler when the rates differ. The audio thread only drains the ring; when
// the worker falls behind it hears silence, never a wait. Memory stays a fixed
// half megabyte whatever the file's length.
class MaskStream : public StreamSource {
public:
    static constexpr std::size_t kRingFrames = 1 << 16; // about 1.4 s ahead at 48 kHz

    // Reads only the file's header, so it returns at once even for hours of
    // compressed sound; nullptr when the file is missing or not a sound file.
    // Nothing is decoded until start().
    static std::unique_ptr<MaskStream> open(const std::string& path, int deviceRate);
    ~MaskStream() override; // stops the worker and waits for it

    MaskStream(const MaskStream&) = delete;
    MaskStream& operator=(const MaskStream&) = delete;

    // The file's own rate and length (an estimate for some compressed formats).
    int fileRate() const;
    long long fileFrames() const;
    double seconds() const;

    // Starts the worker. False when it cannot be started.
    bool start();

    // Audio thread.
    void pull(float* stereo, int frames) override;
    void awaitFrames(int frames) override;

    // Frames decoded and not yet pulled.
    std::size_t bufferedFrames() const { return ring_.available(); }
    // True once the worker has given up: the file yields no sound at all.
    bool failed() const { return failed_.load(std::memory_order_acquire); }

private:
    struct Decoder;
    MaskStream(std::unique_ptr<Decoder> decoder, std::string path);
    void run();
    bool resample(Decoder& d, long& inPos, long inCount);
    // Worker: waits until the ring has room for `frames` frames or stop is asked.
    bool waitForSpace(std::size_t frames);

    std::unique_ptr<Decoder> decoder_;
    const std::string path_;
    StereoRing ring_;
    std::atomic<bool> failed_{false};

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false; // guarded by mutex_
    std::thread worker_;
};

} // namespace aurelith
