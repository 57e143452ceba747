// One bot game: the real game screen's frames run without a picture, with the bot on the input layer.
//
// Nothing is drawn because no graphics device exists (every drawing call then does nothing) and the
// message sequence types without drawing; the rules, the physics, the tutorial and the level displays
// run as in the programs. The bot's keys and mouse go through the same injected messages as a --script
// run, so the game reads them through its input layer like a player's.
#include "bot_session.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "guide/tutorial.h"
#include "input/input.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/graphics.h"
#include "platform/window.h"
#include "render/messages.h"
#include "rules/cubes_rules.h"
#include "rules/game.h"
#include "rules/tuning.h"
#include "shell/shell.h"
#include "shell/variant.h"

namespace {

constexpr int BotKeyScanCodes[BotKeyCount] = {KeySpace,     KeyArrowLeft, KeyArrowRight, KeyArrowUp,
                                              KeyArrowDown, KeyLeftCtrl,  KeyLeftAlt};

// What the input layer was last told, so that only changes become messages.
struct InjectedState {
    uint32_t keys = 0;
    int mouseX = -1, mouseY = -1;
    bool leftButton = false;
};

void Inject(InjectedState& state, const BotControls& c) {
    for (int k = 0; k < BotKeyCount; ++k) {
        const uint32_t bit = 1u << k;
        if ((c.keys & bit) != (state.keys & bit)) InjectKey(BotKeyScanCodes[k], (c.keys & bit) != 0);
    }
    state.keys = c.keys;
    if (c.mouseX != state.mouseX || c.mouseY != state.mouseY) InjectMouseMove(c.mouseX, c.mouseY);
    state.mouseX = c.mouseX;
    state.mouseY = c.mouseY;
    if (c.leftButton != state.leftButton) InjectMouseButton(0, c.leftButton);
    state.leftButton = c.leftButton;
}

// The messages of this frame reach the key table and the mouse, as the main loop dispatches them.
void DispatchMessages() {
    while (PeekMessage()) {
        if (GetMessage() == MessageType::None) break;
    }
}

// Everything a fresh start of the program sets before the first game, then the start screen's choice.
bool StartFreshGame(const SessionOptions& o) {
    SetSettingsIndex(o.variant->index);
    if (o.settingsDir != nullptr) {
        std::snprintf(tuningFiles.settingsPath, sizeof tuningFiles.settingsPath, "%s/setup_%d.xml",
                      o.settingsDir, o.variant->index);
    }
    if (!LoadBaseSettings() || !LoadLevelSettings(0)) return false;
    // A fresh program: nothing of the previous game is left in the glass or the counters.
    static const PhysicsWorld freshWorld;
    world = freshWorld;
    game = GameState{};
    tutorial = TutorialState{};
    cubes = CubesState{};
    flow = ScreenFlow{};
    flow.screen = Screen::Game;
    SetInitialGameValues(game);
    ResetWorld(world);
    if (o.variant->installRules != nullptr) o.variant->installRules(world);
    ResetInput();
    // The mouse as the start screen leaves it: the click that started the game is spent, and no click
    // of the game before can pair with a first click of this one into a double click.
    input.clickArmed = true;
    input.lastClickMs = static_cast<uint32_t>(-1000000);
    // The C generator as a freshly started program has it: what the start of a game draws before the
    // first piece reseeds it must not depend on the games played before.
    std::srand(1);
    game.tutorialStep = o.tutorial ? 1 : -1;
    SetMessage(0);
    return true;
}

// What became of the blocks of one game, seen from frame to frame.
struct BlockFates {
    int spawned = 0, marked = 0, removed = 0, frozenUnmarked = 0, frozenMarked = 0, iceGone = 0;
};
struct AtomWatch {
    bool inUse = false, marked = false, coloured = false;
};

void WatchBlocks(AtomWatch* watch, BlockFates& f) {
    for (int i = 0; i < MaxAtoms; ++i) {
        const Atom& a = world.atoms[i];
        AtomWatch now{!(a.flags & FreeSlot), a.marked != 0, a.colour != NoColour};
        AtomWatch& was = watch[i];
        if (now.inUse && !was.inUse) {
            f.spawned += 1;
            was = AtomWatch{true, false, now.coloured};
        }
        if (was.inUse && !now.inUse) {
            if (was.coloured) f.removed += 1; else f.iceGone += 1;
        } else if (now.inUse) {
            if (now.marked && !was.marked) f.marked += 1;
            if (was.coloured && !now.coloured) {
                if (was.marked) f.frozenMarked += 1; else f.frozenUnmarked += 1;
            }
        }
        was = now;
    }
}

}  // namespace

