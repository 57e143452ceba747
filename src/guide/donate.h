// The donate screen: a thank-you picture with a song and a link to the donation page.
#pragma once
#include <cstddef>

// What the screen shows for a count of starts and a language: odd counts the sorvik picture with
// "Heaven and Hell", even counts the mirdelo picture with "I dont live today".
struct DonateChoice {
    const char* picture;
    const char* song;
};
DonateChoice ChooseDonateScreen(int launches, int language);

// The donation page's address on the web host ("" when the host is empty: the link then does nothing).
void DonatePageAddress(const char* webHost, char* out, size_t size);

// The link area on the picture, in logical pixels.
constexpr int DonateLinkX = 187, DonateLinkY = 147, DonateLinkWidth = 98, DonateLinkHeight = 30;
// The picture fades in over this many ms.
constexpr int DonateFadeMs = 712;

// Runs the screen with its own message loop until Escape is pressed or the quit message is taken.
void RunDonateScreen();
