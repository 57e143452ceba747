// Shapes: piece geometry, colour draws, piece creation, grabbing, uniform pieces, swaps, mistakes and the
// removal time of a completed piece.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "input/input.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/game.h"
#include "rules/pieces.h"
#include "rules/shapes_rules.h"
#include "rules/tuning.h"

namespace {

constexpr uint64_t StartMs = 100000;

class RulesShapes : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetTuningToDefaults();
        SetFixedClock(true);
        SetClockMs(StartMs);
        w = std::make_unique<PhysicsWorld>();
        InstallShapesRules(*w);
        ResetWorld(*w);
        game = GameState{};
        g.tutorialStep = -1;
        g.mistakesAllowed = 5;
        in = InputState{};
    }
    void TearDown() override {
        SetFixedClock(false);
        ResetTuningToDefaults();
    }
    // A bar of three blocks centred at (x, y); returns its atoms.
    void Bar(float x, float y, uint8_t c0, uint8_t c1, uint8_t c2, int atoms[MaxPieceAtoms]) {
        const uint8_t colours[4] = {c0, c1, c2, 0};
        ASSERT_EQ(CreatePiece(*w, x, y, PieceBar, colours, atoms), 3);
    }
    // Pointer at glass position (x, y), left button held or not.
    void Pointer(float x, float y, bool held) {
        in.mouseX = static_cast<int32_t>(x) + 96;
        in.mouseY = static_cast<int32_t>(y) - 48;
        in.mouseButtons[0] = held ? 0x80 : 0;
    }
    int CountTexts(uint16_t kind) const {
        int n = 0;
        for (const FloatingText& t : w->floatingTexts) n += (!(t.flags & FreeSlot) && t.kind == kind) ? 1 : 0;
        return n;
    }
    // Lets the grabbed atom be released onto the target (the physics offers the target).
    void Release(int grabbed, int target) {
        w->grabbedAtom = grabbed;
        w->swapTarget = target;
        Pointer(120, 150, false);
        ShapesMouseFrame(g, *w, in);
    }

    std::unique_ptr<PhysicsWorld> w;
    GameState g;
    InputState in;
};

TEST_F(RulesShapes, PieceKindsHaveTheirShapesAndBraces) {
    const float x = 100, y = 100;
    const struct {
        int kind, atomCount, linkCount, braces;
        float pos[4][2];
    } cases[3] = {{PieceCorner, 3, 3, 1, {{x, y}, {x, y + 24}, {x + 24, y + 24}}},
                  {PieceBar, 3, 3, 1, {{x - 24, y}, {x, y}, {x + 24, y}}},
                  {PieceSquare, 4, 8, 4, {{x, y - 1}, {x + 24, y - 1}, {x, y + 23}, {x + 24, y + 23}}}};
    const uint8_t colours[4] = {3, 1, 4, 5};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        ResetWorld(*w);
        w->pendingSpecial = 1;
        w->specialTaken = 1;  // left over from the previous piece
        int atoms[MaxPieceAtoms];
        ASSERT_EQ(CreatePiece(*w, x, y, c.kind, colours, atoms), c.atomCount);
        EXPECT_EQ(w->piecesSpawned, 1u);
        EXPECT_EQ(w->detailCount, c.atomCount);
        const uint32_t shade = w->atoms[atoms[0]].shade;
        EXPECT_TRUE(shade == 63 || shade == 127 || shade == 191 || shade == 255) << shade;
        for (int k = 0; k < c.atomCount; ++k) {
            const Atom& a = w->atoms[atoms[k]];
            EXPECT_EQ(a.x, c.pos[k][0]);
            EXPECT_EQ(a.y, c.pos[k][1]);
            EXPECT_EQ(a.colour, colours[k]);
            EXPECT_EQ(a.shade, shade);
            EXPECT_EQ(a.special, k == 0 ? 1 : 0);  // the first atom takes the special flag
            EXPECT_EQ(w->detailAtoms[k], atoms[k]);
            for (int m = 0; m < 4; ++m) EXPECT_EQ(a.detailMembers[m], m < c.atomCount ? atoms[m] : NoAtom);
        }
        // Rigid links at the creation distances; braces (links with a keeper) hold the shape.
        int links = 0, braces = 0;
        for (const Link& l : w->links) {
            if (l.flags & FreeSlot) continue;
            ++links;
            braces += l.keeper != NoAtom ? 1 : 0;
            const float dx = w->atoms[l.atomA].x - w->atoms[l.atomB].x, dy = w->atoms[l.atomA].y - w->atoms[l.atomB].y;
            EXPECT_EQ(l.restLenSq, dx * dx + dy * dy);
            EXPECT_EQ(l.stiffness, 1.0f);
            EXPECT_EQ(l.playerMade, 0);
        }
        EXPECT_EQ(links, c.linkCount);
        EXPECT_EQ(braces, c.braces);
    }
}

