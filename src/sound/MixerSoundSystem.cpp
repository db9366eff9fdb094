// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MixerSoundSystem.h"

#include "sound/MaskStream.h"
#include "sound/PinkNoise.h"

#include <algorithm>
#include <climits>
#include <filesystem>

namespace aurelith {

MixerSoundBuffer::MixerSoundBuffer(std::weak_ptr<Mixer> mixer, Mixer::Voice* voice, long frames)
    : mixer_(std::move(mixer)), voice_(voice), frames_(frames)
{
    auto m = mixer_.lock();
    frequency_ = m ? m->rate(voice_) : 0.0;
}

MixerSoundBuffer::~MixerSoundBuffer()
{
    if (auto m = mixer_.lock()) {
        m->removeVoice(voice_);
    }
}

void MixerSoundBuffer::play(bool looping)
{
    if (auto m = mixer_.lock()) {
        m->play(voice_, looping);
    }
}

void MixerSoundBuffer::stop()
{
    if (auto m = mixer_.lock()) {
        m->stop(voice_);
    }
}

void MixerSoundBuffer::setVolume(int hundredthsDb)
{
    if (auto m = mixer_.lock()) {
        m->setVolume(voice_, hundredthsDb);
    }
}

void MixerSoundBuffer::setPan(int hundredthsDb)
{
    if (auto m = mixer_.lock()) {
        m->setPan(voice_, hundredthsDb);
    }
}

void MixerSoundBuffer::setFrequency(double framesPerSecond)
{
    if (auto m = mixer_.lock()) {
        m->setRate(voice_, framesPerSecond);
        frequency_ = m->rate(voice_);
    }
}

double MixerSoundBuffer::frequency() const { return frequency_; }

long MixerSoundBuffer::frameCount() const { return frames_; }

bool MixerSoundBuffer::isPlaying() const
{
    auto m = mixer_.lock();
    return m && m->isPlaying(voice_);
}

MixerSoundSystem::MixerSoundSystem(AudioOutput* output) : output_(output) {}

MixerSoundSystem::~MixerSoundSystem() { releaseDevice(); }

bool MixerSoundSystem::createDevice(std::string& error)
{
    AURELITH_VERIFY_THREAD(window_, "the sound system");
    if (mixer_) {
        return true;
    }
    auto mixer = std::make_shared<Mixer>(kOfflineRate);
    int rate = 0;
    if (output_ && !output_->open(*mixer, rate, error)) {
        return false;
    }
    outputOpen_ = output_ != nullptr;
    mixer_ = std::move(mixer);
    heardClock_ = HeardClock(mixer_->deviceRate());
    if (!pinkNoiseFor_.empty()) {
        PinkNoise::prepare(mixer_->deviceRate());
    }
    return true;
}

bool MixerSoundSystem::hasDevice() const { return mixer_ != nullptr; }

std::unique_ptr<SoundBuffer> MixerSoundSystem::createBuffer(const std::string& path) { return openBuffer(path); }

std::unique_ptr<MixerSoundBuffer> MixerSoundSystem::openBuffer(const std::string& path)
{
    AURELITH_VERIFY_THREAD(window_, "the sound system");
    if (!mixer_) {
        return nullptr;
    }
    ensureOutput();
    if (auto buffer = openFile(path)) {
        return buffer;
    }
    return openStandIn(path);
}

std::unique_ptr<SoundBuffer> MixerSoundSystem::createStandIn(const std::string& path)
{
    if (!mixer_) {
        return nullptr;
    }
    ensureOutput();
    return openStandIn(path);
}

std::unique_ptr<MixerSoundBuffer> MixerSoundSystem::openStandIn(const std::string& path)
{
    if (mixer_ && !pinkNoiseFor_.empty() && std::filesystem::path(path).filename() == pinkNoiseFor_) {
        return addBuffer(PinkNoise::loop(mixer_->deviceRate()), path);
    }
    return nullptr;
}

std::unique_ptr<SoundBuffer> MixerSoundSystem::createBufferFromMemory(const std::string& name,
                                                                      const std::vector<unsigned char>& bytes,
                                                                      ToneWave wave)
{
    return openMemoryBuffer(name, bytes, wave);
}

std::unique_ptr<MixerSoundBuffer>
MixerSoundSystem::openMemoryBuffer(const std::string& name, const std::vector<unsigned char>& bytes, ToneWave wave)
{
    AURELITH_VERIFY_THREAD(window_, "the sound system");
    if (!mixer_) {
        return nullptr;
    }
    ensureOutput();
    // The name stays the voice's key: a retune continues the old tone's phase.
    return addBuffer(SoundDecoder::decodeBytes(bytes.data(), bytes.size()), name, wave);
}

void MixerSoundSystem::setPinkNoiseStandIn(std::string fileName) { pinkNoiseFor_ = std::move(fileName); }

// Small files (every tone file, short masks) are decoded whole, as the mixer
// reads them at any rate. Longer ones would hold the window for seconds and
// take gigabytes, so they stream: only the header is read here.
std::unique_ptr<MixerSoundBuffer> MixerSoundSystem::openFile(const std::string& path)
{
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path, error);
    if (!error && bytes > static_cast<std::uintmax_t>(SoundDecoder::kCacheMinBytes)) {
        if (auto buffer = openStream(path))
            return buffer;
    }
    return addBuffer(decoder_.decode(path), path);
}

