// The volume notice: a dark strip at the top of the picture with the label and five bars.
#include "render/volume_indicator.h"

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "render/images.h"
#include "render/sprite_rect.h"
#include "render/text.h"

namespace {

constexpr uint32_t White = 0xFFFFFFFF;
constexpr int StripX = 160, StripY = 4, StripW = 160, StripH = 20;  // logical pixels
constexpr int BarsX = 262, BarW = 6, BarGap = 3;

uint32_t WithAlpha(uint32_t rgb, int alpha, int cover) {
    return static_cast<uint32_t>(alpha * cover / 255) << 24 | (rgb & 0xFFFFFF);
}

}  // namespace

const char* VolumeNoticeLabel(VolumeNotice notice, bool muted, int language) {
    const bool russian = language == 1;
    if (notice == VolumeNotice::Mute || muted)
        return muted ? (russian ? "Звук выключен" : "Sound off") : (russian ? "Звук включён" : "Sound on");
    if (notice == VolumeNotice::Music) return russian ? "Музыка" : "Music";
    if (notice == VolumeNotice::Effects) return russian ? "Эффекты" : "Effects";
    return "";
}

void DrawVolumeIndicator(VolumeNotice notice, int step, bool muted, int alpha, int language) {
    if (notice == VolumeNotice::None || alpha <= 0) return;
    FillRect(StripX, StripY, StripW, StripH, WithAlpha(0x101828, alpha, 200));
    const bool bars = notice != VolumeNotice::Mute && !muted;
    const int textRight = bars ? BarsX - 6 : StripX + StripW;
    DrawTextCentred(BoldFont, StripX, StripY, textRight, StripY + StripH, WithAlpha(0xFFFFFF, alpha, 255), "%s",
                    VolumeNoticeLabel(notice, muted, language));
    if (!bars) return;
    for (int i = 0; i < 5; ++i) {
        const int height = 4 + 2 * i;  // the bars rise like a volume wedge
        const uint32_t colour = i < step ? WithAlpha(0x7CE07C, alpha, 255) : WithAlpha(0x485060, alpha, 255);
        FillRect(BarsX + i * (BarW + BarGap), StripY + StripH - 4 - height, BarW, height, colour);
    }
}