TEST_F(RulesShapes, LevelStartRowIsSixLooseIntroBlocksThatStartTheClock) {
    const uint8_t colours[4] = {};
    int atoms[MaxPieceAtoms];
    ASSERT_EQ(CreatePiece(*w, 0, 0, PieceLevelStart, colours, atoms), 6);
    int braces = 0;
    for (const Link& l : w->links) braces += (!(l.flags & FreeSlot) && l.keeper != NoAtom) ? 1 : 0;
    EXPECT_EQ(braces, 3);
    EXPECT_TRUE(LinkInUse(*w, 7) && !LinkInUse(*w, 8));
    EXPECT_EQ(w->detailCount, 0);
    EXPECT_EQ(w->levelStartCreated, 1);
    EXPECT_EQ(w->levelStartMs, StartMs);
    // Its blocks belong to no piece, so they are never taken for a finished one.
    ShapesRulePass(*w, 16, false);
    for (int k = 0; k < 6; ++k) {
        const Atom& a = w->atoms[atoms[k]];
        EXPECT_EQ(a.x, 32.0f + 36.0f * k);
        EXPECT_EQ(a.y, 36.0f);
        EXPECT_EQ(a.colour, k);
        EXPECT_EQ(a.introAtom, 1);
        EXPECT_EQ(a.marked, 0);
    }
    EXPECT_EQ(CreatePiece(*w, 0, 0, 7, colours), 0);
}

TEST_F(RulesShapes, ColourDrawsGiveThreeColoursOrMixedPiecesAndNeverDivideByZero) {
    A_AVAILABLE_COLORS = 4;
    for (int r1 : {0, -3, 1}) {
        A_R1 = r1;
        int kinds[3] = {};
        for (unsigned seed = 0; seed < 400; ++seed) {
            std::srand(seed);
            int kind = -1;
            uint8_t c[4] = {9, 9, 9, 9};
            DrawShapesPiece(-1, &kind, c);
            ASSERT_GE(kind, 0);
            ASSERT_LE(kind, 2);
            ++kinds[kind];
            const int used = kind == PieceSquare ? 4 : 3;
            int counts[9] = {};
            for (int k = 0; k < used; ++k) {
                ASSERT_LT(c[k], 4);
                ++counts[c[k]];
            }
            int distinct = 0, most = 0;
            for (int n : counts) {
                distinct += n > 0 ? 1 : 0;
                most = std::max(most, n);
            }
            if (r1 == 1) {
                // Always mixed: two blocks of three share a colour, three of four do.
                EXPECT_EQ(most, kind == PieceSquare ? 3 : 2);
            } else {
                EXPECT_EQ(distinct, kind == PieceSquare ? 2 : 3);
                EXPECT_EQ(most, kind == PieceSquare ? 2 : 1);
            }
        }
        for (int n : kinds) EXPECT_GT(n, 50);
    }

    // Fewer than three colours tuned: three are used; the tutorial's last step uses three.
    A_R1 = 0;
    for (int tuned : {1, 0, -4, 6}) {
        A_AVAILABLE_COLORS = tuned;
        const int step = tuned == 6 ? 12 : -1;
        for (unsigned seed = 0; seed < 100; ++seed) {
            std::srand(seed);
            int kind = 0;
            uint8_t c[4] = {};
            DrawShapesPiece(step, &kind, c);
            for (int k = 0; k < 3; ++k) EXPECT_LT(c[k], 3);
        }
    }
}

