// The paused game's veil: the picture dimmed, the title on the message bar and the keys that resume.
#include "render/pause_veil.h"

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/window.h"
#include "render/images.h"
#include "render/sprite_rect.h"
#include "render/text.h"

namespace {

constexpr uint32_t VeilColour = 0xA0101828;  // a dark blue at 63 % cover: the glass still shows through
constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t HintColour = 0xFFD8E0F0;

}  // namespace

const char* PauseTitle(int language) { return language == 1 ? "Пауза" : "Paused"; }

const char* PauseHint(int language) {
    return language == 1 ? "P, Pause или Start, чтобы продолжить" : "P, Pause or Start to go on";
}

void DrawPauseVeil(int language) {
    FillRect(0, 0, ScreenWidth, ScreenHeight, VeilColour);
    // The title on the message bar in the middle of the glass, as the game-over banner stands.
    constexpr int x = 127, y = 110, w = 227, h = 22;
    DrawSpriteAt(images.messageBar, x, y, w, h);
    DrawTextCentred(BoldFont, x, y, x + w, y + h, White, "%s", PauseTitle(language));
    DrawTextCentred(MessageFont, x - 40, y + h + 4, x + w + 40, y + h + 22, HintColour, "%s",
                    PauseHint(language));
}
