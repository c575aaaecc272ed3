// The system's audio output through SDL2. SDL decodes every wave encoding it knows (PCM, IEEE
// float, MS-ADPCM, IMA-ADPCM, A-law, mu-law) and converts to the device's format as it plays.
#include "platform/sound.h"

#include <SDL.h>

#include <chrono>
#include <climits>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// A device that stops taking samples is given up this long after the sound should have ended.
constexpr std::chrono::seconds StallAllowance{2};

std::chrono::nanoseconds PlayingTime(const SDL_AudioSpec& audio, Uint32 length) {
    const std::uint64_t bytesPerSecond = std::uint64_t{static_cast<std::uint32_t>(audio.freq)} *
                                         audio.channels * (SDL_AUDIO_BITSIZE(audio.format) / 8);
    if (bytesPerSecond == 0) return {};
    return std::chrono::nanoseconds(std::uint64_t{length} * 1'000'000'000 / bytesPerSecond);
}

// About 1/20 s of samples per device buffer: a sound stops or is replaced without a noticeable
// delay (SDL's default of 4096 samples is half a second at 8000 samples per second).
Uint16 DeviceBufferFrames(int frequency) {
    Uint16 frames = 256;
    while (frames < 8192 && frames * 2 <= frequency / 20) frames = static_cast<Uint16>(frames * 2);
    return frames;
}

class SdlSoundPlayer final : public SoundPlayer {
  public:
    SdlSoundPlayer() = default;
    SdlSoundPlayer(const SdlSoundPlayer&) = delete;
    SdlSoundPlayer& operator=(const SdlSoundPlayer&) = delete;
    ~SdlSoundPlayer() override {
        Stop();
        if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    void Play(std::span<const std::uint8_t> wave) override {
        Stop();
        if (wave.size() > INT_MAX || !StartAudio()) return;
        SDL_AudioSpec audio{};
        Uint8* samples = nullptr;
        Uint32 length = 0;
        if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(wave.data(), static_cast<int>(wave.size())), 1, &audio,
                            &samples, &length))
            return;
        audio.callback = nullptr;  // samples are queued, not pulled
        audio.samples = DeviceBufferFrames(audio.freq);
        device_ = SDL_OpenAudioDevice(nullptr, 0, &audio, nullptr, 0);
        const bool queued = device_ != 0 && SDL_QueueAudio(device_, samples, length) == 0;
        SDL_FreeWAV(samples);
        if (!queued) {
            Stop();
            return;
        }
        SDL_PauseAudioDevice(device_, 0);
        end_ = Clock::now() + PlayingTime(audio, length);
    }

    // Queued samples are handed to the device ahead of time, so the queue runs empty before the
    // sound ends; the sound's own length says when it has been heard.
    bool IsPlaying() override {
        if (device_ == 0) return false;
        const Clock::time_point now = Clock::now();
        const bool drained = SDL_GetQueuedAudioSize(device_) == 0;
        const bool heard = drained && now >= end_;
        const bool stalled = now >= end_ + StallAllowance;
        const bool deviceGone = SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING;
        if (heard || stalled || deviceGone) Stop();
        return device_ != 0;
    }

    void Stop() override {
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        device_ = 0;
    }

  private:
    // Tried once: without an audio system every sound is silence at no further cost.
    bool StartAudio() {
        if (!audioTried_) {
            audioTried_ = true;
            // The program handles its own signals; SDL must not take them over.
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            audioStarted_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        }
        return audioStarted_;
    }

    bool audioTried_ = false;
    bool audioStarted_ = false;
    SDL_AudioDeviceID device_ = 0;
    Clock::time_point end_;  // when the sound playing now has been heard to its end
};

}  // namespace

std::unique_ptr<SoundPlayer> MakeSoundPlayer() { return std::make_unique<SdlSoundPlayer>(); }

}  // namespace platform
