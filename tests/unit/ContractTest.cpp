// SPDX-License-Identifier: GPL-3.0-or-later
// Each kind of checked rule, broken on purpose: a build with assertions (the
// sanitizer presets) stops on it; the release build says so on stderr and
// takes the recovery.
#include "sound/Mixer.h"
#include "sound/MixerSoundSystem.h"
#include "ui/Form.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <regex>
#include <thread>
#include <vector>

namespace aurelith {
namespace {

void onAStrayThread(const std::function<void()>& call) { std::thread(call).join(); }

struct Breach {
    const char* name;
    const char* rule;             // what the message says
    std::function<bool()> commit; // breaks the rule; true when the state after it is sound
};
void PrintTo(const Breach& breach, std::ostream* out) { *out << breach.name; }

const Breach kBreaches[] = {
    {"UnmatchedEndModal", "endModal\\(\\) without beginModal\\(\\)",
     [] {
         Form form;
         form.endModal();
         form.beginModal(); // one dialog open is open, not the end of a debt
         return form.inModal();
     }},
    {"MixerWindowSideOnAnotherThread", "the mixer's window side called from another thread",
     [] {
         Mixer mixer;
         onAStrayThread([&] { mixer.collectGarbage(); });
         return true;
     }},
    {"MixerRenderedByASecondThread", "the mixer's audio side called from a second thread",
     [] {
         Mixer mixer;
         std::vector<float> period(2 * 64);
         onAStrayThread([&] { mixer.render(period.data(), 64); });
         return true;
     }},
    {"MixerRetunedWithAnAudioThreadAttached", "only with no audio thread attached",
     [] {
         Mixer mixer(44100);
         mixer.attachAudioThread(44100);
         mixer.setDeviceRate(48000);
         const bool kept = mixer.deviceRate() == 44100;
         mixer.detachAudioThread();
         return kept;
     }},
    {"SoundSystemOnAnotherThread", "the sound system called from another thread",
     [] {
         MixerSoundSystem sound;
         onAStrayThread([&] { sound.releaseDevice(); });
         return true;
     }},
};

class ContractDeathTest : public ::testing::TestWithParam<Breach> {};

TEST_P(ContractDeathTest, StopsWithAssertionsAndRecoversWithout)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Breach& breach = GetParam();
#ifndef NDEBUG
    EXPECT_DEATH(breach.commit(), breach.rule);
#else
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(breach.commit());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_search(said, std::regex(breach.rule))) << said;
#endif
}

INSTANTIATE_TEST_SUITE_P(EveryKind, ContractDeathTest, ::testing::ValuesIn(kBreaches),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace aurelith