TEST_F(RulesShapes, PiecesComeOnlyWhenAskedInsideTheGlassInAllowedStepsAndApart) {
    CreateShapesPieces(g, *w, NowMs());  // nothing asked for
    g.pieceRequests = 2;
    w->detailInside = 0;  // the last piece is still entering
    CreateShapesPieces(g, *w, NowMs());
    w->detailInside = 1;
    g.tutorialStep = 1;
    CreateShapesPieces(g, *w, NowMs());
    g.tutorialStep = -1;
    g.lastSpawnTime = static_cast<uint32_t>(NowMs()) - 299;
    CreateShapesPieces(g, *w, NowMs());
    EXPECT_EQ(w->piecesSpawned, 0u);

    AdvanceClock(1);
    CreateShapesPieces(g, *w, NowMs());
    EXPECT_EQ(w->piecesSpawned, 1u);
    EXPECT_EQ(g.pieceRequests, 1);
    EXPECT_EQ(g.shapesOnBoard, 1);
    EXPECT_EQ(g.lastSpawnTime, static_cast<uint32_t>(NowMs()));
    for (int k = 0; k < w->detailCount; ++k) {
        const Atom& a = w->atoms[w->detailAtoms[k]];
        EXPECT_TRUE(a.x >= 109.0f && a.x <= 157.0f && a.y >= 11.5f && a.y <= 36.5f) << a.x << " " << a.y;
        EXPECT_EQ(a.special, 0);
    }

}

TEST_F(RulesShapes, UniformityFollowsColoursSwapsAndSkipsMissingMembers) {
    int a[MaxPieceAtoms];
    Bar(60, 200, 1, 1, 2, a);
    EXPECT_FALSE(PieceUniform(*w, a[0]));
    EXPECT_TRUE(PieceUniform(*w, a[1], a[2], 1));   // a[2] taking colour 1
    EXPECT_FALSE(PieceUniform(*w, a[1], a[0], 2));  // 2 1 2
    // A member that is gone no longer counts.
    RemoveAtom(*w, a[2], 0);
    EXPECT_EQ(w->atoms[a[0]].detailMembers[2], NoAtom);
    EXPECT_TRUE(PieceUniform(*w, a[0]));
    EXPECT_FALSE(PieceUniform(*w, 200));  // a free slot
}

TEST_F(RulesShapes, GrabPrefersTheFirstWithinTwelvePixelsAndChecksEveryIndex) {
    const int first = CreateAtom(*w, 161, 150, 1);   // 11 px from the pointer, earlier in index order
    const int nearer = CreateAtom(*w, 150, 152, 2);  // 2 px
    Pointer(150, 150, true);
    ShapesMouseFrame(g, *w, in);
    EXPECT_EQ(w->grabbedAtom, first);

    // While held, the grab stays.
    w->atoms[first].x = 400;
    ShapesMouseFrame(g, *w, in);
    EXPECT_EQ(w->grabbedAtom, first);

    // Released with no swap offered: just let go.
    Pointer(150, 150, false);
    ShapesMouseFrame(g, *w, in);
    EXPECT_EQ(w->grabbedAtom, -1);
    EXPECT_EQ(g.moves + g.pendingMistakes, 0);

    // Nobody within 12: the nearest within 18.
    w->atoms[first].x = 166;      // 16 px
    w->atoms[nearer].y = 164;     // 14 px
    CreateAtom(*w, 133, 150, 3);  // 17 px
    Pointer(150, 150, true);
    ShapesMouseFrame(g, *w, in);
    EXPECT_EQ(w->grabbedAtom, nearer);

    // Nobody within 18: nothing.
    w->grabbedAtom = -1;
    Pointer(40, 250, true);
    ShapesMouseFrame(g, *w, in);
    EXPECT_EQ(w->grabbedAtom, -1);

    // Indices that name no atom are dropped, never used.
    w->grabbedAtom = 300;
    w->swapTarget = 77;
    Pointer(40, 250, false);
    ShapesMouseFrame(g, *w, in);
    EXPECT_EQ(w->grabbedAtom, -1);
    EXPECT_EQ(w->swapTarget, -1);
    w->grabbedAtom = nearer;
    w->swapTarget = 255;
    ReleaseGrabbedAtom(g, *w);
    EXPECT_EQ(g.moves + g.pendingMistakes, 0);
}

