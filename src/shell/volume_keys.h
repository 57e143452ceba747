// The volume keys: [ and ] the music, ; and ' the effects, M all sound off and on; and their notice.
#pragma once
#include <cstdint>

// After the frame's input poll. nameEntry: the records screen, where M is a letter of the player's name.
void VolumeKeysFrame(bool nameEntry);
// Gives the mixer the player's volumes (and the quieter music of a paused game).
void ApplyVolumes();
// Last overlay of a frame: the notice of the latest change, for a moment; frameMs ages it.
void DrawVolumeNotice(uint64_t frameMs);