std::unique_ptr<MixerSoundBuffer> MixerSoundSystem::openStream(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const auto bytes = fs::file_size(path, error);
    const auto modified = fs::last_write_time(path, error);
    // A retune opens the same mask again while the old buffer still plays:
    // the new voice shares its stream and goes on from where it is.
    OpenStream& known = streams_[path];
    std::shared_ptr<StreamSource> stream = known.stream.lock();
    long frames = known.frames;
    if (!stream || error || known.bytes != bytes || known.modified != modified) {
        std::unique_ptr<MaskStream> opened = MaskStream::open(path, mixer_->deviceRate());
        if (!opened || opened->seconds() <= kStreamAboveSeconds) {
            streams_.erase(path);
            return nullptr; // short enough to hold whole, or not a sound file
        }
        frames = static_cast<long>(std::min<long long>(opened->fileFrames(), LONG_MAX));
        if (!opened->start()) {
            streams_.erase(path);
            return nullptr;
        }
        stream = std::shared_ptr<StreamSource>(std::move(opened));
        known = {stream, modified, bytes, frames};
    }
    Mixer::Voice* voice = mixer_->addVoice(stream, path);
    return voice ? std::make_unique<MixerSoundBuffer>(mixer_, voice, frames) : nullptr;
}

std::unique_ptr<MixerSoundBuffer> MixerSoundSystem::addBuffer(std::shared_ptr<const PcmData> data,
                                                              const std::string& key, ToneWave wave)
{
    if (!data) {
        return nullptr;
    }
    // Keyed by path: a retune rewrites the same file, and the new voice takes
    // over from the old one where it is instead of starting again.
    const long frames = data->frames;
    Mixer::Voice* voice = mixer_->addVoice(std::move(data), key, wave);
    if (!voice) {
        return nullptr;
    }
    return std::make_unique<MixerSoundBuffer>(mixer_, voice, frames);
}

void MixerSoundSystem::checkOutput()
{
    AURELITH_VERIFY_THREAD(window_, "the sound system");
    if (!outputOpen_) {
        return;
    }
    const AudioOutput::Health health = output_->health();
    // A sequence may be silent for a while and then go on: it keeps its output.
    if (health == AudioOutput::Health::Idle && glideActive_ && !glideFinished())
        return;
    if (health == AudioOutput::Health::Idle || health == AudioOutput::Health::Lost ||
        health == AudioOutput::Health::Closed) {
        output_->close();
        outputOpen_ = false;
    }
}

// Every start of playback makes buffers first, so this is where a device that
// was put to sleep, lost with its server, or missing last time is opened again.
// Failing leaves the program silent but working; the next start tries again.
void MixerSoundSystem::ensureOutput()
{
    if (outputOpen_ || !output_ || !mixer_) {
        return;
    }
    int rate = mixer_->deviceRate(); // the voices and the limiter are set up for it
    std::string error;
    outputOpen_ = output_->open(*mixer_, rate, error);
    heardClock_ = HeardClock(mixer_->deviceRate()); // a new stream: a new timing
}

void MixerSoundSystem::releaseDevice()
{
    AURELITH_VERIFY_THREAD(window_, "the sound system");
    if (!mixer_) {
        return;
    }
    if (outputOpen_) {
        output_->close();
        outputOpen_ = false;
    }
    // Buffers still held elsewhere see the mixer gone and fall silent.
    mixer_.reset();
}

int MixerSoundSystem::outputChannels() const
{
    AURELITH_VERIFY_THREAD(window_, "the sound system");
    return outputOpen_ ? output_->channels() : 2;
}

int MixerSoundSystem::deviceRate() const { return mixer_ ? mixer_->deviceRate() : kOfflineRate; }

void MixerSoundSystem::render(float* interleavedStereo, int frames)
{
    if (!mixer_) {
        std::fill(interleavedStereo, interleavedStereo + 2 * frames, 0.0f);
        return;
    }
    if (output_) {
        mixer_->render(interleavedStereo, frames);
        return;
    }
    // Offline, far ahead of real time: the streamed masks' workers must keep
    // up, so wait for them here, a block at a time; the audio side never waits.
    constexpr int kBlock = 4096;
    for (int done = 0; done < frames; done += kBlock) {
        const int n = std::min(kBlock, frames - done);
        for (auto& [path, open] : streams_)
            if (const auto stream = open.stream.lock())
                stream->awaitFrames(2 * n); // a retune's two voices may both draw on it
        if (glideMix_)
            glideMix_->awaitFrames(n);
        mixer_->render(interleavedStereo + 2 * done, n);
    }
}

} // namespace aurelith
