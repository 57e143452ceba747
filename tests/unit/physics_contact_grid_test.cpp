// The contact pass on its candidate grid against the plain loop over every pair: seeded worlds of every
// kind (packed, scattered, fast, outside the glass, with removals and blasts in the middle of a pass),
// many steps, every field a pass can change compared bit for bit after every pass.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "input/input.h"
#include "physics/step.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/chains_rules.h"
#include "rules/cubes_rules.h"
#include "rules/tuning.h"

namespace {

constexpr uint64_t StartMs = 100000;
constexpr uint64_t FrameMs = 16;

// The worlds' own numbers, apart from the game's generator (which the passes themselves draw from).
struct Seeded {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
    float Between(float lo, float hi) {
        return lo + (hi - lo) * static_cast<float>(Next() & 0xFFFF) / 65535.0f;
    }
};

uint32_t Bits(float v) {
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// A contact rule that removes one of the pair now and then: positions reload in the middle of a pass.
void RemovingHook(PhysicsWorld& w, int i, int j) {
    if ((i * 7 + j * 3 + static_cast<int>(w.removeEpoch)) % 5 == 0) RemoveAtom(w, (i + j) % 2 ? i : j, 0);
}

// Everything a contact pass may change, as text, so that a difference names the field.
std::string Differences(const PhysicsWorld& a, const PhysicsWorld& b) {
    std::string out;
    auto note = [&](const char* what, int index, uint64_t x, uint64_t y) {
        if (x != y && out.size() < 2000) {
            out += std::string(what) + "[" + std::to_string(index) + "] " + std::to_string(x) + " vs " +
                   std::to_string(y) + "\n";
        }
    };
    for (int k = 0; k < MaxAtoms; ++k) {
        const Atom& p = a.atoms[k];
        const Atom& q = b.atoms[k];
        note("flags", k, p.flags, q.flags);
        note("x", k, Bits(p.x), Bits(q.x));
        note("y", k, Bits(p.y), Bits(q.y));
        note("prevX", k, Bits(p.prevX), Bits(q.prevX));
        note("prevY", k, Bits(p.prevY), Bits(q.prevY));
        note("touch0", k, p.touch[0], q.touch[0]);
        note("touch1", k, p.touch[1], q.touch[1]);
        note("marked", k, p.marked, q.marked);
        note("markTime", k, static_cast<uint32_t>(p.markTime), static_cast<uint32_t>(q.markTime));
        note("points", k, static_cast<uint32_t>(p.points), static_cast<uint32_t>(q.points));
        note("hitsLeft", k, static_cast<uint32_t>(p.hitsLeft), static_cast<uint32_t>(q.hitsLeft));
        note("lastDeadHit", k, p.lastDeadHit, q.lastDeadHit);
        note("iceAge", k, p.iceAge, q.iceAge);
        note("iceReset", k, p.iceReset, q.iceReset);
        note("lastPartner", k, p.lastPartner, q.lastPartner);
        note("lastPartnerTime", k, p.lastPartnerTime, q.lastPartnerTime);
        note("neighbourCount", k, p.neighbourCount, q.neighbourCount);
        note("neighbour0", k, p.neighbour[0], q.neighbour[0]);
        note("snapping", k, p.snapping, q.snapping);
        note("locked", k, p.locked, q.locked);
    }
    for (int k = 0; k < MaxLinks; ++k) {
        note("linkFlags", k, a.links[k].flags, b.links[k].flags);
        note("linkA", k, a.links[k].atomA, b.links[k].atomA);
        note("linkB", k, a.links[k].atomB, b.links[k].atomB);
    }
    for (int k = 0; k < MaxSparks; ++k) {
        note("sparkFlags", k, a.sparks[k].flags, b.sparks[k].flags);
        note("sparkX", k, static_cast<uint16_t>(a.sparks[k].x), static_cast<uint16_t>(b.sparks[k].x));
        note("sparkY", k, static_cast<uint16_t>(a.sparks[k].y), static_cast<uint16_t>(b.sparks[k].y));
    }
    for (int k = 0; k < MaxFloatingTexts; ++k) {
        note("textFlags", k, a.floatingTexts[k].flags, b.floatingTexts[k].flags);
        note("textX", k, Bits(a.floatingTexts[k].x), Bits(b.floatingTexts[k].x));
    }
    for (int k = 0; k < MaxIceShards; ++k) note("shardFlags", k, a.iceShards[k].flags, b.iceShards[k].flags);
    for (int k = 0; k < MaxRemovalGhosts; ++k)
        note("ghostFlags", k, a.removalGhosts[k].flags, b.removalGhosts[k].flags);
    note("score", 0, static_cast<uint32_t>(a.score), static_cast<uint32_t>(b.score));
    note("detailTouching", 0, a.detailTouching, b.detailTouching);
    note("landingArmed", 0, a.landingArmed, b.landingArmed);
    note("swapTarget", 0, static_cast<uint32_t>(a.swapTarget), static_cast<uint32_t>(b.swapTarget));
    note("removeEpoch", 0, a.removeEpoch, b.removeEpoch);
    note("lastNoteMs", 0, a.lastNoteMs, b.lastNoteMs);
    note("bonusCount", 0, static_cast<uint32_t>(a.bonusCount), static_cast<uint32_t>(b.bonusCount));
    return out;
}

// A world of `seed`: its kind, size, packing, speeds and contact distance all drawn from the seed.
void BuildWorld(PhysicsWorld& w, uint32_t seed) {
    Seeded r{seed * 2654435761u + 12345u};
    const int kind = r.Below(4);
    w.hooks = PhysicsHooks{};
    if (kind == 0) InstallChainsRules(w);
    if (kind == 1) InstallCubesRules(w);
    if (kind == 3) w.hooks.contactHook = RemovingHook;
    w.hooks.rulePass = nullptr;
    w.hooks.removalPass = nullptr;
    w.hooks.variant = kind == 1 ? VariantCubes : kind == 2 ? VariantShapes : VariantChains;
    ResetWorld(w);
    // Mostly the game's contact distance; sometimes other sizes, one the grid cannot serve, and none.
    const int size = r.Below(10);
    if (size == 7) w.contactDistSq = r.Between(20.0f, 3000.0f);
    if (size == 8) w.contactDistSq = r.Below(2) ? 1.0e6f : 0.0f;
    if (size == 9) w.glassWidth = r.Between(50.0f, 900.0f), w.floorY = r.Between(50.0f, 900.0f);

    const int atoms = 2 + r.Below(MaxAtoms - 1);
    const int clusters = 1 + r.Below(6);
    float cx[6], cy[6], spread[6];
    for (int c = 0; c < clusters; ++c) {
        cx[c] = r.Between(-40.0f, 330.0f);
        cy[c] = r.Between(-40.0f, 320.0f);
        spread[c] = r.Between(4.0f, 160.0f);
    }
    const float speed = r.Below(3) == 0 ? 14.0f : 2.0f;
    for (int k = 0; k < atoms; ++k) {
        const int c = r.Below(clusters);
        float x = cx[c] + r.Between(-spread[c], spread[c]);
        float y = cy[c] + r.Between(-spread[c], spread[c]);
        if (r.Below(40) == 0) x = r.Below(2) ? -1.0e6f : 3.0e7f;  // far outside: the grid's edge cells
        if (r.Below(60) == 0 && k > 0) {                          // coincident with another atom
            x = w.atoms[k - 1].x;
            y = w.atoms[k - 1].y;
        }
        int id = CreateAtom(w, x, y, static_cast<uint8_t>(r.Below(4)));
        Atom& a = w.atoms[id];
        a.prevX = x - r.Between(-speed, speed);
        a.prevY = y - r.Between(-speed, speed);
        a.entering = 0;
        if (r.Below(12) == 0) {  // locked blocks one hard hit from breaking: removals inside a pass
            a.snapping = a.locked = 1;
            a.hitsLeft = 1;
            a.colour = NoColour;
        } else if (r.Below(15) == 0) {
            a.snapping = 1;
        }
        if (r.Below(8) == 0) a.special = 1;  // cubes: a bonus block blows up when it goes
        if (r.Below(10) == 0) a.marked = 1;
        a.iceAge = static_cast<uint32_t>(r.Below(60000));
    }
    for (int k = 0; k < atoms / 4; ++k) {
        int a = r.Below(atoms), b = r.Below(atoms);
        if (a != b) CreateLink(w, a, b, -1, r.Below(2) == 0, 0.5f, r.Below(2) == 0);
    }
    // The player's piece: three or four atoms, their piece remembered by each.
    const int count = 3 + r.Below(2);
    for (int k = 0; k < count; ++k) w.detailAtoms[k] = static_cast<uint16_t>(r.Below(atoms));
    w.detailCount = static_cast<uint8_t>(count);
    for (int k = 0; k < count; ++k) {
        for (int m = 0; m < count; ++m) w.atoms[w.detailAtoms[k]].detailMembers[m] = w.detailAtoms[m];
    }
    w.landingArmed = 1;
    w.grabbedAtom = r.Below(atoms);
    w.mouseTarget[0] = w.atoms[w.grabbedAtom].x;
    w.mouseTarget[1] = w.atoms[w.grabbedAtom].y;
}

class ContactGridTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetTuningToDefaults();
        SetFixedClock(true);
        SetClockMs(StartMs);
        std::memset(input.keys, 0, sizeof input.keys);
        std::memset(input.previousKeys, 0, sizeof input.previousKeys);
    }
    void TearDown() override {
        contactScanAllowed = true;
        SetFixedClock(false);
        ResetTuningToDefaults();
    }
};

