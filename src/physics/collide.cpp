// Atom contacts: the pass over every touching pair, in ascending pair order, found on a grid of candidates
// (or, with many atoms, by scanning every later atom), and everything a touch sets off (bonus, crash, hits,
// ice, swap, notes).
#include <immintrin.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "audio/sound_hooks.h"
#include "physics/step.h"
#include "platform/clock.h"
#include "rules/tuning.h"
#include "store/profile.h"

namespace {

// Four lanes of the pair test (plain vector arithmetic: the same IEEE operations as the scalar test).
typedef float Float4 __attribute__((vector_size(16)));
typedef int32_t Int4 __attribute__((vector_size(16)));

constexpr const char* CrashedText[2] = {"Crashed!", "Разбито!"};

constexpr int EntryWords = MaxAtoms / 64;

// Everything a pass remembers between its contacts. The world's constants, the tuning and the hooks
// stay as they are during a pass (a contact rule marks, links and removes, nothing more), so their
// products are taken once: the same float operations on the same values.
struct ContactPass {
    uint64_t now = 0;           // ms clock, one reading per pass
    bool freeSounds = false;    // collisions away from the piece may sound
    bool detailEvents = false;  // the piece's sounds and crashes are live
    bool noteStarted = false;  // a collision note already started in this pass
    bool shapes = false;       // the swap offer is live
    int sparkFrom = 0;         // every spark slot below it is taken (a pass only adds sparks)
    float contact = 0;         // contactDistSq
    float deadHitC = 0;        // stepFactor * PH_DEAD_HIT_FORCE: a hard hit on a locked block
    float iceC = 0;            // stepFactor * PH_GOTTADIE_HIT_FORCE: a hit that breaks the ice
    float looseSoundC = 0;     // a touch of two loose atoms above it may sound (infinite when none can)
    void (*contactHook)(PhysicsWorld&, int, int) = nullptr;
    // The player's piece as one byte per atom (DetailMap); detailKey is what it was taken from.
    uint8_t detail[MaxAtoms];
    uint64_t detailKey = 0;
    uint8_t detailCount = 0;
};

uint64_t DetailKey(const PhysicsWorld& w) {
    uint64_t key;
    std::memcpy(&key, w.detailAtoms, sizeof key);
    return key;
}

// DetailContains for every atom at once.
void TakeDetail(const PhysicsWorld& w, ContactPass& pass) {
    DetailMap(w, pass.detail);
    pass.detailKey = DetailKey(w);
    pass.detailCount = w.detailCount;
}

ContactPass StartPass(const PhysicsWorld& w, bool freeSounds, bool detailEvents) {
    ContactPass pass;
    pass.now = NowMs();
    pass.freeSounds = freeSounds;
    pass.detailEvents = detailEvents;
    pass.shapes = w.hooks.variant == VariantShapes;
    pass.contact = w.contactDistSq;
    pass.deadHitC = w.stepFactor * PH_DEAD_HIT_FORCE;
    pass.iceC = w.stepFactor * PH_GOTTADIE_HIT_FORCE;
    pass.looseSoundC = freeSounds ? 0.0075f : INFINITY;
    pass.contactHook = w.hooks.contactHook;
    TakeDetail(w, pass);
    return pass;
}

// A removal lets go of the piece's atoms; a contact rule might hand over a new piece.
inline void KeepDetail(const PhysicsWorld& w, ContactPass& pass) {
    if (DetailKey(w) != pass.detailKey || w.detailCount != pass.detailCount) TakeDetail(w, pass);
}

inline bool InDetail(const ContactPass& pass, int index) { return pass.detail[index] != 0; }

// marked, snapping and locked of an atom read at once: not zero when any is set.
constexpr size_t LoudFrom = offsetof(Atom, marked);
static_assert(offsetof(Atom, snapping) - LoudFrom < 8 && offsetof(Atom, locked) - LoudFrom < 8);
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
constexpr uint64_t LoudByte(size_t offset) {
    return uint64_t{0xFF} << (8 * (offset - LoudFrom));
}
constexpr uint64_t LoudBytes =
    LoudByte(offsetof(Atom, marked)) | LoudByte(offsetof(Atom, snapping)) | LoudByte(offsetof(Atom, locked));
inline uint64_t LoudState(const Atom& a) {
    uint64_t bytes;
    std::memcpy(&bytes, reinterpret_cast<const char*>(&a) + LoudFrom, sizeof bytes);
    return bytes & LoudBytes;
}

// The index is among the four piece members: one test of all four 16-bit lanes at once.
inline bool IsMember(const Atom& a, int index) {
    uint64_t members;
    std::memcpy(&members, a.detailMembers, sizeof members);
    constexpr uint64_t Lanes = 0x0001000100010001ull;
    const uint64_t x = members ^ (Lanes * static_cast<uint16_t>(index));
    return ((x - Lanes) & ~x & (Lanes << 15)) != 0;  // some lane is zero
}

// A marked block hit hard enough finishes its whole piece at once, as a crash.
void Crash(PhysicsWorld& w, int marked) {
    const Atom& m = w.atoms[marked];
    Point centre{m.x, m.y};
    bool first = true;
    for (uint16_t id : m.detailMembers) {
        if (!AtomInUse(w, id)) continue;
        Atom& member = w.atoms[id];
        member.markTime = A_FREEZE_ACTIVE_TIME;
        member.points = 300;
        if (first) {
            centre = {member.x, member.y};
            first = false;
        } else {
            centre.x = (centre.x + member.x) * 0.5f;
            centre.y = (centre.y + member.y) * 0.5f;
        }
    }
    int rx = std::rand() % 7;
    int ry = std::rand() % 7;
    const char* text = CrashedText[InterfaceLanguage == 1 ? 1 : 0];
    AddFloatingText(w, centre.x + static_cast<float>(rx) - 6.0f,
                    centre.y - 42.0f + static_cast<float>(ry) - 6.0f, TextGiven, text);
}

// A hard hit of the player's piece on a locked block; PH_DEADHIT_DELAY keeps one shove from counting twice.
void DeadHit(PhysicsWorld& w, int target, int hitter, uint64_t now) {
    Atom& t = w.atoms[target];
    if (!t.locked || !DetailContains(w, hitter)) return;
    uint32_t since = static_cast<uint32_t>(now) - t.lastDeadHit;
    if (static_cast<int64_t>(since) <= static_cast<int64_t>(PH_DEADHIT_DELAY)) return;
    if (w.atoms[hitter].marked) t.hitsLeft = 1;  // a finished block breaks ice in one blow
    t.hitsLeft -= 1;
    if (t.hitsLeft <= 0) {
        RemoveAtom(w, target, 0);
        t.snapping = 0;
    }
    t.lastDeadHit = static_cast<uint32_t>(now);
}

// Ice shards fly off a block that had frozen far enough.
void ShedIce(PhysicsWorld& w, Atom& a) {
    int n = 1;
    if (static_cast<int64_t>(a.iceAge) > A_FREEZE_STAGE1_TIME) n = 2;
    if (static_cast<int64_t>(a.iceAge) > A_FREEZE_STAGE2_TIME) n = 3;
    for (int s = 0; s < n; ++s) {
        float angle = 0.0f, x = a.x, y = a.y;
        if (n > 1) {
            angle = static_cast<float>(-(std::rand() % 6) * 30);
            x += static_cast<float>(std::rand() % 12 - 6);
            y += static_cast<float>(std::rand() % 12 - 6);
        }
        AddIceShard(w, x, y, angle);
    }
    a.iceReset = 0;
}

// A hard hit on a block outside the piece knocks its ice off and restarts its freezing.
inline void BreakIce(PhysicsWorld& w, Atom& a) {
    if (static_cast<int64_t>(a.iceAge) > A_FREEZE_STAGE0_TIME) ShedIce(w, a);
    a.iceAge = 1;
}

// shapes: the held block offers a swap to a block of another colour and piece right under the pointer.
void OfferSwap(PhysicsWorld& w, int i, int j) {
    const Atom& a = w.atoms[i];
    const Atom& b = w.atoms[j];
    if (i != w.grabbedAtom && j != w.grabbedAtom) return;
    if (a.colour == b.colour || a.colour == NoColour || b.colour == NoColour) return;
    if (IsMember(a, j) || a.colourFlash || b.colourFlash || a.marked || b.marked) return;
    const float tx = w.mouseTarget[0], ty = w.mouseTarget[1];
    float dI = std::sqrt((a.x - tx) * (a.x - tx) + (a.y - ty) * (a.y - ty));
    float dJ = std::sqrt((b.x - tx) * (b.x - tx) + (b.y - ty) * (b.y - ty));
    const float half = w.spacing / 2.0f;
    if (i == w.grabbedAtom && dI > half && dJ < half) w.swapTarget = j;
    if (j == w.grabbedAtom && dJ > half && dI < half) w.swapTarget = i;
}

// The first collision note of a pass: its effect, loudness and side, and the spacing and melody it
// moves on. Out of line: most touches that get this far find the note of the pass started.
[[gnu::noinline, gnu::cold]] void StartCollisionNote(PhysicsWorld& w, ContactPass& pass, int i, int j,
                                                     float c, bool inI, bool inJ) {
    const bool anyIn = inI || inJ;
    const char* effect = anyIn ? CollisionEffect : CollisionEffect2;
    if (w.hooks.variant == VariantShapes) {
        bool held = AtomInUse(w, static_cast<uint32_t>(w.grabbedAtom)) &&
                    (IsMember(w.atoms[w.grabbedAtom], i) || IsMember(w.atoms[w.grabbedAtom], j));
        effect = held ? CollisionEffect : CollisionEffect2;
    }
    float v = (c - 0.0034f) / 0.01f + 0.1f;
    if (v > 1.0f) v = 1.0f;
    if (!anyIn) v *= 0.355f;
    float pan = inJ ? GlassPan(w, w.atoms[j].x) : (inI ? GlassPan(w, w.atoms[i].x) : 0.0f);
    PlayCollisionNote(effect, v / 3.0f * w.collisionVolume, pan);
    // The spacing and the melody always follow the piece's effect.
    w.lastNoteMs = pass.now;
    w.noteDelayMs = EffectNoteDelay(CollisionEffect);
    AdvanceMelody(CollisionEffect);
    pass.noteStarted = true;
}

// Collision notes: the piece's touches and the louder touches of the pile, spaced to the music. Contact
// calls it for the touches that are loud enough; the scan has it inline, as most touches of a big pile
// are quiet and loud enough.
[[gnu::always_inline]] inline void TouchNote(PhysicsWorld& w, ContactPass& pass, int i, int j, float c,
                                             bool inI, bool inJ) {
    Atom& a = w.atoms[i];
    Atom& b = w.atoms[j];
    const uint32_t now32 = static_cast<uint32_t>(pass.now);
    if (a.lastPartner == j && now32 - a.lastPartnerTime < 475) return;
    if (b.lastPartner == i && now32 - b.lastPartnerTime < 950) return;
    if (IsMember(a, j) || IsMember(b, i)) return;
    if (static_cast<int64_t>(pass.now - w.lastNoteMs) < w.noteDelayMs) return;

    if (!pass.noteStarted) StartCollisionNote(w, pass, i, j, c, inI, inJ);
    a.lastPartner = static_cast<uint16_t>(j);
    a.lastPartnerTime = now32;
    b.lastPartner = static_cast<uint16_t>(i);
    b.lastPartnerTime = now32;
    const Atom& at = inJ ? b : a;
    AddSparkFrom(w, at.x, at.y, pass.sparkFrom);
}

void CollisionSound(PhysicsWorld& w, ContactPass& pass, int i, int j, float c, bool inI, bool inJ) {
    TouchNote(w, pass, i, j, c, inI, inJ);
}

// One touching pair, i < j, d = posJ - posI, r2 = |d|^2 < contactDistSq. Inlined into both loops: it is
// most of the work of a pass.
[[gnu::always_inline]] inline void Contact(PhysicsWorld& w, ContactPass& pass, int i, int j, float dx,
                                           float dy, float r2) {
    Atom& a = w.atoms[i];
    Atom& b = w.atoms[j];
    const float c = pass.contact / (r2 + pass.contact) - 0.5f;  // 0 < c <= 0.5
    const bool inI = InDetail(pass, i);
    const bool inJ = InDetail(pass, j);

    if (inI) w.detailTouching = 1;
    if (inJ) w.detailTouching = !w.detailTouching;

    if (w.detailTouching && w.landingArmed && c > 0.01f) {
        int rx = std::rand() % 5;
        int ry = std::rand() % 5;
        AddFloatingText(w, a.x + static_cast<float>(2 * rx), b.y + 8.0f + static_cast<float>(2 * ry),
                        TextLandingBonus, nullptr);
        w.score += 10;
        w.landingArmed = 0;
    }

    if (pass.detailEvents && c > 0.041f && (a.marked || b.marked)) Crash(w, a.marked ? i : j);

    // Blocks on their way into the grid barely give way; a block the piece pushes gives way by
    // PH_CONTROL_FORCE.
    float shareI = (b.snapping && !b.locked) ? 0.03f : 1.0f;
    float shareJ = (a.snapping && !a.locked) ? 0.03f : 1.0f;
    if (inJ && !inI) shareI = PH_CONTROL_FORCE;
    if (inI && !inJ) shareJ = PH_CONTROL_FORCE;

    if (c > pass.deadHitC) {
        // Only locked blocks take hard hits: asking first keeps the usual touch cheap.
        if (a.locked) DeadHit(w, i, j, pass.now);
        if (a.flags & FreeSlot) return;
        if (b.locked) DeadHit(w, j, i, pass.now);
        if (b.flags & FreeSlot) return;
    }

    if (c > pass.iceC) {
        if (!inI) BreakIce(w, a);
        if (!inJ) BreakIce(w, b);
    }

    if (pass.shapes) OfferSwap(w, i, j);

    if (a.colour == b.colour && a.colour != NoColour && pass.contactHook) {
        pass.contactHook(w, i, j);
        KeepDetail(w, pass);
        if ((a.flags & FreeSlot) || (b.flags & FreeSlot)) return;
    }

    const bool anyIn = inI || inJ;
    if ((c > 0.005f && pass.detailEvents && anyIn) || (c > 0.0075f && pass.freeSounds && !anyIn)) {
        CollisionSound(w, pass, i, j, c, inI, inJ);
    }

    if (!a.locked) {
        float k = shareI * c;
        a.x -= k * dx;
        a.y -= k * dy;
    }
    if (!b.locked) {
        float k = shareJ * c;
        b.x += k * dx;
        b.y += k * dy;
    }
}

// The atoms of a pass: the ones in use, ascending, with their positions side by side so the pair test
// streams through memory. An entry's position is reloaded after each of its touches.
struct PassEntries {
    uint16_t ids[MaxAtoms];
    float px[MaxAtoms + 8], py[MaxAtoms + 8];  // the scan's last block of eight may reach past the entries
    int n = 0;
};

void TakeEntries(PhysicsWorld& w, PassEntries& e) {
    e.n = 0;
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        if (a.flags & FreeSlot) continue;
        a.touch[0] = a.touch[1] = NoAtom;
        e.ids[e.n] = static_cast<uint16_t>(i);
        e.px[e.n] = a.x;
        e.py[e.n] = a.y;
        ++e.n;
    }
}

