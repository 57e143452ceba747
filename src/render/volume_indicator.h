// The short notice of a volume change: which volume, its step as five bars, or that all sound is off.
#pragma once
#include <cstdint>

enum class VolumeNotice : uint8_t { None, Music, Effects, Mute };

// The label in the interface language (0 English, 1 Russian).
const char* VolumeNoticeLabel(VolumeNotice notice, bool muted, int language);
// Draws the notice at the top of the picture; step 0..5 lights as many of the five bars; alpha 0..255.
void DrawVolumeIndicator(VolumeNotice notice, int step, bool muted, int alpha, int language);
