// The soft-body world of the glass: atoms, links, short-lived effects, the lock grid, the player's piece.
#pragma once
#include <cstdint>

// Bit 30 of every pool element's flags word: the slot is free.
constexpr uint32_t FreeSlot = 0x40000000;
// "No atom" in every 16-bit index field; 0xFFFFFFFF in the 32-bit neighbour fields.
constexpr uint16_t NoAtom = 0xFFFF;
constexpr uint32_t NoNeighbour = 0xFFFFFFFF;
// Colour of an atom without colour (a frozen block).
constexpr uint8_t NoColour = 0xFF;

constexpr int MaxAtoms = 256;
constexpr int MaxLinks = 256;
constexpr int MaxFloatingTexts = 16;
constexpr int MaxSparks = 256;
constexpr int MaxRemovalGhosts = 256;
constexpr int MaxIceShards = 64;

// Lock grid: 12 columns by 10 rows (rows 2 to 11 of the 24-pixel raster); cell = col + (row - 2) * 12.
constexpr int GridColumns = 12;
constexpr int GridFirstRow = 2;
constexpr int GridLastRow = 11;
constexpr int GridCells = 120;

// Variant indices, as in the settings and records file names.
constexpr int VariantCubes = 0;
constexpr int VariantChains = 1;
constexpr int VariantShapes = 2;

// Floating text kinds drawn with their own picture or text.
constexpr uint16_t TextCrashPoints = 0;
constexpr uint16_t TextLandingBonus = 8;
constexpr uint16_t TextRemovalPoints = 9;
constexpr uint16_t TextGiven = 13;

// The three wall-sound re-arm flags of an atom.
enum WallSide { WallLeft = 0, WallRight = 1, WallTop = 2 };

// One block.
struct Atom {
    uint32_t flags = FreeSlot;
    float x = 0, y = 0;              // px, glass coordinates (y downwards)
    float refX = 0, refY = 0;        // px, position at creation: zero of the sprite rotation
    float prevX = 0, prevY = 0;      // px, position one step ago (velocity = position - previous)
    float rotation = 0;              // rad, sprite rotation from the piece edges, recomputed each frame
    uint8_t colour = 0;              // 0..8; NoColour for a frozen block
    uint16_t touch[2] = {NoAtom, NoAtom};  // same-coloured atoms touched in this collision pass
    uint8_t entering = 0;            // 1 until the atom first gets below y = 61
    uint8_t marked = 0;              // in a completed group, to be removed
    int32_t markTime = 0;            // ms since marking
    uint8_t snapping = 0;            // on its way into the lock grid (a frozen block)
    uint8_t locked = 0;              // sits in a grid cell and never moves
    uint32_t cellIndex = 0, cellRow = 0;      // grid cell held while locked
    int32_t targetCol = 0, targetRow = 0;     // grid cell chosen while snapping
    uint8_t hasTarget = 0;           // targetCol/targetRow are valid
    int32_t hitsLeft = 0;            // hard hits a locked block still survives
    uint32_t lastDeadHit = 0;        // ms clock of the last hard hit counted
    uint32_t iceAge = 0;             // ms outside the player's piece without a hard hit
    uint32_t iceReset = 0;           // ms since the ice last broke (0 = just broke)
    uint32_t neighbour[2] = {NoNeighbour, NoNeighbour};  // chain neighbours
    uint32_t neighbourCount = 0;     // 0, 1 or 2
    uint8_t connectedFlag = 0;       // connected by the player
    uint32_t connectTime = 0;        // ms clock of that connection
    uint8_t chainVisited = 0;        // chain end already walked in this pass
    uint8_t special = 0;             // special block (shapes) or bonus block (cubes)
    int32_t points = 0;              // points given on removal
    uint16_t detailMembers[4] = {NoAtom, NoAtom, NoAtom, NoAtom};  // the piece it was created in
    uint8_t colourFlash = 0;         // showing a temporary colour
    uint32_t flashTime = 0;          // ms in that state
    uint8_t savedColour = 0;         // colour restored after the flash
    uint16_t lastPartner = NoAtom;   // atom last collided with, for the collision sound
    uint32_t lastPartnerTime = 0;    // ms clock of that collision
    uint32_t spriteKind = 0;         // 0, 1, 2: which piece outline is drawn
    float spriteAngle = 0;           // degrees: base angle of the outline
    uint32_t shade = 255;            // brightness of the piece: 63, 127, 191 or 255
    uint8_t introAtom = 0;           // one of the six atoms of the level-start row
    uint8_t wallArmed[3] = {0, 0, 0};  // WallSide: a wall sound may play again
};

