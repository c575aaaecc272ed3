#pragma once
// Playing a complete wave-audio file image from memory.
#include <cstdint>
#include <memory>
#include <span>

namespace platform {

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Plays the wave image, replacing a sound that is still playing. With `wait` it returns when
    // the sound has finished, otherwise at once while the sound plays on; the bytes are not
    // needed after the call. A sound that cannot be decoded, or no audio device, is silence.
    virtual void Play(std::span<const std::uint8_t> wave, bool wait) = 0;
    // Ends a sound that is still playing.
    virtual void Stop() = 0;
};

// The system's audio output. The audio system is started by the first sound, so a program that
// plays none pays nothing for it.
[[nodiscard]] std::unique_ptr<SoundPlayer> MakeSoundPlayer();

}  // namespace platform
