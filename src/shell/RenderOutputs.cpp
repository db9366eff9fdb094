// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/RenderOutputs.h"

#include "app/DataFolder.h"
#include "core/ToneLimits.h"
#include "sound/MixerSoundSystem.h"

#include <algorithm>
#include <cmath>
#include <system_error>

namespace aurelith {
namespace {

// The end fades out as a Stop would: frame i of the chunk is `left` frames before the end.
void fadeTail(float* buffer, long long n, long long framesLeft, long fadeFrames)
{
    for (long long i = 0; i < n; ++i) {
        const long long left = framesLeft - i;
        if (left <= fadeFrames) {
            const auto g = static_cast<float>(left - 1) / static_cast<float>(fadeFrames);
            buffer[2 * i] *= g;
            buffer[2 * i + 1] *= g;
        }
    }
}

} // namespace

void skipLatency(MixerSoundSystem& sound)
{
    std::vector<float> buffer(2 * kRenderChunk);
    for (long skip = sound.latencyFrames(); skip > 0; skip -= kRenderChunk)
        sound.render(buffer.data(), static_cast<int>(std::min<long>(skip, kRenderChunk)));
}

std::string renderFrames(RenderSource& source, SoundFileWriter& writer, long long total, const RenderProgress& progress)
{
    const long fadeFrames = std::lround(Mixer::kFadeSeconds * source.rate());
    std::vector<float> buffer(2 * kRenderChunk);
    double reported = -1;
    for (long long done = 0; done < total;) {
        if (progress.stop && *progress.stop)
            return "interrupted";
        const long long n = source.prepare(done, std::min<long long>(kRenderChunk, total - done));
        source.render(buffer.data(), static_cast<int>(n));
        if (total - done - n < fadeFrames)
            fadeTail(buffer.data(), n, total - done, fadeFrames);
        if (std::string problem = writer.write(buffer.data(), n); !problem.empty())
            return problem;
        done += n;
        const double share = static_cast<double>(done) / static_cast<double>(total);
        if (progress.report && (share - reported >= 0.01 || done == total)) {
            progress.report(share);
            reported = share;
        }
    }
    return {};
}

RenderOutputs::RenderOutputs(const RenderRequest& request, const std::filesystem::path& dataFolder,
                             const RenderProgress& progress, long long total)
    : request_(request), dataFolder_(dataFolder), progress_(progress), total_(total), writer_(request.output)
{
}

std::string RenderOutputs::prepare()
{
    if (!request_.lightTrack.empty() && sameFile(request_.output, request_.lightTrack))
        return "the light track " + request_.lightTrack.string() + " is the sound file itself: name another file";
    if (std::string problem = writer_.file().open(); !problem.empty())
        return problem;
    if (std::string problem = writer_.file().special() ? "" : roomForSoundFile(writer_.file().file(), total_);
        !problem.empty())
        return problem;
    if (!request_.lightTrack.empty())
        if (std::string problem = light_.emplace(request_.lightTrack, kSampleRate).open(); !problem.empty())
            return problem;
    // The data folder as the window takes it: another user's is refused, one
    // others may write is made the user's alone.
    std::error_code error;
    std::string notice;
    secureFolder(dataFolder_, error, notice);
    if (error)
        return "cannot use the data folder " + dataFolder_.string() + ": " + error.message();
    if (!notice.empty() && progress_.notice)
        progress_.notice(notice);
    if (work_.emplace().path.empty())
        return work_->problem;
    copyOwnSettings(dataFolder_, work_->path, setAside);
    return {};
}

void RenderOutputs::tellSetAside() const
{
    if (!setAside.empty() && progress_.notice)
        progress_.notice(setAsideNotice(setAside, dataFolder_));
}

std::string RenderOutputs::write(RenderSource& source)
{
    if (progress_.stop && *progress_.stop)
        return "interrupted";
    if (std::string problem = writer_.open(soundFileFormatFor(request_.output, total_), kSampleRate, total_);
        !problem.empty())
        return problem;
    if (std::string problem = renderFrames(source, writer_, total_, progress_); !problem.empty())
        return problem;
    if (std::string problem = writer_.finish(); !problem.empty())
        return problem;
    if (!light_)
        return commitTogether({&writer_.file()});
    if (std::string problem = light_->finish(total_); !problem.empty())
        return problem;
    return commitTogether({&writer_.file(), &light_->file()});
}

} // namespace aurelith
