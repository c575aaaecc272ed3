// Sound through SDL's audio with its "dummy" driver, which takes samples at the real rate
// without a sound card; and with no usable driver at all.
#include "platform/sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

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
    static milliseconds TimeStart(platform::SoundPlayer& player, const Bytes& wave) {
        const Clock::time_point start = Clock::now();
        player.Play(wave);
        return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    }
    // How long the sound played from the call of Play until it had been heard.
    static milliseconds TimeToEnd(platform::SoundPlayer& player, const Bytes& wave) {
        const Clock::time_point start = Clock::now();
        player.Play(wave);
        while (player.IsPlaying()) std::this_thread::sleep_for(milliseconds(2));
        return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    }
};

TEST_F(Sound, PlaysAboutAsLongAsTheSoundInEveryEncoding) {
    UseAudioDriver("dummy");
    const auto player = platform::MakeSoundPlayer();
    for (WaveEncoding encoding : {WaveEncoding::Pcm8, WaveEncoding::Pcm16, WaveEncoding::Float32,
                                  WaveEncoding::ALaw, WaveEncoding::MuLaw}) {
        const milliseconds took = TimeToEnd(*player, WaveImage(encoding, 400));
        EXPECT_GE(took, milliseconds(380)) << "encoding " << static_cast<int>(encoding);
        EXPECT_LT(took, QuickReturn + milliseconds(400)) << "encoding " << static_cast<int>(encoding);
    }
}

TEST_F(Sound, PlayReturnsAtOnceAndTheNextSoundReplacesTheOneStillPlaying) {
    UseAudioDriver("dummy");
    const auto player = platform::MakeSoundPlayer();
    EXPECT_LT(TimeStart(*player, WaveImage(WaveEncoding::Pcm8, LongSoundMs)), QuickReturn);
    EXPECT_TRUE(player->IsPlaying());
    const milliseconds next = TimeToEnd(*player, WaveImage(WaveEncoding::Pcm16, 300));
    EXPECT_GE(next, milliseconds(280));
    EXPECT_LT(next, QuickReturn + milliseconds(300)) << "waited for the sound it replaced";

    EXPECT_LT(TimeStart(*player, WaveImage(WaveEncoding::Pcm8, LongSoundMs)), QuickReturn);
    player->Stop();
    EXPECT_FALSE(player->IsPlaying());
}

TEST_F(Sound, NoAudioDeviceOrAnUnreadableSoundIsSilenceWithoutDelay) {
    UseAudioDriver("no-such-driver");
    const auto silent = platform::MakeSoundPlayer();
    EXPECT_LT(TimeToEnd(*silent, WaveImage(WaveEncoding::Pcm8, LongSoundMs)), QuickReturn);
    EXPECT_LT(TimeToEnd(*silent, WaveImage(WaveEncoding::Pcm8, LongSoundMs)), QuickReturn);

    UseAudioDriver("dummy");
    const auto player = platform::MakeSoundPlayer();
    Bytes cut = WaveImage(WaveEncoding::Pcm8, LongSoundMs);
    cut.resize(30);
    for (const Bytes& unreadable : {Bytes{}, Bytes(100, 'x'), cut})
        EXPECT_LT(TimeToEnd(*player, unreadable), QuickReturn);
}

}  // namespace
