// Fixed places on the 480 by 272 logical screen that the pictures have to fit.
#pragma once

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 272;

// The glass's interior, in screen pixels (glass coordinates are shown 96 px right and 48 px up). Block
// centres stay within x 12..276.5 and above the floor at y 275, and a block is drawn 23 px across: its
// pixels reach 0..288 across and down to 286.5, so the interior is 288 px wide (twelve 24 px columns)
// with its floor at 239.
constexpr double kGlassLeft = 96;
constexpr double kGlassRight = 384;
constexpr double kGlassTop = -48;
constexpr double kGlassBottom = 239;
// Corners of the pane, no rounder than a block's own corners, so a block in a corner stays inside.
constexpr double kGlassCorner = 5;

// The message bar of the start and records screens (the level displays put it 5 px lower).
constexpr double kMessageBarX = 127;
constexpr double kMessageBarY = 240;
constexpr int kMessageBarWidth = 227;
constexpr int kMessageBarHeight = 22;

// Where the start screen's pointer hangs (its centre; the sprite is 27 px across).
constexpr double kPointerX = 338;
constexpr double kPointerY = 221;

// The HUD: score digits (eight 10 px digits every 9 px), their equalizer bars below, the moves counter,
// the level counter and the progress bar.
constexpr double kScoreX = 10, kScoreY = 23;
constexpr double kMovesLeft = 18, kMovesTop = 149, kMovesRight = 77, kMovesBottom = 205;
constexpr double kLevelLeft = 402, kLevelTop = 30, kLevelRight = 461, kLevelBottom = 90;
constexpr double kProgressX = 424, kProgressY = 101;
constexpr int kProgressWidth = 21, kProgressHeight = 106;

// The ribbon under the logo on which the start screen writes the game's name.
constexpr double kLogoRibbonX = 165, kLogoRibbonY = 180, kLogoRibbonWidth = 150, kLogoRibbonHeight = 24;
