// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/OfflineSession.h"

#include "app/DataFileNames.h"

namespace aurelith {
namespace {

// A tone buffer that keeps its own pan, so "--left" stays the left ear's.
class PinnedPanBuffer : public SoundBuffer {
public:
    PinnedPanBuffer(std::unique_ptr<SoundBuffer> inner, int pan) : inner_(std::move(inner)), pan_(pan)
    {
        inner_->setPan(pan_);
    }
    void play(bool looping) override { inner_->play(looping); }
    void stop() override { inner_->stop(); }
    bool isPlaying() const override { return inner_->isPlaying(); }
    void setVolume(int hundredthsDb) override { inner_->setVolume(hundredthsDb); }
    void setPan(int) override { inner_->setPan(pan_); }
    void setFrequency(double framesPerSecond) override { inner_->setFrequency(framesPerSecond); }
    double frequency() const override { return inner_->frequency(); }
    long frameCount() const override { return inner_->frameCount(); }

private:
    std::unique_ptr<SoundBuffer> inner_;
    int pan_;
};

} // namespace

EarsAsNamed::EarsAsNamed(MixerSoundSystem& inner, const std::filesystem::path& folder, int separation)
    : inner_(inner), tone1_((folder / dataFile::toneFile(1)).string()),
      tone2_((folder / dataFile::toneFile(2)).string()), separation_(separation)
{
}

std::unique_ptr<SoundBuffer> EarsAsNamed::createBuffer(const std::string& path)
{
    return pin(path, inner_.createBuffer(path));
}

std::unique_ptr<SoundBuffer> EarsAsNamed::createBufferFromMemory(const std::string& name,
                                                                 const std::vector<unsigned char>& bytes, ToneWave wave)
{
    return pin(name, inner_.createBufferFromMemory(name, bytes, wave));
}

std::unique_ptr<SoundBuffer> EarsAsNamed::pin(const std::string& name, std::unique_ptr<SoundBuffer> buffer) const
{
    if (!buffer || (name != tone1_ && name != tone2_))
        return buffer;
    // A positive pan quietens the left output.
    return std::make_unique<PinnedPanBuffer>(std::move(buffer), name == tone1_ ? -separation_ : separation_);
}

} // namespace aurelith
