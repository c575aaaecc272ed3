#pragma once
// Playing a complete wave-audio file image from memory.
#include <cstdint>
#include <memory>
#include <span>

namespace platform {

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Starts playing the wave image, replacing a sound that is still playing, and returns at once;
    // the bytes are not needed after the call. A sound that cannot be decoded, or no audio
    // device, is silence.
    virtual void Play(std::span<const std::uint8_t> wave) = 0;
    // True until the sound has been heard to its end, or its device has stopped taking samples.
    [[nodiscard]] virtual bool IsPlaying() = 0;
    // Ends a sound that is still playing.
    virtual void Stop() = 0;
};

// The system's audio output. The audio system is started by the first sound, so a program that
// plays none pays nothing for it.
[[nodiscard]] std::unique_ptr<SoundPlayer> MakeSoundPlayer();

}  // namespace platform