// One spring between two atoms.
struct Link {
    uint32_t flags = FreeSlot;
    float restLenSq = 0;     // px^2, square of the rest length
    float stiffness = 0;     // share of the correction per relaxation (1 for piece edges)
    uint16_t atomA = NoAtom, atomB = NoAtom;
    uint16_t keeper = NoAtom;  // a third atom whose removal also frees the link (diagonal braces)
    uint8_t playerMade = 0;
};

// A rising score or text over the glass.
struct FloatingText {
    uint32_t flags = FreeSlot;
    float x = 0, y = 0;          // px, glass coordinates
    uint16_t kind = 0;           // picture "data/score_<kind>" for 0..9; see Text* above
    uint16_t age = 0;            // ms
    const char* text = nullptr;  // UTF-8 constant text of kind 13
};

// A collision spark.
struct Spark {
    uint32_t flags = FreeSlot;
    int32_t age = 0;   // ms; negative = start delay
    int16_t x = 0, y = 0;  // px, glass coordinates
};

// The fading picture left by a removed atom.
struct RemovalGhost {
    uint32_t flags = FreeSlot;
    int32_t start = 0;  // ms; -30 times the atom's order in its removal batch, shown from 0 on
    int16_t x = 0, y = 0;  // px, glass coordinates
    uint32_t colour = 0;
};

// A piece of ice knocked off a frozen-looking block by a hard hit.
struct IceShard {
    uint32_t flags = FreeSlot;
    int32_t age = 0;    // ms
    float x = 0, y = 0;  // px, glass coordinates
    float angle = 0;    // degrees
};

// One atom of a chain as the chain drawing needs it.
struct ChainAtomRecord {
    float x = 0, y = 0;  // px, screen coordinates
    uint8_t colour = 0;
    uint8_t marked = 0;
    int32_t markTime = 0;  // ms
};

struct PhysicsWorld;

// What the variant's rule set plugs into the step. A null pointer does nothing.
struct PhysicsHooks {
    int variant = VariantShapes;  // VariantShapes turns on the mouse pulls and the swap offer
    // Two touching atoms of one colour (chains, cubes), called from inside the collision pass.
    // It may mark, link and remove atoms but must not move them.
    void (*contactHook)(PhysicsWorld& world, int i, int j) = nullptr;
    // The variant's rule pass and the removal pass, in this order, at the end of every step.
    void (*rulePass)(PhysicsWorld& world, uint64_t frameMs, bool sweepEnabled) = nullptr;
    void (*removalPass)(PhysicsWorld& world, uint64_t frameMs, bool sweepEnabled) = nullptr;
};

struct PhysicsWorld {
    // World constants: SetWorldConstants fills the tuned ones when a game starts.
    float spacing = 24.0f;         // px, atom diameter and piece edge
    float contactDistSq = 576.0f;  // px^2; closer atoms collide
    float windX = 0.0f;            // px/s^2 sideways pull on every free atom (times stepFactor: px/step^2)
    float gravity = 16.0f;         // px/s^2 (PH_GRAVITY; times stepFactor: px/step^2)
    float glassWidth = 276.5f;     // px, x of the right wall
    float floorY = 275.0f;         // px, y of the floor
    float floorFriction = 0.9f;    // share of the floor penetration taken from the horizontal speed
    float stepFactor = 1.0f / 2025.0f;  // s^2 per step^2: (1 / PH_DT)^2, multiplies every acceleration

    PhysicsHooks hooks;

