#pragma once
// The optional branding library <base>.dll: the pictures and sounds of opening and closing.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/resource_library.h"
#include "platform/sound.h"

namespace app {

inline constexpr std::string_view OpeningPicture = "IMAGE1";
inline constexpr std::string_view ClosingPicture = "IMAGE2";
inline constexpr std::string_view OpeningSound = "SOUND1";
inline constexpr std::string_view ClosingSound = "SOUND2";

class Branding {
  public:
    explicit Branding(std::unique_ptr<platform::SoundPlayer> player = platform::MakeSoundPlayer());

    // Opens the first of the paths that holds a library. None is no error: there is then no
    // picture to show and no sound to play.
    void Load(const std::vector<std::string>& paths);
    // Nothing when no library is loaded.
    [[nodiscard]] core::ResourceLibrary* Library() { return library_ ? &*library_ : nullptr; }

    // Starts playing the library's wave resource of that name and returns at once. A missing or
    // unplayable sound is silence.
    void PlaySound(std::string_view name);
    // True until the sound started last has been heard to its end.
    [[nodiscard]] bool SoundPlaying() { return player_->IsPlaying(); }
    // Stops a sound that is still playing, then closes the library.
    void Release();

  private:
    std::unique_ptr<platform::SoundPlayer> player_;
    std::optional<core::ResourceLibrary> library_;
};

}  // namespace app
