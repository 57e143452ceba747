// The generators of the asset generator: each writes one family of files under the output folder.
#pragma once

// Screens: the glass background, the start-screen logo, the splash card, the HUD frame, the window icon.
void GenerateBackground();
void GenerateLogo();
void GenerateSplash();
void GenerateHudFrame();
void GenerateIcon();
// Interface pieces: the message bar and the pointer arrow.
void GenerateMessageBar();
void GeneratePointer();