bool StartBotPlatform() {
    std::setlocale(LC_NUMERIC, "C");
    SetHeadlessMode(true);
    PlatformOptions options;
    options.headless = true;
    if (!CreateMainWindow(options)) return false;
    SetFixedClock(true);
    messageSequence.drawText = false;
    return true;
}

bool PlayBotGame(const SessionOptions& o, GameResult* result) {
    *result = GameResult{};
    variant = o.variant;
    // The rules seed the C generator with the clock at every piece, so the clock's start is the game's seed.
    SetClockMs(1000000ull + static_cast<uint64_t>(o.seed) * 7919ull);
    frameClock = FrameClock{};
    frameClock.frameMs = o.frameMs;
    if (!StartFreshGame(o)) return false;

    Bot bot;
    StartBot(bot, o.bot, o.variant->index, o.seed * 2654435761u + 17u);
    InjectedState injected;
    const int maxLevels = MaxLevelsTracked;
    int lastLevel = game.level;
    bool tutorialRan = game.tutorialStep > 0;
    uint64_t gameMs = 0;
    // PELORINA_BOT_TRACE=1: one line of the game's state a second on stderr, to watch a bot play.
    const bool trace = std::getenv("PELORINA_BOT_TRACE") != nullptr;
    // PELORINA_BOT_FATES=1: at the end of each game, what became of the blocks (stderr).
    const bool fates = std::getenv("PELORINA_BOT_FATES") != nullptr;
    BlockFates fate;
    AtomWatch watch[MaxAtoms];
    while (!game.gameOver && gameMs < o.maxGameMs && (o.untilLevel <= 0 || game.level + 1 < o.untilLevel)) {
        Inject(injected, BotFrame(bot, game, world, NowMs()));
        DispatchMessages();
        ResetSpriteQueues();
        PollInput(frameClock.gameClockMs);
        int x = 0, y = 0;
        CursorInPicture(&x, &y);
        input.mouseX = x;
        input.mouseY = y;
        GameScreenFrame();
        if (flow.criticalError >= 0) return false;
        if (fates) WatchBlocks(watch, fate);

        AdvanceClock(o.frameMs);
        frameClock.frameMs = o.frameMs;
        frameClock.gameClockMs += o.frameMs;
        frameClock.frames += 1;
        gameMs += o.frameMs;
        while (lastLevel < game.level && result->levelsDone < maxLevels) {
            result->levelEndMs[result->levelsDone++] = gameMs;
            ++lastLevel;
        }
        if (trace && gameMs % 1000 == 0) {
            int atoms = 0;
            for (const Atom& a : world.atoms) atoms += (a.flags & FreeSlot) ? 0 : 1;
            std::fprintf(stderr, "t=%llu level=%d moves=%d mistakes=%d atoms=%d requests=%d grabbed=%d target=%d "
                         "score=%d bar=%.3f progress=%.3f step=%d removed=%u piece=%u,%u,%u\n", static_cast<unsigned long long>(gameMs),
                         game.level, game.moves, game.mistakesAllowed, atoms, game.pieceRequests, world.grabbedAtom,
                         world.swapTarget, world.score, static_cast<double>(world.barEnergy),
                         static_cast<double>(world.progress), game.tutorialStep, world.atomsRemoved,
                         static_cast<unsigned>(world.detailCount), static_cast<unsigned>(world.detailInside),
                         static_cast<unsigned>(world.overflow));
        }
        if (tutorialRan && result->tutorialEndMs < 0 && game.tutorialStep == -1) {
            result->tutorialEndMs = static_cast<int64_t>(gameMs);
        }
    }
    // Let go of everything, so the next game starts with no key held.
    Inject(injected, BotControls{});
    DispatchMessages();
    for (int poll = 0; poll < 3; ++poll) PollInput(frameClock.gameClockMs);

    if (fates) {
        std::fprintf(stderr,
                     "fates seed=%u min=%.1f level=%d spawned=%d marked=%d removed=%d frozenResting=%d "
                     "frozenMarked=%d iceBroken=%d\n",
                     o.seed, static_cast<double>(gameMs) / 60000.0, game.level + 1, fate.spawned, fate.marked,
                     fate.removed, fate.frozenUnmarked, fate.frozenMarked, fate.iceGone);
    }
    result->won = game.gameWon;
    result->stopped = !game.gameOver;
    result->gameMs = gameMs;
    result->score = world.score;
    result->levelReached = game.gameWon ? game.level : game.level + 1;
    return true;
}
