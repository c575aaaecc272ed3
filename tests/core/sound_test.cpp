// Sound through SDL's audio with its "dummy" driver, which takes samples at the real rate
// without a sound card; and with no usable driver at all.
#include "platform/sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "tests/core/support/branding_fixtures.h"

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Generous against a busy machine, yet far below the long sounds' length.
constexpr milliseconds QuickReturn{4000};
constexpr int LongSoundMs = 20000;

class Sound : public ::testing::Test {
  protected:
    void UseAudioDriver(const char* name) { setenv("SDL_AUDIODRIVER", name, 1); }
    void TearDown() override { unsetenv("SDL_AUDIODRIVER"); }

    // How long Play took to return.
    static milliseconds TimePlay(platform::SoundPlayer& player, const Bytes& wave, bool wait) {
        const Clock::time_point start = Clock::now();
        player.Play(wave, wait);
        return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    }
};

TEST_F(Sound, WaitingLastsAboutAsLongAsTheSoundInEveryEncoding) {
    UseAudioDriver("dummy");
    const auto player = platform::MakeSoundPlayer();
    for (WaveEncoding encoding : {WaveEncoding::Pcm8, WaveEncoding::Pcm16, WaveEncoding::Float32,
                                  WaveEncoding::ALaw, WaveEncoding::MuLaw}) {
        const milliseconds took = TimePlay(*player, WaveImage(encoding, 400), true);
        EXPECT_GE(took, milliseconds(380)) << "encoding " << static_cast<int>(encoding);
        EXPECT_LT(took, QuickReturn + milliseconds(400)) << "encoding " << static_cast<int>(encoding);
    }
}

TEST_F(Sound, WithoutWaitingPlayReturnsAtOnceAndTheNextSoundDoesNotWaitForIt) {
    UseAudioDriver("dummy");
    const auto player = platform::MakeSoundPlayer();
    EXPECT_LT(TimePlay(*player, WaveImage(WaveEncoding::Pcm8, LongSoundMs), false), QuickReturn);
    const milliseconds next = TimePlay(*player, WaveImage(WaveEncoding::Pcm16, 300), true);
    EXPECT_GE(next, milliseconds(280));
    EXPECT_LT(next, QuickReturn + milliseconds(300)) << "waited for the sound it replaced";
    player->Stop();
}

TEST_F(Sound, NoAudioDeviceOrAnUnreadableSoundIsSilenceWithoutDelay) {
    UseAudioDriver("no-such-driver");
    const auto silent = platform::MakeSoundPlayer();
    EXPECT_LT(TimePlay(*silent, WaveImage(WaveEncoding::Pcm8, LongSoundMs), true), QuickReturn);
    EXPECT_LT(TimePlay(*silent, WaveImage(WaveEncoding::Pcm8, LongSoundMs), true), QuickReturn);

    UseAudioDriver("dummy");
    const auto player = platform::MakeSoundPlayer();
    Bytes cut = WaveImage(WaveEncoding::Pcm8, LongSoundMs);
    cut.resize(30);
    for (const Bytes& unreadable : {Bytes{}, Bytes(100, 'x'), cut})
        EXPECT_LT(TimePlay(*player, unreadable, true), QuickReturn);
}

}  // namespace
