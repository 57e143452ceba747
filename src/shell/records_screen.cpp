// The records screen shown after a game.
#include "platform/graphics.h"
#include "render/images.h"
#include "shell/shell.h"

void RecordsScreenFrame() { DrawSprite(images.background, 0, 0, ScreenWidth, ScreenHeight, true); }