// Reloads the positions after a removal or blast; removed atoms go far apart so they never touch.
void ReloadEntries(const PhysicsWorld& w, PassEntries& e) {
    for (int k = 0; k < e.n; ++k) {
        const Atom& a = w.atoms[e.ids[k]];
        if (a.flags & FreeSlot) {
            e.px[k] = 1.0e15f * static_cast<float>(k + 1);
            e.py[k] = 0.0f;
        } else {
            e.px[k] = a.x;
            e.py[k] = a.y;
        }
    }
}

// ---- Candidate grid ------------------------------------------------------------------------------------
// Most pairs are far apart. The pass bins its entries into square cells and, for each row of pairs (entry
// p with every later entry), tests only the later entries binned within NearCells cells of p, in
// ascending order: the pairs that touch are met in the same order and with the same positions as by the
// plain loop over all pairs, so they are resolved exactly as there.
//
// Why skipping the others changes nothing. The side is a power of two, so binning by multiplication is
// exact (holding to the edge cells only merges cells), and points in two cells more than NearCells cells
// apart on an axis are more than span = NearCells sides apart there. An entry moves only by its own
// touches (and by a removal's blast, after which every entry is checked again):
// - a later entry stays within binDrift (per axis) of its cell, or it is binned again where it is;
// - p stays within rowDrift of the cell its row was gathered around, or the rest of the row is gathered
//   again.
// span >= reach + binDrift + rowDrift + a rounding margin, so a skipped pair is more than the reach apart
// on one axis when the plain loop would test it: dx * dx rounds to at least contactDistSq and the test
// (dx * dx + dy * dy < contactDistSq) fails. After p's row, p is never a later entry again. The bins
// stay from pass to pass: a pass over the same atoms checks every entry against its cell first.