    Link links[MaxLinks];
    Atom atoms[MaxAtoms];
    FloatingText floatingTexts[MaxFloatingTexts];
    Spark sparks[MaxSparks];
    RemovalGhost removalGhosts[MaxRemovalGhosts];
    IceShard iceShards[MaxIceShards];

    uint8_t lockedCell[GridCells] = {};    // an atom is locked in the cell
    uint8_t reservedCell[GridCells] = {};  // an atom is on its way to the cell

    // The piece the player controls.
    uint16_t detailAtoms[4] = {NoAtom, NoAtom, NoAtom, NoAtom};
    uint8_t detailCount = 0;      // 3 or 4 while a piece is controlled
    uint8_t detailTouching = 0;   // the piece touched a foreign atom in this step
    uint8_t landingArmed = 0;     // the next first touch gives the landing bonus
    uint32_t detailInside = 1;    // no atom of the piece is still entering
    uint8_t overflow = 0;         // the piece stayed half inside for more than 4000 ms: game over
    int32_t grabbedAtom = -1;     // shapes: atom held by the mouse
    int32_t swapTarget = -1;      // shapes: atom offered for a swap with the grabbed one
    float mouseTarget[2] = {0, 0};  // px, pointer in glass coordinates
    float touchMultiplier = 1.0f;   // raised per chain atom the piece touches

    // Counters the rules read and write.
    int32_t score = 0;
    float barEnergy = 0;
    float progress = 0;
    float sweepLineY = 0;          // px
    uint8_t matchedThisStep = 0;
    uint32_t piecesSpawned = 0;
    uint32_t atomsRemoved = 0;
    int32_t colourRemovals[9] = {};  // per colour: removals counted for ghost order and cube groups
    ChainAtomRecord chainAtoms[MaxAtoms];
    uint16_t chainLengths[MaxAtoms] = {};
    uint32_t chainCount = 0;
    uint32_t chainAtomCount = 0;

    // Special blocks (shapes) and bonus blocks (cubes).
    uint8_t pendingSpecial = 0;   // the rules want the next piece to carry a special block
    uint8_t specialTaken = 0;     // an atom of the current piece took the special/bonus flag
    int32_t specialsInGlass = 0;
    int32_t bonusCount = 0;

    // Step state.
    float collisionVolume = 2.0f;     // 1, 2 or 3: scales every collision note (F2)
    uint8_t levelStartCreated = 0;    // the level-start row exists in this run
    uint8_t levelStartReleased = 0;   // its links were let go
    uint64_t levelStartMs = 0;        // ms clock of its creation
    uint64_t lastNoteMs = 0;          // ms clock of the last collision note
    int32_t noteDelayMs = 0;          // ms the next collision note has to wait
    uint64_t partialEntryMs = 0;      // ms the piece has spent half inside the glass
    uint32_t removeEpoch = 0;         // bumped by every removal and blast
};

// The one world of the running game.
extern PhysicsWorld world;

inline bool AtomInUse(const PhysicsWorld& w, uint32_t index) {
    return index < MaxAtoms && (w.atoms[index].flags & FreeSlot) == 0;
}
// The atom belongs to the piece the player controls. Inline: the contact pass asks twice per touch.
inline bool DetailContains(const PhysicsWorld& w, int index) {
    if (index < 0 || index >= MaxAtoms) return false;
    int count = w.detailCount < 4 ? w.detailCount : 4;
    for (int k = 0; k < count; ++k) {
        if (w.detailAtoms[k] == index) return true;
    }
    return false;
}
inline bool LinkInUse(const PhysicsWorld& w, uint32_t index) {
    return index < MaxLinks && (w.links[index].flags & FreeSlot) == 0;
}
// Stereo position of a sound at glass x: -0.88 at the left wall, 0.88 at the right.
inline float GlassPan(const PhysicsWorld& w, float x) { return (2.0f * x / w.glassWidth - 1.0f) * 0.88f; }

struct Point {
    float x, y;
};

