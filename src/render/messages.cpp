// The message sequence: texts typed one character at a time and held, one after another.
#include "render/messages.h"

#include "render/text.h"

MessageSequence messageSequence;

namespace {

// Time an entry occupies in the sequence before the next one may start: its typing plus a finite hold.
// An entry held forever contributes only its typing.
uint64_t EntrySpanMs(const MessageEntry& entry) {
    uint64_t typing = static_cast<uint64_t>(entry.msPerChar) * static_cast<uint64_t>(entry.length);
    return typing + (entry.holdMs < MessageHoldForever ? entry.holdMs : 0);
}

// Time at which entry index starts typing: the spans of the queued entries before it.
uint64_t EntryStartMs(const MessageSequence& sequence, int index) {
    uint64_t start = 0;
    for (int i = 0; i < index && i < sequence.messageCount; ++i) start += EntrySpanMs(sequence.entries[i]);
    return start;
}

}  // namespace

void BeginMessages(MessageSequence& sequence) {
    sequence.messageCount = 0;
}
void BeginMessages() {
    BeginMessages(messageSequence);
}

bool AddMessageV(MessageSequence& sequence, uint32_t msPerChar, uint32_t holdMs, FontId font, int left,
                 int top, int right, int bottom, uint32_t colour, const char* format, va_list args) {
    if (sequence.messageCount < 0) sequence.messageCount = 0;
    if (sequence.messageCount >= MessageCapacity) return false;
    int index = sequence.messageCount++;
    MessageEntry& entry = sequence.entries[index];
    entry.msPerChar = msPerChar;
    entry.holdMs = holdMs;
    entry.font = font;
    entry.left = left;
    entry.top = top;
    entry.right = right;
    entry.bottom = bottom;
    entry.colour = colour;
    // 255 characters of at most four bytes always fit, so the character cut below is the one that counts.
    FormatText(entry.text, sizeof entry.text, format, args);
    Utf8CutToChars(entry.text, MessageTextChars);
    entry.length = Utf8Length(entry.text);
    return index == sequence.currentMessage;
}

bool AddMessageTo(MessageSequence& sequence, uint32_t msPerChar, uint32_t holdMs, FontId font, int left,
                  int top, int right, int bottom, uint32_t colour, const char* format, ...) {
    va_list args;
    va_start(args, format);
    bool shown =
        AddMessageV(sequence, msPerChar, holdMs, font, left, top, right, bottom, colour, format, args);
    va_end(args);
    return shown;
}

bool AddMessage(uint32_t msPerChar, uint32_t holdMs, FontId font, int left, int top, int right, int bottom,
                uint32_t colour, const char* format, ...) {
    va_list args;
    va_start(args, format);
    bool shown =
        AddMessageV(messageSequence, msPerChar, holdMs, font, left, top, right, bottom, colour, format, args);
    va_end(args);
    return shown;
}

int DrawMessages(MessageSequence& sequence, uint64_t frameMs) {
    int count = sequence.messageCount;
    if (count < 0 || count > MessageCapacity) count = sequence.messageCount = 0;
    if (sequence.currentMessage < 0) sequence.currentMessage = 0;
    sequence.shownChars = 0;

    // Walk on while the clock is past the end of the current entry. The walk stops one past the last
    // queued entry at most: a sequence whose last hold runs out shows nothing rather than stale entries.
    uint64_t prefix = EntryStartMs(sequence, sequence.currentMessage);
    while (sequence.currentMessage < count) {
        const MessageEntry& entry = sequence.entries[sequence.currentMessage];
        if (entry.holdMs >= MessageHoldForever) break;
        uint64_t end = prefix + EntrySpanMs(entry);
        if (sequence.messageClockMs <= end) break;
        prefix = end;
        ++sequence.currentMessage;
    }

    if (sequence.currentMessage < count) {
        const MessageEntry& entry = sequence.entries[sequence.currentMessage];
        // A position set forward starts the entry from its first character.
        if (sequence.messageClockMs < prefix) sequence.messageClockMs = prefix;
        uint64_t elapsed = sequence.messageClockMs - prefix;
        // A typing speed of 0 shows the whole text at once instead of dividing by zero.
        uint64_t shown =
            entry.msPerChar == 0 ? static_cast<uint64_t>(entry.length) : elapsed / entry.msPerChar;
        if (shown > static_cast<uint64_t>(entry.length)) shown = static_cast<uint64_t>(entry.length);
        sequence.shownChars = static_cast<int>(shown);
        if (sequence.drawText && sequence.shownChars > 0) {
            DrawFontText(entry.font, entry.text, sequence.shownChars, entry.left, entry.top, entry.right,
                         entry.bottom, entry.colour, TextVCentre);
        }
    }

    sequence.messageClockMs += frameMs;
    return sequence.currentMessage + 1;
}

int DrawMessages(uint64_t frameMs) {
    return DrawMessages(messageSequence, frameMs);
}

void SetMessage(MessageSequence& sequence, int n) {
    // A position before the first entry is the first entry; a position past the queued entries is kept
    // (DrawMessages shows nothing there) and costs only the entries that exist.
    if (n < 0) n = 0;
    if (n > MessageCapacity) n = MessageCapacity;
    sequence.currentMessage = n;
    sequence.messageClockMs = EntryStartMs(sequence, n) + 1;
}

void SetMessage(int n) {
    SetMessage(messageSequence, n);
}

void SkipMessages(MessageSequence& sequence, int k) {
    int64_t target = static_cast<int64_t>(sequence.currentMessage) + k;
    if (target < 0) target = 0;
    if (target > MessageCapacity) target = MessageCapacity;
    SetMessage(sequence, static_cast<int>(target));
}
void SkipMessages(int k) {
    SkipMessages(messageSequence, k);
}

const char* CurrentMessageText(const MessageSequence& sequence) {
    int index = sequence.currentMessage;
    if (index < 0 || index >= sequence.messageCount || index >= MessageCapacity) return "";
    return sequence.entries[index].text;
}

const char* CurrentMessageText() {
    return CurrentMessageText(messageSequence);
}

int CurrentMessageShownChars(const MessageSequence& sequence) {
    return sequence.shownChars;
}
int CurrentMessageShownChars() {
    return CurrentMessageShownChars(messageSequence);
}
