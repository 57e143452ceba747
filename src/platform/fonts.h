// The seven fonts of the game, drawn from glyph atlases built once (ASCII and Cyrillic).
#pragma once
#include <cstdint>

enum FontId : int { WarningFont, CounterFont, WaitFont, MessageFont, WideFont, BoldFont, HugeFont, FontCount };

// Text format flags, as the game uses them.
constexpr unsigned TextCentre = 1;   // centred horizontally
constexpr unsigned TextVCentre = 4;  // centred vertically

// Resolves "Verdana" and "Arial" through fontconfig and builds the atlases. False when no face is found.
bool CreateFonts(int interfaceLanguage);
// Draws up to maxChars characters (UTF-8 code points; -1 = all) of text in the box, clipped to it.
void DrawFontText(FontId font, const char* utf8, int maxChars, int left, int top, int right, int bottom,
                  uint32_t argb, unsigned flags);
// Width in pixels of the first maxChars characters (-1 = all).
int MeasureFontText(FontId font, const char* utf8, int maxChars);
