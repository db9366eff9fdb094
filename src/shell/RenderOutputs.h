// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/LightTrack.h"
#include "shell/Render.h"
#include "shell/WorkFolder.h"
#include "sound/SoundFileWriter.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace aurelith {

class MixerSoundSystem;

// The most frames a render makes at a time.
inline constexpr int kRenderChunk = 1 << 16;

// Renders away the offline mixer's fixed delay: what comes out first is
// silence before the sound.
void skipLatency(MixerSoundSystem& sound);

// What every render has around its own set-up: the sound file, the light
// track when asked for, and the private working folder the program runs in.
// Lives on the render's stack and keeps its arguments by reference; work()
// and light() mean something once prepare() has succeeded.
class RenderOutputs {
public:
    RenderOutputs(const RenderRequest& request, const std::filesystem::path& dataFolder, const RenderProgress& progress,
                  long long total);

    // Opens the outputs before any work is done, so a name that cannot be
    // written is refused at once; then takes the data folder as the window
    // does and copies the user's own settings into a new working folder.
    // Empty, else what went wrong.
    std::string prepare();
    // Tells the user of the data folder's files left out (`setAside`).
    void tellSetAside() const;
    // Renders `source` whole and commits the outputs together; empty,
    // "interrupted", or what went wrong.
    std::string write(RenderSource& source);

    const std::filesystem::path& work() const { return work_->path; }
    LightTrack* light() { return light_ ? &*light_ : nullptr; }
    std::vector<std::string> setAside;

private:
    const RenderRequest& request_;
    const std::filesystem::path& dataFolder_;
    const RenderProgress& progress_;
    long long total_;
    SoundFileWriter writer_;
    std::optional<LightTrack> light_;
    std::optional<WorkFolder> work_;
};

} // namespace aurelith