constexpr int NearCells = 2;     // cells looked at on each side: smaller cells, fewer needless candidates
// An entry may stray BinShare/256 of the span from its cell before it is binned again; p takes the rest.
constexpr float BinShare = 16.0f;
constexpr int MaxGridSide = 32;  // cells per axis; atoms beyond the last cell count as in it
constexpr int PaddedSide = MaxGridSide + 2 * NearCells;  // an empty border saves the edge tests

// A cell widened by a drift on each side: a point inside it is at most the drift away from the cell.
// Kept as (loX, loY, -hiX, -hiY), so that one comparison of (x, y, -x, -y) tests all four sides.
struct Box {
    Float4 edges;
    bool Holds(float x, float y) const {
        // (x, y, x, y) with the sign of the upper two flipped: the negation, in one operation.
        const Float4 twice = {x, y, x, y};
        const Int4 point = reinterpret_cast<Int4>(twice) ^ Int4{0, 0, INT32_MIN, INT32_MIN};
        const Int4 inside = reinterpret_cast<Float4>(point) >= edges;
        return __builtin_ia32_movmskps(reinterpret_cast<Float4>(inside)) == 0xF;
    }
};

struct CandidateGrid {
    float invSide = 0;   // 1 / cell side in px, a power of two
    float side = 0;      // px
    float binDrift = 0;  // px an entry may stray per axis from its cell before it is binned again
    float rowDrift = 0;  // px p may stray per axis from the cell its row was gathered in
    int columns = 1, rows = 1;
    int stride = 1;             // padded cells per row
    int words = 0;              // 64-bit words of entry bits in use
    Box binBox[MaxAtoms];       // each entry's cell widened by binDrift
    uint16_t cellOf[MaxAtoms];  // padded cell of each entry
    // Per axis and drift: where the widened cells begin and (negated) end; the edge cells reach out for
    // ever, as they hold everything beyond.
    float binLoX[MaxGridSide], binHiX[MaxGridSide], binLoY[MaxGridSide], binHiY[MaxGridSide];
    float rowLoX[MaxGridSide], rowHiX[MaxGridSide], rowLoY[MaxGridSide], rowHiY[MaxGridSide];
    // Entries whose cell is in the same row and at most NearCells columns away.
    // All entry words of a cell side by side: a row of cells is read two words at a time.
    alignas(32) uint64_t across[PaddedSide * PaddedSide][EntryWords];
    // What the bins were made for: the world's sizes, and the atom of each entry. A pass over the same
    // atoms keeps the bins of the last one and bins again only the entries that moved out of reach.
    float sizedContact = NAN, sizedWidth = NAN, sizedFloor = NAN;
    int binned = 0;  // entries binned; the grid is empty when 0
    uint16_t binnedIds[MaxAtoms];
};

