// The program's entry: start-up order, critical errors, window, device and fonts, then the game.
#pragma once

struct Variant;

// Returns the process exit status: 0 after a normal end, 255 after critical error 00 or 01 or a
// failed graphics device.
int GameMain(int argc, char** argv, const Variant& variant);
