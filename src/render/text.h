// Formatted text in screen boxes, and the UTF-8 character counting that every text length uses.
#pragma once
#include <cstdarg>
#include <cstdint>

#include "platform/fonts.h"

// Formatted texts are cut to this many bytes, the terminating zero included; callers keep them shorter.
constexpr int TextBufferBytes = 1024;

// Formats printf-style and draws the text centred both ways in the box (clipped to it).
void DrawTextCentred(FontId font, int left, int top, int right, int bottom, uint32_t colour,
                     const char* format, ...) __attribute__((format(printf, 7, 8)));
// The same, left-aligned and centred vertically.
void DrawTextLeft(FontId font, int left, int top, int right, int bottom, uint32_t colour, const char* format,
                  ...) __attribute__((format(printf, 7, 8)));

// vsnprintf into out (size bytes) that never leaves a half UTF-8 sequence at the end of a cut text.
// Returns the length in bytes of what was written.
int FormatText(char* out, int size, const char* format, va_list args) __attribute__((format(printf, 3, 0)));

// Texts are UTF-8: a character is a code point. A byte that is not part of a well-formed sequence counts
// as one character, as the font draws it (a replacement mark).
int Utf8Length(const char* text);
// Bytes taken by the first chars characters of text (all of it when it is shorter).
int Utf8PrefixBytes(const char* text, int chars);
// Cuts text in place after maxChars characters; never splits a character and drops a broken last one.
void Utf8CutToChars(char* text, int maxChars);