// The cells of an axis widened by the drift: lo[cell] and -hi[cell].
void SpanAxis(const CandidateGrid& g, int cells, float drift, float* lo, float* negatedHi) {
    for (int c = 0; c < cells; ++c) {
        lo[c] = c == 0 ? -INFINITY : static_cast<float>(c) * g.side - drift;
        negatedHi[c] = c == cells - 1 ? -INFINITY : -(static_cast<float>(c + 1) * g.side + drift);
    }
}

// Cell size from the contact distance; a reach the grid cannot serve puts every entry in one cell.
void SizeGrid(const PhysicsWorld& w, int n, CandidateGrid& g) {
    g.words = (n + 63) / 64;
    const float contact = w.contactDistSq;
    float reach = std::sqrt(contact);
    if (!(contact > 0.0f) || !(reach <= 256.0f)) {
        g.invSide = 0.0f;
        g.side = INFINITY;
        g.binDrift = g.rowDrift = INFINITY;
        g.columns = g.rows = 1;
        g.stride = 1 + 2 * NearCells;
        g.binLoX[0] = g.binLoY[0] = g.rowLoX[0] = g.rowLoY[0] = -INFINITY;
        g.binHiX[0] = g.binHiY[0] = g.rowHiX[0] = g.rowHiY[0] = -INFINITY;
        return;
    }
    while (reach * reach < contact) reach = std::nextafter(reach, INFINITY);  // reach^2 >= contact in float
    float side = 1.0f / 64.0f;
    while (side * NearCells < reach * (4.0f / 3.0f)) side *= 2.0f;
    g.invSide = 1.0f / side;
    g.side = side;
    // span >= 4/3 reach leaves at least span/4 to stray in, shared by p and the later entry.
    // span/256 covers rounding. Both are multiples of span/256: the box edges are exact.
    const float span = side * NearCells;
    g.binDrift = span * (BinShare / 256.0f);
    g.rowDrift = span - reach - g.binDrift - span * (1.0f / 256.0f);
    g.rowDrift = std::floor(g.rowDrift * (256.0f / span)) * (span / 256.0f);
    auto cellsFor = [&](float extent) {
        float cells = std::ceil((extent + reach) * g.invSide);
        if (!(cells >= 1.0f)) return 1;
        return cells >= static_cast<float>(MaxGridSide) ? MaxGridSide : static_cast<int>(cells);
    };
    g.columns = cellsFor(w.glassWidth);
    g.rows = cellsFor(w.floorY);
    g.stride = g.columns + 2 * NearCells;
    SpanAxis(g, g.columns, g.binDrift, g.binLoX, g.binHiX);
    SpanAxis(g, g.rows, g.binDrift, g.binLoY, g.binHiY);
    SpanAxis(g, g.columns, g.rowDrift, g.rowLoX, g.rowHiX);
    SpanAxis(g, g.rows, g.rowDrift, g.rowLoY, g.rowHiY);
}

