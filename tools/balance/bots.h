// Bot players: what each kind of player does with the keys and the mouse, frame by frame.
//
// A bot looks at the game state and the glass directly and answers with the controls it holds in this
// frame; the session feeds those to the input layer exactly as the script player feeds a recorded run.
#pragma once
#include <cstdint>
#include <random>

struct GameState;
struct PhysicsWorld;

enum class BotKind : uint8_t {
    Idle,      // touches nothing
    Masher,    // random keys (or random double clicks and drags) about five times a second
    Greedy,    // a competent player of the game at hand
    Follower,  // does what the keyboard tutorials ask: taps Space every 320 ms and Left every 3 s
};

// Keys a bot can hold (bits of BotControls::keys).
enum BotKey : uint32_t {
    BotSpace = 1u << 0,
    BotLeft = 1u << 1,
    BotRight = 1u << 2,
    BotUp = 1u << 3,
    BotDown = 1u << 4,
    BotCtrl = 1u << 5,
    BotAlt = 1u << 6,
};
constexpr int BotKeyCount = 7;

// The controls held in one frame.
struct BotControls {
    uint32_t keys = 0;         // BotKey bits held down
    int mouseX = 240;          // logical pixels
    int mouseY = 136;
    bool leftButton = false;   // the left mouse button is down
};

// A mouse gesture of the shapes bots, played out over several frames.
struct MouseGesture {
    enum Kind : uint8_t { None, DoubleClick, Drag, Swap } kind = None;
    uint64_t startMs = 0;
    int fromX = 0, fromY = 0, toX = 0, toY = 0;  // logical pixels
    int grabAtom = -1, targetAtom = -1;          // Swap: the atoms dragged and aimed at
    uint64_t abortMs = 0;                        // Swap: when it began to back out; 0: it has not
};

struct Bot {
    BotKind kind = BotKind::Idle;
    int variant = 0;       // VariantShapes, VariantChains or VariantCubes
    std::mt19937 random;   // the bot's own dice; the game reseeds the C generator with its clock
    BotControls held;
    // Keyboard masher: when each key is let go again, and when the next press comes.
    uint64_t releaseAtMs[BotKeyCount] = {};
    uint64_t nextPressMs = 0;
    // Keyboard greedy: the piece it is placing and where it wants it.
    uint32_t planPiece = UINT32_MAX;  // world.piecesSpawned when the plan was made
    float targetX = 0;                // px, glass x of the piece's centre
    float targetAngle = 0;            // rad, wanted angle of the piece's first edge
    float lastAngle = 0;              // rad, that angle in the previous frame
    uint64_t pieceSeenMs = 0;
    bool pieceLanded = false;
    uint64_t landedMs = 0;            // chains: when the piece came to rest; 0: it has not
    float targetLandY = 0;            // px, cubes: y of the piece's centre once it rests at its spot
    uint64_t replanMs = 0;            // cubes: when the spot is chosen again
    float lastCx = 0, lastCy = 0;     // cubes: the piece's centre in the previous frame
    uint64_t lastSeenMs = 0;
    // Shapes: the gesture under way.
    MouseGesture gesture;
    uint64_t nextGestureMs = 0;
    // Shapes greedy: swaps that could not be made lately (the block did not reach its target), not tried
    // again for a while.
    struct FailedSwap {
        int grab = -1, target = -1;
        uint64_t untilMs = 0;
    } failed[8];
    int nextFailed = 0;
    uint64_t stuckSinceMs = 0;  // no swap to make and the glass nearly full since then; 0: not stuck
};

void StartBot(Bot& bot, BotKind kind, int variant, uint32_t seed);
// The controls of this frame, from the glass as the previous frame left it.
const BotControls& BotFrame(Bot& bot, const GameState& g, const PhysicsWorld& w, uint64_t nowMs);

// The greedy cubes player (bots_cubes.cpp).
void PlayCubesGreedy(Bot& bot, const PhysicsWorld& w, uint64_t nowMs);

// A picture of the glass in characters on stderr, for the bots' debugging maps.
void PrintGlassMap(const PhysicsWorld& w);

const char* BotName(BotKind kind);
bool BotByName(const char* name, BotKind* kind);