TEST_F(RulesShapes, SwapCompletingOnePieceCountsAMoveAndFlashesTheNewColours) {
    int a[MaxPieceAtoms], b[MaxPieceAtoms];
    Bar(60, 200, 1, 1, 2, a);
    Bar(180, 200, 1, 3, 4, b);
    g.shapesOnBoard = 2;
    g.pieceRequests = 3;
    g.streak = 0;

    // The preview: this swap would complete a piece.
    w->grabbedAtom = a[2];
    w->swapTarget = b[0];
    g.mistakesAllowed = 0;
    Pointer(120, 150, true);
    ShapesMouseFrame(g, *w, in);
    EXPECT_EQ(g.swapAllowed, 1);
    g.mistakesAllowed = 5;

    Release(a[2], b[0]);
    EXPECT_EQ(g.moves, 1);
    EXPECT_EQ(g.streak, 1);
    EXPECT_EQ(g.pieceRequests, 0);
    EXPECT_EQ(g.shapesOnBoard, 1);
    EXPECT_EQ(w->grabbedAtom, -1);
    EXPECT_EQ(w->swapTarget, -1);
    EXPECT_EQ(w->score, 0);
    EXPECT_EQ(CountTexts(TextStreak), 0);
    EXPECT_EQ(w->atoms[a[2]].colourFlash, 1);
    EXPECT_EQ(w->atoms[b[0]].colourFlash, 1);
    EXPECT_EQ(w->atoms[a[2]].savedColour, 1);
    EXPECT_EQ(w->atoms[b[0]].savedColour, 2);

    // The old colours show for a second; then the piece is complete and marked.
    for (int t = 0; t <= 1000; t += 10) ShapesRulePass(*w, 10, false);
    EXPECT_EQ(w->atoms[a[2]].colour, 2);
    EXPECT_EQ(w->atoms[a[0]].marked, 0);
    ShapesRulePass(*w, 10, false);
    EXPECT_EQ(w->atoms[a[2]].colour, 1);
    EXPECT_EQ(w->atoms[b[0]].colour, 2);
    ShapesRulePass(*w, 10, false);
    EXPECT_EQ(w->matchedThisStep, 1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(w->atoms[a[k]].marked, 1);
        EXPECT_EQ(w->atoms[a[k]].points, A_DEFAULT_ATOM2POINTS);
        EXPECT_EQ(w->atoms[b[k]].marked, 0);
    }

    // A second success in a row shows the streak.
    int c[MaxPieceAtoms], d[MaxPieceAtoms];
    Bar(60, 100, 5, 5, 0, c);
    Bar(180, 100, 5, 3, 4, d);
    Release(c[2], d[0]);
    EXPECT_EQ(g.streak, 2);
    EXPECT_EQ(CountTexts(TextStreak), 1);
}

TEST_F(RulesShapes, SwapCompletingBothPiecesIsADoubleWorth3000) {
    int a[MaxPieceAtoms], b[MaxPieceAtoms];
    Bar(60, 200, 1, 1, 2, a);
    Bar(180, 200, 1, 2, 2, b);
    g.shapesOnBoard = 2;
    g.streak = 1;
    g.level = 4;  // the bonus is not multiplied by the level
    Release(a[2], b[0]);
    EXPECT_EQ(w->score, 3000);
    EXPECT_EQ(g.shapesOnBoard, 0);
    EXPECT_EQ(g.moves, 1);
    ASSERT_EQ(CountTexts(TextDouble), 1);
    ASSERT_EQ(CountTexts(TextStreak), 1);
    const float midY = (w->atoms[a[2]].y + w->atoms[b[0]].y) * 0.5f;
    for (const FloatingText& t : w->floatingTexts) {
        if (t.flags & FreeSlot) continue;
        EXPECT_EQ(t.y, t.kind == TextDouble ? midY - 24 : midY - 48);
        EXPECT_EQ(t.x, 120.0f);
    }
}