// Cell on one axis: floor(v / side), held to the grid (which keeps "more than NearCells apart" true).
inline int GridCell(float v, float invSide, int cells) {
    const float f = v * invSide;
    if (!(f >= 1.0f)) return 0;
    if (f >= static_cast<float>(cells - 1)) return cells - 1;
    return static_cast<int>(f);
}

// Padded cell of a point, and that cell widened by binDrift (for an entry) or rowDrift (for a row).
inline int CellAt(const CandidateGrid& g, float x, float y, bool forRow, Box& box) {
    const int col = GridCell(x, g.invSide, g.columns);
    const int row = GridCell(y, g.invSide, g.rows);
    if (forRow) {
        box.edges = Float4{g.rowLoX[col], g.rowLoY[row], g.rowHiX[col], g.rowHiY[row]};
    } else {
        box.edges = Float4{g.binLoX[col], g.binLoY[row], g.binHiX[col], g.binHiY[row]};
    }
    return (NearCells + row) * g.stride + NearCells + col;
}

// Bins entry k where it is now.
inline void Bin(const PassEntries& e, int k, CandidateGrid& g) {
    const int cell = CellAt(g, e.px[k], e.py[k], false, g.binBox[k]);
    g.cellOf[k] = static_cast<uint16_t>(cell);
    const int word = k >> 6;
    const uint64_t bit = uint64_t{1} << (k & 63);
    for (int c = cell - NearCells; c <= cell + NearCells; ++c) g.across[c][word] |= bit;
}

// Kept from pass to pass (and frame to frame): the bins of a settled pile stay where they are.
CandidateGrid contactGrid;

// Every bit set lies in the cells around a binned entry's cell: clearing those empties the grid, which
// is far less than clearing all of it.
void ClearGrid(CandidateGrid& g) {
    for (int k = 0; k < g.binned; ++k) {
        const int word = k >> 6;
        const int cell = g.cellOf[k];
        for (int c = cell - NearCells; c <= cell + NearCells; ++c) g.across[c][word] = 0;
    }
    g.binned = 0;
}

// Entry k was moved by a touch: out of reach of its bin, it is binned again where it is now.
[[gnu::always_inline]] inline void KeepBinned(const PassEntries& e, int k, CandidateGrid& g) {
    if (g.binBox[k].Holds(e.px[k], e.py[k])) return;
    const int cell = g.cellOf[k];
    const int now = CellAt(g, e.px[k], e.py[k], false, g.binBox[k]);
    if (now == cell) return;  // not a number: cell 0 again
    const int word = k >> 6;
    const uint64_t bit = uint64_t{1} << (k & 63);
    for (int c = cell - NearCells; c <= cell + NearCells; ++c) g.across[c][word] &= ~bit;
    for (int c = now - NearCells; c <= now + NearCells; ++c) g.across[c][word] |= bit;
    g.cellOf[k] = static_cast<uint16_t>(now);
}

// Bins for this pass's entries: the last pass's, where they are still good, or new ones.
void PrepareGrid(const PhysicsWorld& w, const PassEntries& e, CandidateGrid& g) {
    const bool sameSizes = w.contactDistSq == g.sizedContact && w.glassWidth == g.sizedWidth &&
                           w.floorY == g.sizedFloor && e.n == g.binned;
    if (sameSizes && std::memcmp(e.ids, g.binnedIds, sizeof(uint16_t) * static_cast<size_t>(e.n)) == 0) {
        for (int k = 0; k < e.n; ++k) KeepBinned(e, k, g);
        return;
    }
    ClearGrid(g);
    SizeGrid(w, e.n, g);
    g.sizedContact = w.contactDistSq;
    g.sizedWidth = w.glassWidth;
    g.sizedFloor = w.floorY;
    for (int k = 0; k < e.n; ++k) Bin(e, k, g);
    std::memcpy(g.binnedIds, e.ids, sizeof(uint16_t) * static_cast<size_t>(e.n));
    g.binned = e.n;
}

