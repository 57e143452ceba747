// The message sequence: texts typed one character at a time and held, one after another.
//
// The current screen queues its whole sequence every frame (BeginMessages, then AddMessage for each
// entry); the position (currentMessage, messageClockMs) is kept across frames. DrawMessages advances
// through the queued entries by the sequence clock and types the current one. A hold of
// MessageHoldForever or more keeps a message until the program moves the sequence on (SetMessage,
// SkipMessages); a sequence normally ends with such an entry, often an empty text.
#pragma once
#include <cstdarg>
#include <cstdint>

#include "platform/fonts.h"

constexpr int MessageCapacity = 64;    // entries per frame; further AddMessage calls are ignored
constexpr int MessageTextChars = 255;  // texts are cut to this many characters (code points)
constexpr int MessageTextBytes = MessageTextChars * 4 + 1;  // room for 255 four-byte characters
constexpr uint32_t MessageHoldForever = 0x10000;            // holds from here on never end by time

struct MessageEntry {
    uint32_t msPerChar;  // typing speed in ms per character; every caller uses 50
    uint32_t holdMs;     // time the complete text stays; >= MessageHoldForever: until moved on
    FontId font;
    int left, top, right, bottom;  // box in logical pixels
    uint32_t colour;               // ARGB
    int length;                    // characters in text
    char text[MessageTextBytes];   // UTF-8, cut to MessageTextChars characters
};

struct MessageSequence {
    MessageEntry entries[MessageCapacity];
    int messageCount = 0;         // entries queued this frame
    int currentMessage = 0;       // index of the entry shown
    uint64_t messageClockMs = 0;  // ms since sequence position 0
    int shownChars = 0;           // characters of the current entry typed at the last DrawMessages
    bool drawText = true;         // false: advance and type without drawing (tests, no window)
};

// The game's sequence.
extern MessageSequence messageSequence;

// Empties the queue before the current screen queues this frame's entries.
void BeginMessages();
void BeginMessages(MessageSequence& sequence);

// Appends an entry (formatted printf-style, cut to 255 characters) and returns whether it is the one
// shown now; screens use that to decide what keys do. A full queue ignores the entry and returns false.
bool AddMessage(uint32_t msPerChar, uint32_t holdMs, FontId font, int left, int top, int right, int bottom,
                uint32_t colour, const char* format, ...) __attribute__((format(printf, 9, 10)));
bool AddMessageTo(MessageSequence& sequence, uint32_t msPerChar, uint32_t holdMs, FontId font, int left,
                  int top, int right, int bottom, uint32_t colour, const char* format, ...)
    __attribute__((format(printf, 10, 11)));
bool AddMessageV(MessageSequence& sequence, uint32_t msPerChar, uint32_t holdMs, FontId font, int left,
                 int top, int right, int bottom, uint32_t colour, const char* format, va_list args)
    __attribute__((format(printf, 10, 0)));

// Moves to the entry that the clock has reached, types and draws it, then adds frameMs (the duration of
// the previous frame) to the clock. Returns currentMessage + 1.
int DrawMessages(uint64_t frameMs);
int DrawMessages(MessageSequence& sequence, uint64_t frameMs);

// Jumps to entry n: the clock becomes the time at which entry n starts typing, plus 1 (1 for n < 1).
void SetMessage(int n);
void SetMessage(MessageSequence& sequence, int n);
// SetMessage(currentMessage + k).
void SkipMessages(int k);
void SkipMessages(MessageSequence& sequence, int k);

// The whole text of the current entry ("" when none is queued there), and how much of it is typed.
const char* CurrentMessageText();
const char* CurrentMessageText(const MessageSequence& sequence);
int CurrentMessageShownChars();
int CurrentMessageShownChars(const MessageSequence& sequence);
