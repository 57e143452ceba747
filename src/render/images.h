// The images of the game, loaded once at start in a fixed order; -1 marks an image that failed to load.
#pragma once

struct GameImages {
    int background = -1;         // data/fon.tga
    int hudFrame = -1;           // data/stat_gui.png
    int atomBodies[9] = {};      // data/set_0/atom_1..9
    int chainLinks[9] = {};      // data/set_0/link_1..9
    int pieceOutlines[3] = {};   // data/bg_obv_01..03
    int specialMark = -1;        // data/romb1.tga
    int highlight = -1;          // data/blik.tga
    int patterns[9] = {};        // data/set_0/uzor_1..9
    int selection = -1;          // data/atom_white1.tga
    int ice = -1;                // data/led.tga
    int cracks[2] = {};          // data/slom_1..2
    int frost[3] = {};           // data/led_0..2
    int equalizerBar = -1;       // data/ekvalazer.tga
    int digits = -1;             // data/cifri.tga
    int glow = -1;               // set data/activ_0..5
    int lateGlow = -1;           // set data/2activ_0..7
    int sparks = -1;             // set data/krugimut_0..4
    int ghosts[5] = {};          // sets data/del_N_0..8
    int floatingTexts[10] = {};  // data/score_0..9
    int recordsPanel = -1;       // data/records.png
    int recordsStar = -1;        // data/zvezda_records.tga
    int levelBanner = -1;        // data/levelup.png
    int sweepLine = -1;          // data/poloska.tga
    int barFill = -1;            // data/bar_right_simple.tga
    int barFrame = -1;           // data/obvodka_leftbar.tga
    int pixel = -1;              // data/pix1.tga
    int messageBar = -1;         // data/text_win.png
    int pointer = -1;            // data/strelka_tutor1.tga
    int particles = -1;          // set data/ba_0..18
    int splash = -1;             // data/brisvelt2.png
    int logo = -1;               // data/pelorinas.png, loaded before the rest
};

extern GameImages images;

// Loads the start-screen logo.
void LoadLogoImage();
// Loads every other image in the game's order, ending with the splash picture.
void LoadGameImages();