// Each pass of each step runs twice from the same world and the same random numbers: once as the game
// runs it (scanning the bigger worlds, binning the others), once over every pair; then again with the grid
// for every world. The game's world goes on, as StepWorld steps it.
TEST_F(ContactGridTest, PassEqualsAllPairsPassInSeededWorlds) {
    auto grid = std::make_unique<PhysicsWorld>();
    auto plain = std::make_unique<PhysicsWorld>();
    for (bool scan : {true, false}) {
        contactScanAllowed = scan;
        int touchingPasses = 0;
        for (uint32_t seed = 1; seed <= 48; ++seed) {
            BuildWorld(*grid, seed);
            for (int step = 0; step < 40; ++step) {
                grid->detailTouching = 0;
                grid->touchMultiplier = 1.0f;
                for (int k = 0; k < 3; ++k) {
                    Integrate(*grid);
                    RelaxLinks(*grid);
                    KeepInGlass(*grid, FrameMs);
                    *plain = *grid;
                    const uint32_t epoch = grid->removeEpoch;
                    const unsigned draws = seed * 1000u + static_cast<unsigned>(step * 3 + k);
                    std::srand(draws);
                    CollideAtomsAllPairs(*plain, k == 2, k == 0);
                    std::srand(draws);
                    CollideAtoms(*grid, k == 2, k == 0);
                    const std::string diff = Differences(*grid, *plain);
                    ASSERT_TRUE(diff.empty()) << (scan ? "scan " : "grid ") << "seed " << seed << " step "
                                              << step << " pass " << k << "\n"
                                              << diff;
                    if (grid->detailTouching || grid->removeEpoch != epoch) ++touchingPasses;
                }
                SnapPass(*grid);
                UpdateSpriteRotation(*grid);
                grid->landingArmed = !grid->detailTouching;
                AdvanceClock(FrameMs);
            }
        }
        EXPECT_GT(touchingPasses, 100);  // the worlds did touch the piece and lose atoms in passes
    }
}

