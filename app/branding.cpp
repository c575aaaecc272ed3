#include "app/branding.h"

namespace app {

Branding::Branding(std::unique_ptr<platform::SoundPlayer> player) : player_(std::move(player)) {}

void Branding::Load(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        library_ = core::ResourceLibrary::Open(path);
        if (library_) return;
    }
}

void Branding::PlaySound(std::string_view name) {
    if (!library_) return;
    const std::optional<std::vector<std::uint8_t>> wave =
        library_->Find(std::string(core::WaveResourceType), std::string(name));
    if (wave) player_->Play(*wave);
}

void Branding::Release() {
    player_->Stop();
    library_.reset();
}

}  // namespace app
