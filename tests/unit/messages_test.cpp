// The typed message sequence and the UTF-8 character counting behind it.
#include "render/messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "render/text.h"

namespace {

// Strict UTF-8: no stray continuation, no truncated or overlong sequence.
bool IsValidUtf8(const char* text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        int extra = 0;
        if (*p < 0x80) {
            extra = 0;
        } else if (*p >= 0xC2 && *p <= 0xDF) {
            extra = 1;
        } else if (*p >= 0xE0 && *p <= 0xEF) {
            extra = 2;
        } else if (*p >= 0xF0 && *p <= 0xF4) {
            extra = 3;
        } else {
            return false;
        }
        ++p;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) return false;
        }
    }
    return true;
}

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// A sequence of our own that types without drawing, so no window is needed.
class MessageSequenceTest : public ::testing::Test {
   protected:
    void SetUp() override {
        sequence = std::make_unique<MessageSequence>();
        sequence->drawText = false;
    }
    bool Add(uint32_t holdMs, const char* text, uint32_t msPerChar = 50) {
        return AddMessageTo(*sequence, msPerChar, holdMs, MessageFont, 135, 245, 354, 267, 0xFFFFFFFF, "%s",
                            text);
    }
    // Shows the sequence at a given sequence clock without moving the position backwards.
    void DrawAt(uint64_t clockMs) {
        sequence->messageClockMs = clockMs;
        DrawMessages(*sequence, 0);
    }
    std::unique_ptr<MessageSequence> sequence;
};

}  // namespace

TEST(MessageText, CountsCharactersNotBytes) {
    EXPECT_EQ(Utf8Length("Well done!"), 10);
    EXPECT_EQ(Utf8Length("Молодчинка"), 10);
    EXPECT_EQ(std::strlen("Молодчинка"), 20u);
    EXPECT_EQ(Utf8Length("a€😀"), 3);
    EXPECT_EQ(Utf8Length(""), 0);
    // Bytes of another encoding count one each, as the font draws each as a replacement mark.
    EXPECT_EQ(Utf8Length("a\xFF\x80"
                         "b"),
              4);
    EXPECT_EQ(Utf8Length("\xD0z"), 2);
    EXPECT_EQ(Utf8PrefixBytes("Молодчинка", 3), 6);
    EXPECT_EQ(Utf8PrefixBytes("a€😀b", 3), 8);
    EXPECT_EQ(Utf8PrefixBytes("abc", 10), 3);
}

TEST(MessageText, CutNeverSplitsACharacter) {
    char text[64];
    std::snprintf(text, sizeof text, "%s", "Привет, мир");
    Utf8CutToChars(text, 4);
    EXPECT_STREQ(text, "Прив");
    // A text that already lost the tail of its last character drops that character.
    std::snprintf(text, sizeof text, "%s", "аб");
    text[3] = 0;
    Utf8CutToChars(text, 10);
    EXPECT_STREQ(text, "а");
}

TEST(MessageText, FormattingCutAtTheBufferKeepsValidUtf8) {
    // 600 two-byte letters do not fit 1024 bytes; byte 1023 would fall inside a letter.
    std::string longText = Repeat("ж", 600);
    char buffer[TextBufferBytes];
    auto format = [&](const char* fmt, ...) {
        va_list args;
        va_start(args, fmt);
        int written = FormatText(buffer, sizeof buffer, fmt, args);
        va_end(args);
        return written;
    };
    int written = format("%s", longText.c_str());
    EXPECT_EQ(written, 1022);
    EXPECT_EQ(std::strlen(buffer), 1022u);
    EXPECT_TRUE(IsValidUtf8(buffer));
    EXPECT_EQ(format("Only %i special blocks left!", 3), 27);
    EXPECT_STREQ(buffer, "Only 3 special blocks left!");
}

TEST_F(MessageSequenceTest, WellDoneTypesHoldsAndGivesWay) {
    Add(2000, "Well done!");
    Add(MessageHoldForever, "");
    DrawAt(49);
    EXPECT_EQ(sequence->shownChars, 0);
    DrawAt(50);
    EXPECT_EQ(sequence->shownChars, 1);
    DrawAt(499);
    EXPECT_EQ(sequence->shownChars, 9);
    DrawAt(500);
    EXPECT_EQ(sequence->shownChars, 10);
    DrawAt(2500);
    EXPECT_EQ(sequence->currentMessage, 0);
    EXPECT_EQ(sequence->shownChars, 10);
    DrawAt(2501);
    EXPECT_EQ(sequence->currentMessage, 1);
    EXPECT_STREQ(CurrentMessageText(*sequence), "");
}

TEST_F(MessageSequenceTest, SetMessageStartsAfterEarlierEntries) {
    Add(3000, Repeat("a", 10).c_str());
    Add(0x10000, Repeat("b", 20).c_str());
    Add(MessageHoldForever, "c");
    SetMessage(*sequence, 2);
    EXPECT_EQ(sequence->currentMessage, 2);
    EXPECT_EQ(sequence->messageClockMs, 4501u);
    SetMessage(*sequence, 0);
    EXPECT_EQ(sequence->messageClockMs, 1u);
    EXPECT_EQ(sequence->currentMessage, 0);
    SetMessage(*sequence, -3);
    EXPECT_EQ(sequence->currentMessage, 0);
    EXPECT_EQ(sequence->messageClockMs, 1u);
    SetMessage(*sequence, 1);
    SkipMessages(*sequence, 1);
    EXPECT_EQ(sequence->currentMessage, 2);
    EXPECT_EQ(sequence->messageClockMs, 4501u);
    SkipMessages(*sequence, -5);
    EXPECT_EQ(sequence->currentMessage, 0);
}

