// Formatted text in screen boxes, and the UTF-8 character counting that every text length uses.
#include "render/text.h"

#include <cstdio>

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Bytes that a sequence starting with lead should have; 1 for anything that is not a lead byte.
int SequenceBytes(unsigned char lead) {
    if ((lead >> 5) == 6) return 2;
    if ((lead >> 4) == 14) return 3;
    if ((lead >> 3) == 30) return 4;
    return 1;
}

// Bytes of the character at text: a whole well-formed sequence, or 1 for a byte that does not start one
// (it is drawn as a replacement mark, so it counts as one character, exactly as the font decodes it).
int CharacterBytes(const char* text) {
    int length = SequenceBytes(static_cast<unsigned char>(text[0]));
    for (int i = 1; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[i]))) return 1;
    }
    return length;
}

// Drops a multi-byte sequence that lost its tail when the text was cut at length bytes.
int TrimIncompleteTail(char* text, int length) {
    int start = length;
    while (start > 0 && IsContinuation(static_cast<unsigned char>(text[start - 1]))) --start;
    if (start == 0) return length;
    int lead = start - 1;
    int expected = SequenceBytes(static_cast<unsigned char>(text[lead]));
    if (expected > 1 && length - lead < expected) {
        text[lead] = 0;
        return lead;
    }
    return length;
}

void DrawFormatted(FontId font, int left, int top, int right, int bottom, uint32_t colour, unsigned flags,
                   const char* format, va_list args) __attribute__((format(printf, 8, 0)));

void DrawFormatted(FontId font, int left, int top, int right, int bottom, uint32_t colour, unsigned flags,
                   const char* format, va_list args) {
    char buffer[TextBufferBytes];
    FormatText(buffer, sizeof buffer, format, args);
    // The picture has no screen offset on this platform: boxes are drawn where they are given.
    DrawFontText(font, buffer, -1, left, top, right, bottom, colour, flags);
}

}  // namespace

int FormatText(char* out, int size, const char* format, va_list args) {
    if (out == nullptr || size <= 0) return 0;
    out[0] = 0;
    if (format == nullptr) return 0;
    int wanted = std::vsnprintf(out, static_cast<size_t>(size), format, args);
    if (wanted < 0) {
        out[0] = 0;
        return 0;
    }
    if (wanted < size) return wanted;
    return TrimIncompleteTail(out, size - 1);
}

int Utf8Length(const char* text) {
    if (text == nullptr) return 0;
    int count = 0;
    for (const char* p = text; *p != 0; p += CharacterBytes(p)) ++count;
    return count;
}

int Utf8PrefixBytes(const char* text, int chars) {
    if (text == nullptr || chars <= 0) return 0;
    int bytes = 0;
    for (int count = 0; count < chars && text[bytes] != 0; ++count) bytes += CharacterBytes(text + bytes);
    return bytes;
}

void Utf8CutToChars(char* text, int maxChars) {
    if (text == nullptr) return;
    int bytes = Utf8PrefixBytes(text, maxChars);
    text[bytes] = 0;
    TrimIncompleteTail(text, bytes);
}

void DrawTextCentred(FontId font, int left, int top, int right, int bottom, uint32_t colour,
                     const char* format, ...) {
    va_list args;
    va_start(args, format);
    DrawFormatted(font, left, top, right, bottom, colour, TextCentre | TextVCentre, format, args);
    va_end(args);
}

void DrawTextLeft(FontId font, int left, int top, int right, int bottom, uint32_t colour, const char* format,
                  ...) {
    va_list args;
    va_start(args, format);
    DrawFormatted(font, left, top, right, bottom, colour, TextVCentre, format, args);
    va_end(args);
}