// A pile squeezed far beyond what the glass holds: atoms move several pixels per pass, so entries leave
// their cells and rows are gathered again many times. Whole steps of both kinds stay identical.
TEST_F(ContactGridTest, SqueezedPileStepsIdentically) {
    for (bool scan : {true, false}) {
        contactScanAllowed = scan;
        auto grid = std::make_unique<PhysicsWorld>();
        grid->hooks.variant = VariantChains;
        ResetWorld(*grid);
        for (int i = 0; i < MaxAtoms; ++i) {
            CreateAtom(*grid, 14.0f + static_cast<float>((i * 23) % 250),
                       62.0f + static_cast<float>(i % 16) * 13.0f, static_cast<uint8_t>(i % 5));
        }
        auto plain = std::make_unique<PhysicsWorld>(*grid);
        for (int step = 0; step < 60; ++step) {
            StepWorld(*grid, FrameMs, false);
            // StepWorld's order, over every pair (no keys, no level-start row, no rule passes here).
            plain->detailTouching = 0;
            plain->touchMultiplier = 1.0f;
            for (int k = 0; k < 3; ++k) {
                Integrate(*plain);
                RelaxLinks(*plain);
                KeepInGlass(*plain, FrameMs);
                CollideAtomsAllPairs(*plain, k == 2, k == 0);
            }
            SnapPass(*plain);
            UpdateSpriteRotation(*plain);
            plain->landingArmed = !plain->detailTouching;
            AdvanceClock(FrameMs);
            const std::string diff = Differences(*grid, *plain);
            ASSERT_TRUE(diff.empty()) << (scan ? "scan " : "grid ") << "step " << step << "\n" << diff;
        }
    }
}

// The grid keeps its bins from one pass to the next. Two worlds with the same atoms in different places,
// passed in turn, must each be seen where their atoms are, never where the other world left them.
TEST_F(ContactGridTest, BinsKeptFromTheLastPassFollowTheWorldAtHand) {
    contactScanAllowed = false;
    auto first = std::make_unique<PhysicsWorld>();
    BuildWorld(*first, 5);
    auto second = std::make_unique<PhysicsWorld>(*first);
    // Same slots, same sizes: the second world's atoms mirrored and shifted across the glass.
    for (Atom& a : second->atoms) {
        if (a.flags & FreeSlot) continue;
        a.x = 300.0f - a.x + static_cast<float>(static_cast<int>(a.y) % 37);
        a.y = 280.0f - a.y;
        a.prevX = a.x;
        a.prevY = a.y;
    }
    auto plain = std::make_unique<PhysicsWorld>();
    int touches = 0;
    for (int pass = 0; pass < 60; ++pass) {
        PhysicsWorld& w = (pass % 2 == 0) ? *first : *second;
        KeepInGlass(w, FrameMs);
        *plain = w;
        std::srand(static_cast<unsigned>(pass));
        CollideAtomsAllPairs(*plain, pass % 3 == 2, pass % 3 == 0);
        std::srand(static_cast<unsigned>(pass));
        CollideAtoms(w, pass % 3 == 2, pass % 3 == 0);
        const std::string diff = Differences(w, *plain);
        ASSERT_TRUE(diff.empty()) << "pass " << pass << "\n" << diff;
        for (const Atom& a : w.atoms) touches += (a.flags & FreeSlot) == 0 && a.lastPartner != NoAtom;
    }
    EXPECT_GT(touches, 0);
}

}  // namespace
