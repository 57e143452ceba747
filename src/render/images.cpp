// The images of the game, loaded once at start in a fixed order.
#include "render/images.h"

#include "platform/graphics.h"
#include "store/profile.h"

GameImages images;

namespace {

int LoadLocalised(const char* plainName, const char* russianName) {
    return LoadTexture(InterfaceLanguage == 1 ? russianName : plainName);
}

void LoadNumbered(int* ids, const char* prefix, unsigned first, unsigned last) {
    for (unsigned n = first; n <= last; ++n) ids[n - first] = LoadNumberedTexture(prefix, n);
}

// Glow sets show a frame every other game frame.
int LoadSlowSet(const char* prefix, unsigned first, unsigned last) {
    int id = LoadTextureSet(prefix, first, last);
    if (id >= 0) SetTextureFrameRate(id, 4.0f);
    return id;
}

}  // namespace

void LoadLogoImage() { images.logo = LoadLocalised("data/pelorinas.png", "data/pelorinas_ru.png"); }

void LoadGameImages() {
    images.background = LoadTexture("data/fon.tga");
    images.hudFrame = LoadLocalised("data/stat_gui.png", "data/stat_gui_ru.png");
    LoadNumbered(images.atomBodies, "data/set_0/atom_", 1, 9);
    LoadNumbered(images.chainLinks, "data/set_0/link_", 1, 9);
    LoadNumbered(images.pieceOutlines, "data/bg_obv_0", 1, 3);
    images.specialMark = LoadTexture("data/romb1.tga");
    images.highlight = LoadTexture("data/blik.tga");
    LoadNumbered(images.patterns, "data/set_0/uzor_", 1, 9);
    images.selection = LoadTexture("data/atom_white1.tga");
    images.ice = LoadTexture("data/led.tga");
    LoadNumbered(images.cracks, "data/slom_", 1, 2);
    LoadNumbered(images.frost, "data/led_", 0, 2);
    images.equalizerBar = LoadTexture("data/ekvalazer.tga");
    images.digits = LoadTexture("data/cifri.tga");
    images.glow = LoadSlowSet("data/activ_", 0, 5);
    images.lateGlow = LoadSlowSet("data/2activ_", 0, 7);
    images.sparks = LoadTextureSet("data/krugimut_", 0, 4);
    for (unsigned n = 0; n < 5; ++n) images.ghosts[n] = LoadNumberedTextureSet("data/del_", n, 0, 8);
    LoadNumbered(images.floatingTexts, "data/score_", 0, 9);
    images.recordsPanel = LoadLocalised("data/records.png", "data/records_ru.png");
    images.recordsStar = LoadTexture("data/zvezda_records.tga");
    images.levelBanner = LoadLocalised("data/levelup.png", "data/levelup_ru.png");
    images.sweepLine = LoadTexture("data/poloska.tga");
    images.barFill = LoadTexture("data/bar_right_simple.tga");
    images.barFrame = LoadTexture("data/obvodka_leftbar.tga");
    images.pixel = LoadTexture("data/pix1.tga");
    images.messageBar = LoadTexture("data/text_win.png");
    images.pointer = LoadTexture("data/strelka_tutor1.tga");
    images.particles = LoadTextureSet("data/ba_", 0, 18);
}
