// The generators of the asset generator: each writes one family of files under the output folder.
#pragma once
#include <cairo.h>

// Screens: the glass background, the start-screen logo, the splash card, the HUD frame, the window icon.
void GenerateBackground();
void GenerateLogo();
void GenerateSplash();
void GenerateHudFrame();
void GenerateIcon();
// The menu icons of the three games under OutputFolder()/hicolor/; false when a file failed.
bool GenerateMenuIcons();
// Interface pieces: the message bar and the pointer arrow.
void GenerateMessageBar();
// The message bar at (x, y) of a bigger picture; the start screen's logo carries one under its texts.
void DrawMessageBar(cairo_t* cr, double x, double y);
void GeneratePointer();
// The blocks in the glass: bodies, shine and symbols; links; piece outlines; special mark and selection ring;
// ice and frost.
void GenerateBlocks();
void GenerateLinks();
void GenerateOutlines();
void GenerateMarks();
void GenerateIce();
// Effects: glows of marked blocks, sparks, removal ghosts, particle flares, floating scores.
void GenerateGlows();
void GenerateSparks();
void GenerateGhosts();
void GenerateParticles();
void GenerateScoreTexts();
// HUD and records pieces: digits and equalizer, bars and sweep line, records panel and star, level banner.
void GenerateDigits();
void GenerateBars();
void GenerateRecords();
void GenerateLevelBanner();
// The donate screens with their mascots, in English and Russian.
void GenerateDonateScreens();
// Sound and music: the effect sounds, the music tracks with their score and collision notes, the holiday
// carol, the donate-screen songs; then a check that every sound file was written.
void GenerateEffectSounds();
void GenerateMusic();
void GenerateAudioSummary();