// Gravity and step factor from the tuning table (PH_GRAVITY, PH_DT).
void SetWorldConstants(PhysicsWorld& w);
// Every slot free, grid empty, counters back to the start of a game.
void ResetWorld(PhysicsWorld& w);
// A new atom at (x, y) in the lowest free slot (slot 0 again when full); returns its index.
int CreateAtom(PhysicsWorld& w, float x, float y, uint8_t colour);
// A spring between a and b; rest length = spacing, or their present distance. Returns its index.
int CreateLink(PhysicsWorld& w, int a, int b, int keeper, bool playerMade, float stiffness,
               bool useDefaultLength);
// Frees the atom and every reference to it; order staggers its ghost (30 ms per place).
void RemoveAtom(PhysicsWorld& w, int index, int order);
// Pointer at screen (mx, my) to glass coordinates, held inside the glass.
void SetMouseTarget(PhysicsWorld& w, float mx, float my);
// Running average of the piece's atom positions (each next atom halves with the sum so far).
Point DetailCentre(const PhysicsWorld& w);
// Removes every atom; score, progress and overflow back to 0.
void ClearWorld(PhysicsWorld& w);
// Atoms within innerRadius vanish; within outerRadius frozen blocks vanish and the rest are pushed away.
void Blast(PhysicsWorld& w, float cx, float cy, float outerRadius, float innerRadius, float strength);

// Effect pools: lowest free slot, slot 0 again when full; they return the index.
int AddFloatingText(PhysicsWorld& w, float x, float y, uint16_t kind, const char* text);
int AddSpark(PhysicsWorld& w, float x, float y);
// AddSpark for a run of additions with no spark freed in between: searchFrom (0 at the start of the run)
// remembers that every slot below it is taken, so the run does not scan the full pool again each time.
inline int AddSparkFrom(PhysicsWorld& w, float x, float y, int& searchFrom);
int AddRemovalGhost(PhysicsWorld& w, float x, float y, uint32_t colour, int32_t start);
int AddIceShard(PhysicsWorld& w, float x, float y, float angle);

// The same on the process-wide world.
inline void ResetWorld() { ResetWorld(world); }
inline int CreateAtom(float x, float y, uint8_t colour) { return CreateAtom(world, x, y, colour); }
inline int CreateLink(int a, int b, int keeper, bool playerMade, float stiffness, bool useDefaultLength) {
    return CreateLink(world, a, b, keeper, playerMade, stiffness, useDefaultLength);
}
inline void RemoveAtom(int index, int order) { RemoveAtom(world, index, order); }
inline bool DetailContains(int index) { return DetailContains(world, index); }
inline void SetMouseTarget(float mx, float my) { SetMouseTarget(world, mx, my); }
inline Point DetailCentre() { return DetailCentre(world); }
inline void ClearWorld() { ClearWorld(world); }
inline void Blast(float cx, float cy, float outerRadius, float innerRadius, float strength) {
    Blast(world, cx, cy, outerRadius, innerRadius, strength);
}

// Glass position truncated to the 16-bit pixel fields of the effect pools; wild values are held in range.
inline int16_t ToPixel(float v) {
    if (!(v > -32768.0f)) return v != v ? 0 : -32768;  // NaN -> 0
    if (v > 32767.0f) return 32767;
    return static_cast<int16_t>(v);
}

// Inline: the contact pass adds a spark for most loud touches.
inline int AddSparkFrom(PhysicsWorld& w, float x, float y, int& searchFrom) {
    int index = searchFrom < 0 ? 0 : (searchFrom < MaxSparks ? searchFrom : MaxSparks);
    while (index < MaxSparks && !(w.sparks[index].flags & FreeSlot)) ++index;
    // Taken: the next free one is above it. Full: slot 0 again, and the pool stays full.
    searchFrom = index < MaxSparks ? index + 1 : MaxSparks;
    if (index == MaxSparks) index = 0;
    Spark& s = w.sparks[index];
    s.flags = 0;
    s.age = 0;
    s.x = ToPixel(x);
    s.y = ToPixel(y);
    return index;
}
