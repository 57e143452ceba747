// The game screen: background, the large level number, the HUD frame, then the stages of play.
#include "input/input.h"
#include "platform/devices.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "render/images.h"
#include "render/text.h"
#include "shell/shell.h"

namespace {

bool effectsOn = true;  // F1: level-up sparkles, glow of marked blocks and removal ghosts

}  // namespace

void GameScreenFrame() {
    SetAlphaBlending(false);
    DrawSprite(images.background, 0, 0, ScreenWidth, ScreenHeight, true);
    SetAlphaBlending(true);
    SetLinearMagnification(false);
    if (KeyPressed(KeyF1)) effectsOn = !effectsOn;
    int level = 0;
    uint32_t levelAlpha = 255;
    DrawTextCentred(HugeFont, 97, 0, 384, 239, levelAlpha << 24 | 0xFFFFFF, "%02i", level + 1);
    DrawSprite(images.hudFrame, 0, 0, ScreenWidth, ScreenHeight, true);
}