TEST_F(MessageSequenceTest, HeldMessageWaitsForTheProgram) {
    Add(0x10000, "Press a key");
    Add(0x20000, "Then this");
    Add(MessageHoldForever, "");
    for (int frame = 0; frame < 1000; ++frame) DrawMessages(*sequence, 1000);
    EXPECT_EQ(sequence->currentMessage, 0);
    EXPECT_EQ(sequence->shownChars, 11);
    EXPECT_STREQ(CurrentMessageText(*sequence), "Press a key");
    SkipMessages(*sequence, 1);
    EXPECT_EQ(sequence->messageClockMs, 11u * 50 + 1);
    DrawMessages(*sequence, 0);
    EXPECT_EQ(sequence->currentMessage, 1);
    EXPECT_EQ(sequence->shownChars, 0);
    // The adding call tells the screen which entry is shown.
    BeginMessages(*sequence);
    EXPECT_FALSE(Add(0x10000, "Press a key"));
    EXPECT_TRUE(Add(0x20000, "Then this"));
}

TEST_F(MessageSequenceTest, RussianTextTypesByCharacters) {
    Add(1000, "Молодчинка");
    Add(MessageHoldForever, "");
    EXPECT_EQ(sequence->entries[0].length, 10);
    DrawAt(250);
    EXPECT_EQ(sequence->shownChars, 5);
    DrawAt(500);
    EXPECT_EQ(sequence->shownChars, 10);
    // Byte counting would still be typing here, and would end the hold 500 ms late.
    DrawAt(1500);
    EXPECT_EQ(sequence->shownChars, 10);
    EXPECT_EQ(sequence->currentMessage, 0);
    DrawAt(1501);
    EXPECT_EQ(sequence->currentMessage, 1);
}

TEST_F(MessageSequenceTest, LongTextsAreCutAt255CharactersAsValidUtf8) {
    std::string cyrillic = Repeat("ё", 300);
    Add(MessageHoldForever, cyrillic.c_str());
    const MessageEntry& entry = sequence->entries[0];
    EXPECT_EQ(entry.length, 255);
    EXPECT_EQ(std::strlen(entry.text), 510u);
    EXPECT_TRUE(IsValidUtf8(entry.text));

    // Four-byte characters fill the buffer exactly; an odd start shifts every boundary.
    std::string wide = "z" + Repeat("😀", 300);
    Add(MessageHoldForever, wide.c_str());
    EXPECT_EQ(sequence->entries[1].length, 255);
    EXPECT_EQ(std::strlen(sequence->entries[1].text), 1u + 254 * 4);
    EXPECT_TRUE(IsValidUtf8(sequence->entries[1].text));

    DrawAt(1000000);
    EXPECT_EQ(sequence->shownChars, 255);
}

TEST_F(MessageSequenceTest, FullQueueRefusesFurtherEntries) {
    for (int i = 0; i < MessageCapacity; ++i) Add(0x10000, "x");
    EXPECT_EQ(sequence->messageCount, MessageCapacity);
    SetMessage(*sequence, MessageCapacity - 1);
    EXPECT_FALSE(Add(0x10000, "one too many"));
    EXPECT_EQ(sequence->messageCount, MessageCapacity);
    // Skipping past every entry stays inside the array and shows nothing.
    SkipMessages(*sequence, 1000);
    EXPECT_EQ(DrawMessages(*sequence, 16), MessageCapacity + 1);
    EXPECT_STREQ(CurrentMessageText(*sequence), "");
    EXPECT_EQ(sequence->shownChars, 0);
}

TEST_F(MessageSequenceTest, LastFiniteHoldEndsWithNothingShown) {
    Add(100, "ab");
    DrawAt(201);
    EXPECT_EQ(sequence->currentMessage, 1);
    EXPECT_STREQ(CurrentMessageText(*sequence), "");
    DrawAt(100000);
    EXPECT_EQ(sequence->currentMessage, 1);
}

TEST_F(MessageSequenceTest, PositionSetAheadOfTheQueueStartsTheEntryAtItsFirstCharacter) {
    // The screen jumps before it queues this frame's entries: the clock is 1 until they exist.
    BeginMessages(*sequence);
    SetMessage(*sequence, 1);
    EXPECT_EQ(sequence->messageClockMs, 1u);
    Add(2000, "Well done!");
    Add(MessageHoldForever, "Next one");
    DrawMessages(*sequence, 16);
    EXPECT_EQ(sequence->currentMessage, 1);
    EXPECT_EQ(sequence->shownChars, 0);
    EXPECT_EQ(sequence->messageClockMs, 2500u + 16);
}

TEST_F(MessageSequenceTest, ZeroTypingSpeedShowsTheWholeText) {
    Add(MessageHoldForever, "instant", 0);
    DrawMessages(*sequence, 0);
    EXPECT_EQ(sequence->shownChars, 7);
}