// Entries after `after` binned at most NearCells cells from `cell` on both axes (words before the one
// of `after` are not needed: the visit starts at that word).
inline void NearbyAfter(const CandidateGrid& g, int cell, int after, uint64_t out[EntryWords]) {
    typedef uint64_t Words2 __attribute__((vector_size(16)));
    static_assert(EntryWords == 4);
    Words2 low = {0, 0}, high = {0, 0};
    for (int r = -NearCells; r <= NearCells; ++r) {
        const uint64_t* words = g.across[cell + r * g.stride];
        Words2 a, b;
        std::memcpy(&a, words, sizeof a);
        std::memcpy(&b, words + 2, sizeof b);
        low |= a;
        high |= b;
    }
    std::memcpy(out, &low, sizeof low);
    std::memcpy(out + 2, &high, sizeof high);
    const int first = after >> 6;
    out[first] &= (~uint64_t{0} << (after & 63)) << 1;
}

// The touch of two loose atoms that sets off none of Contact's events but the ice and a note (the
// others all need the piece, a marked, snapping or locked block, the held block, a contact rule's
// colour pair or the landing bonus): what Contact does with it is the ice, the note and the push apart
// with shares of 1, in this order. Most touches of a pile are such; the caller handles them in place
// and leaves the others to Contact.
[[gnu::always_inline]] inline bool QuietTouch(PhysicsWorld& w, const ContactPass& pass, Atom& a, Atom& b,
                                              int i, int j, float c) {
    if (pass.shapes || pass.detail[i] || pass.detail[j]) return false;
    if (a.snapping | b.snapping | a.locked | b.locked | a.marked | b.marked) return false;
    // The rule first: without one, the colours (a coin toss for the branch predictor) need no look.
    if (pass.contactHook && a.colour == b.colour && a.colour != NoColour) return false;
    if (w.detailTouching && w.landingArmed && c > 0.01f) return false;
    return true;
}

// Entries p < q touch quietly (QuietTouch): the push apart in place, the entries brought up to date, and p's
// new place handed back in xi, yi (the next pair test need not wait for it in memory).
[[gnu::always_inline]] inline bool TouchQuietly(PhysicsWorld& w, ContactPass& pass, PassEntries& e,
                                                CandidateGrid& g, int p, int q, float dx, float dy, float r2,
                                                const Box& rowBox, bool& regather, float& xi, float& yi) {
    const int i = e.ids[p];
    const int j = e.ids[q];
    Atom& a = w.atoms[i];
    Atom& b = w.atoms[j];
    const float c = pass.contact / (r2 + pass.contact) - 0.5f;  // as Contact has it
    if (!QuietTouch(w, pass, a, b, i, j, c)) return false;
    if (c > pass.iceC) [[unlikely]] {
        BreakIce(w, a);
        BreakIce(w, b);
    }
    if (c > pass.looseSoundC) [[unlikely]]
        CollisionSound(w, pass, i, j, c, false, false);
    xi = a.x - c * dx;
    yi = a.y - c * dy;
    a.x = xi;
    a.y = yi;
    b.x += c * dx;
    b.y += c * dy;
    e.px[p] = xi;
    e.py[p] = yi;
    e.px[q] = b.x;
    e.py[q] = b.y;
    KeepBinned(e, q, g);
    regather = !rowBox.Holds(xi, yi);
    return true;
}

// What a touch that is not quiet left behind.
enum class Touched { Pair, Reloaded, RowGone };

// Entries p < q touch: the contact, then the entries' positions brought up to date.
[[gnu::always_inline]] inline Touched TouchLoudly(PhysicsWorld& w, ContactPass& pass, PassEntries& e,
                                                  uint32_t& epoch, int p, int q, float dx, float dy,
                                                  float r2) {
    const int i = e.ids[p];
    const int j = e.ids[q];
    Contact(w, pass, i, j, dx, dy, r2);
    if (w.removeEpoch != epoch) {
        // A removal or a blast: every position again.
        epoch = w.removeEpoch;
        KeepDetail(w, pass);
        ReloadEntries(w, e);
        return (w.atoms[i].flags & FreeSlot) ? Touched::RowGone : Touched::Reloaded;
    }
    e.px[p] = w.atoms[i].x;
    e.py[p] = w.atoms[i].y;
    e.px[q] = w.atoms[j].x;
    e.py[q] = w.atoms[j].y;
    return Touched::Pair;
}

// What a touch in row p leaves to do for the rest of the row.
enum class RowNext { GoOn, Regather, End };

// On the grid, entries p < q touch (TouchLoudly), and the bins are brought up to date. Out of line, so
// that the test of the far more numerous candidates that do not touch keeps its registers.
[[gnu::noinline]] RowNext TouchInRow(PhysicsWorld& w, ContactPass& pass, PassEntries& e, CandidateGrid& g,
                                     uint32_t& epoch, int p, int q, float dx, float dy, float r2,
                                     const Box& rowBox) {
    const Touched touched = TouchLoudly(w, pass, e, epoch, p, q, dx, dy, r2);
    if (touched == Touched::RowGone) return RowNext::End;
    if (touched == Touched::Reloaded) {
        for (int k = 0; k < e.n; ++k) KeepBinned(e, k, g);  // binned again where it moved away
        return RowNext::Regather;
    }
    KeepBinned(e, q, g);
    return rowBox.Holds(e.px[p], e.py[p]) ? RowNext::GoOn : RowNext::Regather;
}

