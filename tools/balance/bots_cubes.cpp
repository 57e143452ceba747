// The greedy cubes player: turns and steers each piece to where its colours complete groups of three
// (a bonus block where its blast takes ice with it), holds it up with Up while it gets there, sets it
// down softly so that a fresh group does not crash, and calls the next piece as soon as it rests.
//
// In cubes a block vanishes only in a group (one block touching two of its colour), and every block left
// alone freezes after A_FREEZE_TIME. A strong player therefore places each block where it completes a
// group at once, or at least next to one block of its colour that will be completed soon, keeps the pile
// low, calls the next piece as soon as one rests (more blocks then meet their colour before they freeze,
// and pieces come far faster than the dump clock brings them) and never slams a piece onto a group that is already lit: a hard hit on a marked block freezes
// it instead.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "bots.h"
#include "physics/world.h"
#include "rules/tuning.h"

namespace {

constexpr float Spacing = 24.0f;
constexpr float TouchReach = 25.5f;     // px, centres this close touch once the pile settles
constexpr float HalfPi = 1.57079633f;
constexpr float LeftWallX = 12.0f;
constexpr int MaxResting = MaxAtoms;
constexpr float BlastReach = 60.0f;       // px, a little inside the bonus blast's 64: the pile shifts meanwhile
constexpr float BlastIceValue = 4.0f;     // worth of one frozen block a bonus blast takes away
constexpr float BlastColourCost = 0.5f;   // cost of one coloured block it takes (not counted as removed)
// Resting on the pile short of its spot, the piece is pushed on for this long before it is left there.
constexpr uint64_t GiveUpMs = 150;
// The next piece is called at once while the pile's top is lower than this (px from the glass's top).
constexpr float CallWhileTopBelow = 60.0f;

float WrapAngle(float a) {
    while (a > 3.14159265f) a -= 6.2831853f;
    while (a < -3.14159265f) a += 6.2831853f;
    return a;
}

bool InUse(const PhysicsWorld& w, int i) {
    return i >= 0 && i < MaxAtoms && !(w.atoms[i].flags & FreeSlot);
}

// The blocks of the glass that are not the piece: where they are, and their colour (NoColour: ice).
struct Pile {
    int count = 0;
    float x[MaxResting], y[MaxResting];
    uint8_t colour[MaxResting];
    uint32_t iceAge[MaxResting];
};

void ReadPile(const PhysicsWorld& w, Pile& pile) {
    pile.count = 0;
    for (int i = 0; i < MaxAtoms; ++i) {
        if (!InUse(w, i) || DetailContains(w, i)) continue;
        const Atom& a = w.atoms[i];
        const int k = pile.count++;
        pile.x[k] = a.x;
        pile.y[k] = a.y;
        // A block on its way into the grid is ice already; a marked block still joins a group.
        pile.colour[k] = a.snapping ? NoColour : a.colour;
        pile.iceAge[k] = a.iceAge;
    }
}

struct Piece {
    int count = 0;
    int atoms[4] = {};
    float cx = 0, cy = 0, vx = 0, vy = 0;
    float angle = 0;  // rad, direction from its first block to its second
    float bottom = 0; // px, its lowest block
};

bool ReadPiece(const PhysicsWorld& w, Piece& p) {
    p = Piece{};
    for (uint16_t d : w.detailAtoms) {
        if (d == NoAtom || !InUse(w, d)) continue;
        const Atom& a = w.atoms[d];
        p.atoms[p.count++] = d;
        p.cx += a.x;
        p.cy += a.y;
        p.vx += a.x - a.prevX;
        p.vy += a.y - a.prevY;
        p.bottom = std::max(p.bottom, a.y);
    }
    if (p.count < 2) return false;
    const float n = static_cast<float>(p.count);
    p.cx /= n;
    p.cy /= n;
    p.vx /= n;
    p.vy /= n;
    const Atom& a = w.atoms[p.atoms[0]];
    const Atom& b = w.atoms[p.atoms[1]];
    p.angle = std::atan2(b.y - a.y, b.x - a.x);
    return true;
}

// The piece rests on something: one of its blocks touches a block of the pile or the floor.
bool PieceTouches(const PhysicsWorld& w, const Piece& p) {
    for (int k = 0; k < p.count; ++k) {
        const Atom& a = w.atoms[p.atoms[k]];
        if (a.y >= w.floorY - 0.5f) return true;
        for (int i = 0; i < MaxAtoms; ++i) {
            if (!InUse(w, i) || DetailContains(w, i)) continue;
            const float dx = w.atoms[i].x - a.x, dy = w.atoms[i].y - a.y;
            if (dx * dx + dy * dy < 24.5f * 24.5f) return true;
        }
    }
    return false;
}

// The highest block of the pile, px from the top of the glass.
float PileTop(const PhysicsWorld& w) {
    float top = w.floorY;
    for (int i = 0; i < MaxAtoms; ++i) {
        if (!InUse(w, i) || DetailContains(w, i)) continue;
        top = std::min(top, w.atoms[i].y);
    }
    return top;
}

// Centre height at which a block dropped straight down at x comes to rest.
float Support(const PhysicsWorld& w, const Pile& pile, float x) {
    float y = w.floorY;
    for (int k = 0; k < pile.count; ++k) {
        const float dx = pile.x[k] - x;
        if (std::fabs(dx) >= Spacing) continue;
        y = std::min(y, pile.y[k] - std::sqrt(Spacing * Spacing - dx * dx));
    }
    return y;
}

// How good it is to set the piece's blocks down at (x[k], y[k]).
float PlacementValue(const PhysicsWorld& w, const Pile& pile, int count, const uint8_t* colour, const bool* bonus,
                     const float* x, const float* y) {
    float value = 0;
    // Blocks that would be in one same-coloured cluster with the piece: pile blocks it touches and the
    // pile blocks those touch (a waiting pair), plus the piece's own blocks of that colour.
    bool inGroup[MaxResting] = {};
    bool counted[4] = {};
    for (int k = 0; k < count; ++k) {
        if (counted[k] || colour[k] == NoColour) continue;
        int size = 0;
        int fromPile = 0;
        int stack[MaxResting + 4];
        int top = 0;
        bool onStack[MaxResting] = {};
        // Piece blocks of this colour joined to k through one another.
        bool member[4] = {};
        member[k] = true;
        for (int again = 0; again < 3; ++again) {
            for (int m = 0; m < count; ++m) {
                if (member[m] || colour[m] != colour[k]) continue;
                for (int q = 0; q < count; ++q) {
                    if (!member[q]) continue;
                    const float dx = x[m] - x[q], dy = y[m] - y[q];
                    if (dx * dx + dy * dy < TouchReach * TouchReach) member[m] = true;
                }
            }
        }
        for (int m = 0; m < count; ++m) {
            if (!member[m]) continue;
            counted[m] = true;
            ++size;
            for (int b = 0; b < pile.count; ++b) {
                if (onStack[b] || pile.colour[b] != colour[k]) continue;
                const float dx = pile.x[b] - x[m], dy = pile.y[b] - y[m];
                if (dx * dx + dy * dy < TouchReach * TouchReach) {
                    onStack[b] = true;
                    stack[top++] = b;
                }
            }
        }
        // The pile blocks touched, and one more step through the pile.
        const int direct = top;
        for (int s = 0; s < direct; ++s) {
            const int b = stack[s];
            for (int c = 0; c < pile.count; ++c) {
                if (onStack[c] || pile.colour[c] != colour[k]) continue;
                const float dx = pile.x[c] - pile.x[b], dy = pile.y[c] - pile.y[b];
                if (dx * dx + dy * dy < TouchReach * TouchReach) {
                    onStack[c] = true;
                    stack[top++] = c;
                }
            }
        }
        fromPile = top;
        for (int s = 0; s < top; ++s) inGroup[stack[s]] = true;
        const int total = size + fromPile;
        // A bonus block blasts everything within BlastReach when its group vanishes: ice there is gone
        // for good, coloured blocks there are lost to the count. Set down in a group next to ice, it
        // clears the glass; in a pair it may still be completed later.
        for (int m = 0; m < count; ++m) {
            if (!member[m] || !bonus[m] || total < 2) continue;
            const float weight = total >= 3 ? 1.0f : 0.35f;
            for (int b = 0; b < pile.count; ++b) {
                const float dx = pile.x[b] - x[m], dy = pile.y[b] - y[m];
                if (dx * dx + dy * dy >= BlastReach * BlastReach) continue;
                if (pile.colour[b] == NoColour) value += weight * BlastIceValue;
                else if (!onStack[b]) value -= weight * BlastColourCost;
            }
        }
        if (total >= 3) {
            // A group: these blocks vanish. Older pile blocks are worth saving first.
            value += 10.0f * static_cast<float>(total);
            for (int s = 0; s < top; ++s) {
                value += 3.0f * static_cast<float>(pile.iceAge[stack[s]]) / static_cast<float>(std::max(A_FREEZE_TIME, 1));
            }
        } else if (total == 2) {
            value += 3.0f;
        } else {
            // Alone with no block of its colour: it will most likely freeze.
            value -= 2.0f;
        }
        // Near its colour without touching: a later piece may close the gap.
        for (int m = 0; m < count; ++m) {
            if (!member[m]) continue;
            for (int b = 0; b < pile.count; ++b) {
                if (pile.colour[b] != colour[k] || onStack[b]) continue;
                const float dx = pile.x[b] - x[m], dy = pile.y[b] - y[m];
                const float d2 = dx * dx + dy * dy;
                if (d2 < 50.0f * 50.0f) value += 0.5f;
            }
        }
    }
    // Blocks buried under the piece that still wait for their colour: covered, they freeze.
    for (int b = 0; b < pile.count; ++b) {
        if (inGroup[b] || pile.colour[b] == NoColour) continue;
        for (int k = 0; k < count; ++k) {
            const float dx = pile.x[b] - x[k], dy = pile.y[b] - y[k];
            if (dy > 0 && dy < 30.0f && std::fabs(dx) < Spacing) {
                value -= 1.0f;
                break;
            }
        }
    }
    // Keep the pile low: a high block costs, one near the rim costs a lot.
    for (int k = 0; k < count; ++k) {
        value -= 0.02f * (w.floorY - y[k]);
        if (y[k] < 100.0f) value -= 15.0f;
    }
    return value;
}

// Sideways acceleration of the arrows, px/ms^2, and the fall speed of a piece held up, px/ms (measured).
constexpr float SideAccel = 0.00004f;
constexpr float HeldFall = 0.15f;

// Chooses the angle and the place of the piece: every quarter turn and every x the piece can still reach
// before it lands. `keep` (a turn of 0 from bot.targetAngle at bot.targetX) must be beaten by a margin, so
// the piece is not sent to and fro by small changes of the pile.
void PlanCubesPiece(Bot& bot, const PhysicsWorld& w, const Pile& pile, const Piece& p, bool keep) {
    // The piece's offsets, turned square to the glass first.
    const float square = std::round(p.angle / HalfPi) * HalfPi;
    const float correction = square - p.angle;
    float relX[4], relY[4];
    uint8_t colour[4];
    bool bonus[4] = {};
    for (int k = 0; k < p.count; ++k) {
        const Atom& a = w.atoms[p.atoms[k]];
        bonus[k] = a.special != 0;
        const float dx = a.x - p.cx, dy = a.y - p.cy;
        relX[k] = dx * std::cos(correction) - dy * std::sin(correction);
        relY[k] = dx * std::sin(correction) + dy * std::cos(correction);
        colour[k] = a.colour;
    }
    float best = -1e9f;
    float bestX = p.cx, bestAngle = square, bestLand = bot.targetLandY;
    float kept = -1e9f;
    for (int turn = -1; turn <= 2; ++turn) {
        const float theta = static_cast<float>(turn) * HalfPi;
        const float angle = WrapAngle(square + theta);
        const bool sameAngle = std::fabs(WrapAngle(angle - bot.targetAngle)) < 0.3f;
        const float c = std::round(std::cos(theta)), s = std::round(std::sin(theta));
        float rx[4], ry[4];
        for (int k = 0; k < p.count; ++k) {
            rx[k] = relX[k] * c - relY[k] * s;
            ry[k] = relX[k] * s + relY[k] * c;
        }
        // A quarter turn takes about a third of a second in which the piece cannot be steered.
        const float turnMs = 350.0f * std::fabs(WrapAngle(angle - p.angle)) / HalfPi;
        for (float cx = LeftWallX + 12.0f; cx <= w.glassWidth - 12.0f; cx += 2.0f) {
            float x[4], y[4];
            bool fits = true;
            float drop = 1e9f;
            for (int k = 0; k < p.count; ++k) {
                x[k] = cx + rx[k];
                if (x[k] < LeftWallX + 12.0f || x[k] > w.glassWidth - 12.0f) fits = false;
            }
            if (!fits) continue;
            for (int k = 0; k < p.count; ++k) drop = std::min(drop, Support(w, pile, x[k]) - ry[k]);
            for (int k = 0; k < p.count; ++k) y[k] = drop + ry[k];
            // Can it get there? The time left to fall, less the turn, against the way to go (the speed
            // it has already carries it part of the way). Once it rests on the pile it is pushed on only
            // briefly: the next piece is worth more than a better spot.
            const float fallMs = std::max(drop - p.cy, 0.0f) / HeldFall + (w.detailInside ? 0.0f : 400.0f);
            const float steerMs = std::max(fallMs - turnMs, 0.0f);
            const float way = std::fabs(cx - (p.cx + p.vx * 8.0f));
            const float reach = 0.25f * SideAccel * steerMs * steerMs + 4.0f;
            float value = PlacementValue(w, pile, p.count, colour, bonus, x, y);
            if (way > reach) value -= 20.0f + 0.2f * (way - reach);
            value -= 0.5f * std::fabs(static_cast<float>(turn));
            value -= 0.005f * std::fabs(cx - p.cx);
            if (sameAngle && std::fabs(cx - bot.targetX) < 1.5f) kept = std::max(kept, value);
            if (value > best) {
                best = value;
                bestX = cx;
                bestAngle = angle;
                bestLand = drop;
            }
        }
    }
    if (keep && kept > best - 3.0f) return;
    bot.targetX = bestX;
    bot.targetAngle = bestAngle;
    bot.targetLandY = bestLand;
}

// PELORINA_CUBES_DEBUG=1: the piece, its target and the keys, frame by frame (stderr).
void Debug(const Bot& bot, const PhysicsWorld& w, const Piece& p, uint64_t nowMs) {
    static const bool on = std::getenv("PELORINA_CUBES_DEBUG") != nullptr;
    if (!on) return;
    std::fprintf(stderr, "t=%llu piece=%u in=%u cx=%.1f cy=%.1f vx=%.2f vy=%.2f tx=%.1f land=%.1f ang=%.2f/%.2f landed=%d keys=%x\n",
                 static_cast<unsigned long long>(nowMs), w.piecesSpawned, w.detailInside, static_cast<double>(p.cx),
                 static_cast<double>(p.cy), static_cast<double>(p.vx), static_cast<double>(p.vy), static_cast<double>(bot.targetX),
                 static_cast<double>(bot.targetLandY), static_cast<double>(p.angle),
                 static_cast<double>(bot.targetAngle), bot.pieceLanded ? 1 : 0, bot.held.keys);
}

// When the piece first rested on the pile short of its spot; 0: it has not (one piece at a time).
uint64_t pieceTouchedMs = 0;

void PlayCubesGreedyKeys(Bot& bot, const PhysicsWorld& w, uint64_t nowMs, Piece& p) {
    bot.held.keys = 0;
    if (!ReadPiece(w, p)) return;
    // Speeds in px/ms from frame to frame (the atoms' own step is shorter than a frame).
    if (bot.planPiece == w.piecesSpawned && nowMs > bot.lastSeenMs) {
        const float dt = static_cast<float>(nowMs - bot.lastSeenMs);
        p.vx = (p.cx - bot.lastCx) / dt;
        p.vy = (p.cy - bot.lastCy) / dt;
    } else {
        p.vx = p.vy = 0;
    }
    bot.lastCx = p.cx;
    bot.lastCy = p.cy;
    bot.lastSeenMs = nowMs;
    static Pile pile;
    if (bot.planPiece != w.piecesSpawned) {
        bot.planPiece = w.piecesSpawned;
        pieceTouchedMs = 0;
        bot.pieceSeenMs = nowMs;
        bot.pieceLanded = false;
        bot.lastAngle = p.angle;
        bot.replanMs = nowMs + 250;
        ReadPile(w, pile);
        PlanCubesPiece(bot, w, pile, p, false);
    } else if (!bot.pieceLanded && nowMs >= bot.replanMs) {
        // The pile shifts and groups vanish while the piece is on its way: look again now and then.
        bot.replanMs = nowMs + 250;
        ReadPile(w, pile);
        PlanCubesPiece(bot, w, pile, p, true);
    }

    if (bot.pieceLanded) {
        // Set down: the next piece now rather than at the dump clock's pace, so more blocks meet their
        // colour before they freeze, unless the pile already reaches near the rim.
        if (PileTop(w) > CallWhileTopBelow) bot.held.keys |= BotSpace;
        return;
    }
    // Turning: aim at the angle the piece will have a few frames on, so it does not swing past.
    const float spin = WrapAngle(p.angle - bot.lastAngle);
    bot.lastAngle = p.angle;
    const float angleError = WrapAngle(bot.targetAngle - p.angle);
    const float turnError = WrapAngle(bot.targetAngle - (p.angle + spin * 6.0f));
    const bool turned = std::fabs(angleError) < 0.12f && std::fabs(spin) < 0.03f;
    if (w.detailInside && std::fabs(angleError) > 0.06f) {
        // Ctrl turns the piece's first edge towards smaller angles (anticlockwise on the screen, where y
        // grows downwards), Alt back.
        if (turnError > 0.06f) bot.held.keys |= BotAlt;
        if (turnError < -0.06f) bot.held.keys |= BotCtrl;
    }
    // Sideways: full push while the way left is longer than the way needed to stop.
    const float errorX = bot.targetX - p.cx;
    const float stopping = p.vx * p.vx / (2.0f * SideAccel);
    if (!(bot.held.keys & (BotCtrl | BotAlt)) && (std::fabs(errorX) > 1.5f || std::fabs(p.vx) > 0.01f)) {
        const bool towards = (errorX > 0) == (p.vx > 0);
        float push = errorX > 0 ? 1.0f : -1.0f;
        if (towards && stopping > std::fabs(errorX) - 1.0f) push = -push;
        if (std::fabs(errorX) <= 1.5f) push = p.vx > 0 ? -1.0f : 1.0f;
        bot.held.keys |= push > 0 ? BotRight : BotLeft;
    }
    if (!w.detailInside) return;
    const bool placed = std::fabs(errorX) < 3.0f && turned;
    // Held up all the way: it falls slowest so, which gives the most time to steer, and lands softly, so
    // that a group it completes is not crashed and frozen by the blow. Resting on the pile short of its
    // spot, Up lifts it off while the arrows carry it on. At its spot it is let go.
    const float above = bot.targetLandY - p.cy;
    const float leftMs = static_cast<float>(A_DUMP_TIME) - static_cast<float>(nowMs - bot.pieceSeenMs);
    const bool touching = PieceTouches(w, p);
    if (placed && touching) {
        bot.held.keys = 0;
        if (nowMs > bot.pieceSeenMs + 300) {
            bot.pieceLanded = true;
        }
        return;
    }
    if (touching) {
        // Short of its spot on the pile: lifted off while the arrows carry it on, for a short while; then
        // it stays where it is and the next piece comes.
        if (pieceTouchedMs == 0) pieceTouchedMs = nowMs;
        if (nowMs > pieceTouchedMs + GiveUpMs) {
            bot.held.keys = 0;
            bot.pieceLanded = true;
            return;
        }
        bot.held.keys |= BotUp;
        return;
    }
    // In the air: as slow as still lets it land before the next piece comes.
    const float wantVy = std::max(placed ? 0.12f : 0.08f, above / std::max(leftMs - 400.0f, 150.0f));
    if (p.vy > wantVy) bot.held.keys |= BotUp;
}

// PELORINA_CUBES_MAP=1: a picture of the glass in characters at each new piece (stderr).
void DrawMap(const Bot& bot, const PhysicsWorld& w) {
    static const bool on = std::getenv("PELORINA_CUBES_MAP") != nullptr;
    if (!on) return;
    std::fprintf(stderr, "piece %u target x=%.0f angle=%.2f\n", w.piecesSpawned, static_cast<double>(bot.targetX),
                 static_cast<double>(bot.targetAngle));
    PrintGlassMap(w);
}

}  // namespace

void PlayCubesGreedy(Bot& bot, const PhysicsWorld& w, uint64_t nowMs) {
    const uint32_t before = bot.planPiece;
    Piece p;
    PlayCubesGreedyKeys(bot, w, nowMs, p);
    if (p.count >= 2) Debug(bot, w, p, nowMs);
    if (before != bot.planPiece) DrawMap(bot, w);
}
