// Shared by the render tests: the headless platform with the game's own images loaded once.
#pragma once
#include <filesystem>

#include "platform/graphics.h"
#include "render/images.h"
#include "unit/platform_test_support.h"

namespace render_test {

// The headless window, device and fonts, and the images of the built game folder. Later calls do nothing.
inline bool StartWithImages() {
    static const bool started = [] {
        if (!platform_test::StartHeadless()) return false;
        std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(GAME_DIR);
        LoadGameImages();
        std::filesystem::current_path(previous);
        return images.atomBodies[0] >= 0 && images.digits >= 0;
    }();
    return started;
}

// A clean black picture and the states every screen starts from.
inline void ClearPicture() {
    ResetSpriteQueues();
    SetModulation(1, 1);
    SetModulation(0, 0);
    SetTextureFactor(0xFFFFFFFF);
    SetAlphaBlending(true);
    SetAdditiveBlending(false);
    SetLinearMagnification(false);
    BeginScene();
    ClearScene(0xFF000000);
}

inline int Brightness(uint32_t argb) {
    return static_cast<int>((argb >> 16) & 0xFF) + static_cast<int>((argb >> 8) & 0xFF) +
           static_cast<int>(argb & 0xFF);
}

}  // namespace render_test
