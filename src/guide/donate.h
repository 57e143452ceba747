// The donate screen: a thank-you picture with a song and a link to the donation page.
#pragma once
#include <cstddef>

// What the screen shows for a count of starts and a language: odd counts the sorvik picture with
// "Heaven and Hell", even counts the mirdelo picture with "I dont live today".
struct DonateChoice {
    const char* picture;
    const char* song;
    const char* plainMiddle;  // the picture's middle without the plea and the button (same backdrop)
};
DonateChoice ChooseDonateScreen(int launches, int language);

// The donation page's address on the web host ("" when the host is empty: the link then does nothing).
void DonatePageAddress(const char* webHost, char* out, size_t size);
// The page this build opens: on the web host built in, else on the host of the online service when one is
// set; "" when neither is, and then the screen shows no button.
void ChosenDonatePage(char* out, size_t size);

// The link area on the picture, in logical pixels.
constexpr int DonateLinkX = 187, DonateLinkY = 147, DonateLinkWidth = 98, DonateLinkHeight = 30;
// Where the plain middle covers the plea and the button when there is no page to open.
constexpr int DonatePlainX = 128, DonatePlainY = 88, DonatePlainWidth = 224, DonatePlainHeight = 96;
// The picture fades in over this many ms.
constexpr int DonateFadeMs = 712;

// Runs the screen with its own message loop until Escape is pressed or the quit message is taken.
void RunDonateScreen();