TEST_F(RulesShapes, FailedSwapsUseUpMistakesAndEndTheGameWhenNoneAreLeft) {
    int a[MaxPieceAtoms], b[MaxPieceAtoms];
    Bar(60, 200, 1, 1, 2, a);
    Bar(180, 200, 3, 3, 4, b);

    // None left: the swap is refused and the game is over.
    g.mistakesAllowed = 0;
    g.pieceRequests = 2;
    w->grabbedAtom = a[2];
    w->swapTarget = b[0];
    Pointer(120, 150, true);
    ShapesMouseFrame(g, *w, in);
    EXPECT_EQ(g.swapAllowed, 0);
    Release(a[2], b[0]);
    EXPECT_TRUE(g.gameOver);
    EXPECT_EQ(g.pieceRequests, 0);
    EXPECT_EQ(w->atoms[a[2]].colourFlash, 0);
    EXPECT_EQ(w->atoms[b[0]].colourFlash, 0);

    // One left: accepted, and taken off the counter after 1.8 s.
    g = GameState{};
    g.tutorialStep = -1;
    g.mistakesAllowed = 1;
    g.streak = 3;
    Release(a[2], b[0]);
    EXPECT_FALSE(g.gameOver);
    EXPECT_EQ(g.pendingMistakes, 1);
    EXPECT_EQ(g.mistakeBlinkMs, 0);
    EXPECT_EQ(g.pieceRequests, 1);
    EXPECT_EQ(g.failStreak, 1);
    EXPECT_EQ(g.streak, 0);
    EXPECT_EQ(g.bestStreak, 3);
    EXPECT_EQ(g.moves, 0);
    EXPECT_EQ(CountTexts(TextBadSwap), 1);
    EXPECT_EQ(w->atoms[a[2]].colourFlash, 1);

    // The counter blinks every 200 ms meanwhile.
    EXPECT_TRUE(MistakesCounterVisible(g));
    UpdateMistakesCounter(g, 200);
    EXPECT_FALSE(MistakesCounterVisible(g));
    for (int t = 200; t < 1800; t += 100) {
        UpdateMistakesCounter(g, 100);
        EXPECT_EQ(g.mistakesAllowed, 1);
    }
    UpdateMistakesCounter(g, 100);
    EXPECT_TRUE(MistakesCounterVisible(g));
    EXPECT_EQ(g.mistakesAllowed, 0);
    EXPECT_EQ(g.pendingMistakes, 0);
    EXPECT_EQ(g.mistakeBlinkMs, -1);

    // A second failure before the first was taken off counts it as used.
    g = GameState{};
    g.mistakesAllowed = 1;
    int c[MaxPieceAtoms], d[MaxPieceAtoms];
    Bar(60, 100, 0, 0, 2, c);
    Bar(180, 100, 3, 3, 4, d);
    Release(c[2], d[0]);
    EXPECT_FALSE(g.gameOver);
    UpdateMistakesCounter(g, 500);
    Release(c[0], d[1]);
    EXPECT_TRUE(g.gameOver);
}

TEST_F(RulesShapes, CompletedPieceGoesAfterHalfTheActiveTime) {
    int a[MaxPieceAtoms];
    Bar(60, 200, 2, 2, 2, a);
    const int other = CreateAtom(*w, 200, 200, 1);
    ASSERT_EQ(w->hooks.variant, VariantShapes);
    ASSERT_NE(w->hooks.rulePass, nullptr);
    ASSERT_NE(w->hooks.removalPass, nullptr);
    // The step's order: the rule pass, then the removal pass, every 10 ms.
    auto frame = [&] {
        w->hooks.rulePass(*w, 10, false);
        w->hooks.removalPass(*w, 10, false);
    };
    frame();  // marks the piece
    ASSERT_EQ(w->atoms[a[0]].marked, 1);
    int ms = 0;
    while (ms < 1580) {
        frame();
        ms += 10;
    }
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(AtomInUse(*w, a[k])) << k;
    while (ms < 1600) {
        frame();
        ms += 10;
    }
    for (int k = 0; k < 3; ++k) EXPECT_FALSE(AtomInUse(*w, a[k])) << k;
    EXPECT_TRUE(AtomInUse(*w, other));
    EXPECT_EQ(w->atomsRemoved, 3u);
    EXPECT_EQ(w->score, 3 * A_DEFAULT_ATOM2POINTS);
    EXPECT_EQ(game.removalSoundIndex, 3);
}

}  // namespace