// The pass on the candidate grid.
[[gnu::optimize("no-tree-slp-vectorize")]] void GridPass(PhysicsWorld& w, PassEntries& e, bool freeSounds,
                                                         bool detailEvents) {
    const int n = e.n;
    const float* px = e.px;
    const float* py = e.py;
    CandidateGrid& g = contactGrid;
    PrepareGrid(w, e, g);
    ContactPass pass = StartPass(w, freeSounds, detailEvents);
    const float contact = pass.contact;
    uint32_t epoch = w.removeEpoch;
    uint64_t near[EntryWords];
    for (int p = 0; p < n; ++p) {
        if (w.atoms[e.ids[p]].flags & FreeSlot) continue;
        float xi = px[p], yi = py[p];
        Box rowBox;  // the cell the row's candidates were gathered around, widened by rowDrift
        NearbyAfter(g, CellAt(g, xi, yi, true, rowBox), p, near);
        // The candidates of word wd; false when p is gone and its row ends. Written out once per word
        // below, so that each word's loops have branches of their own to learn.
        auto word = [&](int wd) __attribute__((always_inline)) {
            for (uint64_t bits = near[wd]; bits != 0;) {
                const int q = (wd << 6) + __builtin_ctzll(bits);
                bits &= bits - 1;
                float dx = px[q] - xi;
                float dy = py[q] - yi;
                float r2 = dx * dx + dy * dy;
                if (!(r2 < contact)) continue;
                bool quietRegather;
                RowNext next;
                if (TouchQuietly(w, pass, e, g, p, q, dx, dy, r2, rowBox, quietRegather, xi, yi)) {
                    next = quietRegather ? RowNext::Regather : RowNext::GoOn;
                } else {
                    next = TouchInRow(w, pass, e, g, epoch, p, q, dx, dy, r2, rowBox);
                    if (next == RowNext::End) return false;
                    xi = px[p];
                    yi = py[p];
                }
                if (next == RowNext::Regather) {
                    // The rest of the row from where p is now: words from q's on.
                    NearbyAfter(g, CellAt(g, xi, yi, true, rowBox), q, near);
                    bits = near[wd];
                }
            }
            return true;
        };
        static_assert(EntryWords == 4);
        const int first = p >> 6;
        if (first == 0 && !word(0)) continue;
        if (first <= 1 && g.words > 1 && !word(1)) continue;
        if (first <= 2 && g.words > 2 && !word(2)) continue;
        if (g.words > 3) word(3);
    }
}

// ---- Scan of every later entry ----------------------------------------------------------------------
// With many atoms in play, binning costs more than it saves: each row of pairs then tests every later
// entry, eight at a time with the scalar test's own operations (AVX2), and meets the touching pairs in
// the same order and with the same values as the plain loop.

constexpr int ScanFrom = 112;  // entries from which the scan beats the grid (between 100 and 120 here)

// A touching later entry and its pair test's values.
struct Hit {
    int q;  // n when none
    float dx, dy, r2;
};

// First entry from `from` on (before n) with (px - x)^2 + (py - y)^2 < contact. The entries from n on are
// not numbers, so the last block tests none of them.
[[gnu::target("avx2"), gnu::always_inline]] inline Hit FirstTouch(const PassEntries& e, int from, int n,
                                                                  __m256 x, __m256 y, __m256 contact) {
    // Blocks start at `from`, not at a multiple of 8: no block covers the positions the touch before has
    // just stored, which a wide load could not take from the stores still in flight.
    for (int block = from; block < n; block += 8) {
        const __m256 dx = _mm256_sub_ps(_mm256_loadu_ps(e.px + block), x);
        const __m256 dy = _mm256_sub_ps(_mm256_loadu_ps(e.py + block), y);
        const __m256 r2 = _mm256_add_ps(_mm256_mul_ps(dx, dx), _mm256_mul_ps(dy, dy));
        const unsigned hits =
            static_cast<unsigned>(_mm256_movemask_ps(_mm256_cmp_ps(r2, contact, _CMP_LT_OQ)));
        if (hits != 0) {
            // The values from their lanes: sooner than loading and computing them again.
            const int lane = __builtin_ctz(hits);
            const __m256i at =
                _mm256_castsi128_si256(_mm_cvtsi32_si128(lane));  // lane 0 picks; the rest is left
            return {block + lane, _mm256_cvtss_f32(_mm256_permutevar8x32_ps(dx, at)),
                    _mm256_cvtss_f32(_mm256_permutevar8x32_ps(dy, at)),
                    _mm256_cvtss_f32(_mm256_permutevar8x32_ps(r2, at))};
        }
    }
    return {n, 0.0f, 0.0f, 0.0f};
}

// What a row of the scan knows of p for its quiet touches; taken again after any touch that is not quiet.
struct RowOfP {
    Atom* a;
    int i;
    bool quiet;    // p is neither in the piece nor marked, snapping or locked, and the game is not shapes
    bool landing;  // the piece touches and the landing bonus is armed
};

inline RowOfP TakeRow(PhysicsWorld& w, const ContactPass& pass, const PassEntries& e, int p) {
    const int i = e.ids[p];
    Atom& a = w.atoms[i];
    return {&a, i, !pass.shapes && !pass.detail[i] && !LoudState(a), w.detailTouching && w.landingArmed};
}

