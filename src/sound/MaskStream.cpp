// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MaskStream.h"

#include "sound/SafeSamples.h"
#include "sound/SndFilePtr.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <vector>

namespace aurelith {

namespace {

// Samples of one decoded chunk, whatever the file's channel count.
constexpr long kChunkSamples = 16384;
// Frames of one resampler call: the worker waits for this much room.
constexpr std::size_t kOutChunkFrames = 4096;
// While the ring is full the worker looks again this often; the ring holds
// more than a second, so there is ample margin.
constexpr auto kPollPeriod = std::chrono::milliseconds(10);

} // namespace

struct MaskStream::Decoder {
    struct ResamplerDeleter {
        void operator()(SRC_STATE* state) const { src_delete(state); }
    };

    SndFilePtr file;
    SF_INFO info{};
    std::unique_ptr<SRC_STATE, ResamplerDeleter> resampler; // none at the device's rate
    double ratio = 1.0;
    long chunkFrames = 0;
    std::vector<float> raw;       // chunkFrames x the file's channels
    std::vector<float> stereo;    // chunkFrames x 2
    std::vector<float> resampled; // kOutChunkFrames x 2

    // The next frames as clean stereo; 0 at the end of the file or on a read
    // error, which libsndfile does not tell apart.
    long readChunk()
    {
        const sf_count_t got = sf_readf_float(file.get(), raw.data(), chunkFrames);
        if (got <= 0) {
            return 0;
        }
        const int channels = info.channels;
        makeSamplesSafe(raw.data(), static_cast<std::size_t>(got * channels));
        // Mono plays on both sides; wider files keep their front pair.
        for (sf_count_t f = 0; f < got; ++f) {
            const float* frame = raw.data() + f * channels;
            stereo[2 * f] = frame[0];
            stereo[2 * f + 1] = channels == 1 ? frame[0] : frame[1];
        }
        return static_cast<long>(got);
    }

    // Back to the first frame; a file that cannot seek is opened again.
    bool rewind(const std::string& path)
    {
        if (sf_seek(file.get(), 0, SEEK_SET) == 0) {
            return true;
        }
        SF_INFO again{};
        file.reset(sf_open(path.c_str(), SFM_READ, &again));
        return file && again.channels == info.channels && again.samplerate == info.samplerate;
    }
};

std::unique_ptr<MaskStream> MaskStream::open(const std::string& path, int deviceRate)
{
    auto decoder = std::make_unique<Decoder>();
    decoder->file.reset(sf_open(path.c_str(), SFM_READ, &decoder->info));
    const SF_INFO& info = decoder->info;
    if (!decoder->file || info.channels < 1 || info.samplerate <= 0 || deviceRate <= 0) {
        return nullptr;
    }
    if (info.samplerate != deviceRate) {
        decoder->ratio = static_cast<double>(deviceRate) / info.samplerate;
        int error = 0;
        if (!src_is_valid_ratio(decoder->ratio)) {
            return nullptr;
        }
        decoder->resampler.reset(src_new(SRC_SINC_MEDIUM_QUALITY, 2, &error));
        if (!decoder->resampler) {
            return nullptr;
        }
        decoder->resampled.resize(2 * kOutChunkFrames);
    }
    decoder->chunkFrames = std::max(64L, kChunkSamples / info.channels);
    decoder->raw.resize(static_cast<std::size_t>(decoder->chunkFrames * info.channels));
    decoder->stereo.resize(static_cast<std::size_t>(2 * decoder->chunkFrames));
    return std::unique_ptr<MaskStream>(new MaskStream(std::move(decoder), path));
}

MaskStream::MaskStream(std::unique_ptr<Decoder> decoder, std::string path)
    : decoder_(std::move(decoder)), path_(std::move(path)), ring_(kRingFrames)
{
}

MaskStream::~MaskStream()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

int MaskStream::fileRate() const { return decoder_->info.samplerate; }

long long MaskStream::fileFrames() const { return decoder_->info.frames; }

double MaskStream::seconds() const { return static_cast<double>(fileFrames()) / fileRate(); }

bool MaskStream::start()
{
    if (worker_.joinable()) {
        return true;
    }
    try {
        worker_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void MaskStream::pull(float* stereo, int frames)
{
    const auto wanted = static_cast<std::size_t>(frames);
    const std::size_t got = ring_.read(stereo, wanted);
    std::fill(stereo + 2 * got, stereo + 2 * wanted, 0.0f);
}

void MaskStream::awaitFrames(int frames)
{
    // Rendering offline runs far ahead of real time: wait for the worker
    // (bounded, so a stuck disk cannot hang the render for ever).
    const auto wanted = std::min(static_cast<std::size_t>(std::max(frames, 0)), kRingFrames);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ring_.available() < wanted && !failed() && std::chrono::steady_clock::now() < giveUp) {
        wake_.notify_one();
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

bool MaskStream::waitForSpace(std::size_t frames)
{
    std::unique_lock lock(mutex_);
    while (!stopping_ && ring_.space() < frames) {
        wake_.wait_for(lock, kPollPeriod);
    }
    return !stopping_;
}

void MaskStream::run()
{
    Decoder& d = *decoder_;
    long inCount = 0;
    long inPos = 0;
    bool soundThisPass = false;
    for (;;) {
        if (inPos == inCount) {
            inPos = 0;
            inCount = d.readChunk();
            if (inCount > 0) {
                soundThisPass = true;
                continue;
            }
            // The end, or a file that breaks off early: what was readable
            // loops. One that yields nothing from its start is given up, and
            // the audio thread hears silence.
            if (!soundThisPass || !d.rewind(path_)) {
                failed_.store(true, std::memory_order_release);
                return;
            }
            soundThisPass = false;
            continue;
        }
        if (!waitForSpace(kOutChunkFrames)) {
            return;
        }
        if (!d.resampler) {
            inPos += static_cast<long>(
                ring_.write(d.stereo.data() + 2 * inPos, static_cast<std::size_t>(inCount - inPos)));
            continue;
        }
        if (!resample(d, inPos, inCount)) {
            failed_.store(true, std::memory_order_release);
            return;
        }
    }
}

// The resampler runs on across the loop point, so the file's end flows into
// its start as one continuous signal.
bool MaskStream::resample(Decoder& d, long& inPos, long inCount)
{
    SRC_DATA data{};
    data.data_in = d.stereo.data() + 2 * inPos;
    data.input_frames = inCount - inPos;
    data.data_out = d.resampled.data();
    data.output_frames = static_cast<long>(kOutChunkFrames);
    data.src_ratio = d.ratio;
    data.end_of_input = 0;
    if (src_process(d.resampler.get(), &data) != 0)
        return false;
    inPos += data.input_frames_used;
    // A band-limited filter overshoots a little on full-scale material.
    makeSamplesSafe(d.resampled.data(), static_cast<std::size_t>(2 * data.output_frames_gen));
    ring_.write(d.resampled.data(), static_cast<std::size_t>(data.output_frames_gen));
    return true;
}

} // namespace aurelith