// QuietTouch and TouchQuietly with p's share taken once for its row (the scan has registers to spare).
[[gnu::always_inline]] inline bool ScanTouchQuietly(PhysicsWorld& w, ContactPass& pass, PassEntries& e,
                                                    const RowOfP& row, int q, float dx, float dy, float r2,
                                                    float& xi, float& yi) {
    const int j = e.ids[q];
    Atom& a = *row.a;
    Atom& b = w.atoms[j];
    const float c = pass.contact / (r2 + pass.contact) - 0.5f;  // as Contact has it
    if (!row.quiet || pass.detail[j] || LoudState(b)) return false;
    if (pass.contactHook && a.colour == b.colour && a.colour != NoColour) return false;
    if (row.landing && c > 0.01f) return false;
    if (c > pass.iceC) {
        // BreakIce on both. The bits of both ages together are at least either age: when they are young
        // enough, neither has ice to shed.
        if (static_cast<int64_t>(a.iceAge | b.iceAge) > A_FREEZE_STAGE0_TIME) [[unlikely]] {
            BreakIce(w, a);
            BreakIce(w, b);
        } else {
            a.iceAge = 1;
            b.iceAge = 1;
        }
    }
    if (c > pass.looseSoundC) TouchNote(w, pass, row.i, j, c, false, false);
    xi -= c * dx;
    yi -= c * dy;
    a.x = xi;
    a.y = yi;
    const float xj = e.px[q] + c * dx;
    const float yj = e.py[q] + c * dy;
    b.x = xj;
    b.y = yj;
    e.px[q] = xj;
    e.py[q] = yj;
    return true;
}

// In the scan, entries p < q touch (TouchLoudly); false when p is gone. Out of line, as on the grid.
[[gnu::noinline]] bool ScanTouchLoudly(PhysicsWorld& w, ContactPass& pass, PassEntries& e, uint32_t& epoch,
                                       int p, int q, float dx, float dy, float r2) {
    return TouchLoudly(w, pass, e, epoch, p, q, dx, dy, r2) != Touched::RowGone;
}

[[gnu::target("avx2"), gnu::noinline]] void ScanPass(PhysicsWorld& w, PassEntries& e, bool freeSounds,
                                                     bool detailEvents) {
    ContactPass pass = StartPass(w, freeSounds, detailEvents);
    const int n = e.n;
    for (int k = n; k < n + 8; ++k) e.px[k] = e.py[k] = NAN;
    const __m256 contact = _mm256_set1_ps(pass.contact);
    uint32_t epoch = w.removeEpoch;
    for (int p = 0; p < n; ++p) {
        if (w.atoms[e.ids[p]].flags & FreeSlot) continue;
        float xi = e.px[p], yi = e.py[p];
        RowOfP row = TakeRow(w, pass, e, p);
        for (int from = p + 1;;) {
            const Hit hit = FirstTouch(e, from, n, _mm256_set1_ps(xi), _mm256_set1_ps(yi), contact);
            if (hit.q >= n) break;
            from = hit.q + 1;
            if (ScanTouchQuietly(w, pass, e, row, hit.q, hit.dx, hit.dy, hit.r2, xi, yi)) {
                e.px[p] = xi;
                e.py[p] = yi;
                continue;
            }
            if (!ScanTouchLoudly(w, pass, e, epoch, p, hit.q, hit.dx, hit.dy, hit.r2)) break;
            xi = e.px[p];
            yi = e.py[p];
            row = TakeRow(w, pass, e, p);
        }
    }
}

}  // namespace

bool contactScanAllowed = true;

void CollideAtoms(PhysicsWorld& w, bool freeSounds, bool detailEvents) {
    PassEntries e;
    TakeEntries(w, e);
    if (e.n >= ScanFrom && contactScanAllowed && __builtin_cpu_supports("avx2")) {
        ScanPass(w, e, freeSounds, detailEvents);
    } else {
        GridPass(w, e, freeSounds, detailEvents);
    }
}

void CollideAtomsAllPairs(PhysicsWorld& w, bool freeSounds, bool detailEvents) {
    PassEntries e;
    TakeEntries(w, e);
    const int n = e.n;
    float* px = e.px;
    float* py = e.py;

    ContactPass pass = StartPass(w, freeSounds, detailEvents);
    const float contact = pass.contact;
    uint32_t epoch = w.removeEpoch;
    for (int p = 0; p < n; ++p) {
        const int i = e.ids[p];
        if (w.atoms[i].flags & FreeSlot) continue;
        float xi = px[p], yi = py[p];
        for (int q = p + 1; q < n; ++q) {
            // Most pairs are far apart: four at a time are ruled out with the very same arithmetic.
            if (q + 4 <= n) {
                Float4 bx, by;
                std::memcpy(&bx, &px[q], sizeof bx);
                std::memcpy(&by, &py[q], sizeof by);
                Float4 vx = bx - xi, vy = by - yi;
                Int4 near = (vx * vx + vy * vy) < contact;
                if ((near[0] | near[1] | near[2] | near[3]) == 0) {
                    q += 3;
                    continue;
                }
            }
            float dx = px[q] - xi;
            float dy = py[q] - yi;
            float r2 = dx * dx + dy * dy;
            if (!(r2 < contact)) continue;
            const int j = e.ids[q];
            Contact(w, pass, i, j, dx, dy, r2);
            if (w.removeEpoch != epoch) {
                epoch = w.removeEpoch;
                KeepDetail(w, pass);
                ReloadEntries(w, e);
                if (w.atoms[i].flags & FreeSlot) break;
            } else {
                px[p] = w.atoms[i].x;
                py[p] = w.atoms[i].y;
                px[q] = w.atoms[j].x;
                py[q] = w.atoms[j].y;
            }
            xi = px[p];
            yi = py[p];
        }
    }
}
