// Bot players: idle, masher, greedy and the tutorial follower, for the keyboard games and for shapes.
#include "bots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "physics/world.h"
#include "rules/game.h"

namespace {

// The glass is drawn 96 px right and 48 px up of its own coordinates.
constexpr float GlassScreenX = 96.0f;
constexpr float GlassScreenY = -48.0f;
constexpr float Spacing = 24.0f;

uint64_t Uniform(Bot& bot, uint64_t low, uint64_t high) {
    return std::uniform_int_distribution<uint64_t>(low, high)(bot.random);
}

int ScreenX(float glassX) { return static_cast<int>(glassX + GlassScreenX); }
int ScreenY(float glassY) { return static_cast<int>(glassY + GlassScreenY); }

bool InUse(const PhysicsWorld& w, int i) {
    return i >= 0 && i < MaxAtoms && !(w.atoms[i].flags & FreeSlot);
}

bool InDetail(const PhysicsWorld& w, int i) {
    for (uint16_t d : w.detailAtoms) {
        if (d == i) return true;
    }
    return false;
}

bool Coloured(const Atom& a) { return a.colour != NoColour && !a.snapping; }

// ---- Keyboard masher: a random key about five times a second, each held for a short press. ----------

void MashKeys(Bot& bot, uint64_t nowMs) {
    for (int k = 0; k < BotKeyCount; ++k) {
        if ((bot.held.keys & (1u << k)) && nowMs >= bot.releaseAtMs[k]) bot.held.keys &= ~(1u << k);
    }
    if (nowMs < bot.nextPressMs) return;
    const int k = static_cast<int>(Uniform(bot, 0, BotKeyCount - 1));
    bot.held.keys |= 1u << k;
    bot.releaseAtMs[k] = nowMs + Uniform(bot, 60, 160);
    bot.nextPressMs = nowMs + Uniform(bot, 100, 300);
}

// ---- Keyboard greedy: steer each piece above the spot where its colours meet their own colour. -------

struct PieceView {
    int count = 0;
    int atoms[4] = {};
    float cx = 0, cy = 0;  // px, centre of the piece's blocks
    float vx = 0, vy = 0;  // px a step, mean speed
    float topY = 0;        // px, its highest block
    float angle = 0;       // rad, direction from its first block to its second
};

float WrapAngle(float a) {
    while (a > 3.14159265f) a -= 6.2831853f;
    while (a < -3.14159265f) a += 6.2831853f;
    return a;
}

PieceView ViewPiece(const PhysicsWorld& w) {
    PieceView p;
    for (uint16_t d : w.detailAtoms) {
        if (d == NoAtom || !InUse(w, d)) continue;
        const Atom& a = w.atoms[d];
        p.atoms[p.count++] = d;
        p.cx += a.x;
        p.cy += a.y;
        p.vx += a.x - a.prevX;
        p.vy += a.y - a.prevY;
    }
    if (p.count == 0) return p;
    p.cx /= static_cast<float>(p.count);
    p.cy /= static_cast<float>(p.count);
    p.vx /= static_cast<float>(p.count);
    p.vy /= static_cast<float>(p.count);
    if (p.count >= 2) {
        const Atom& a = w.atoms[p.atoms[0]];
        const Atom& b = w.atoms[p.atoms[1]];
        p.angle = std::atan2(b.y - a.y, b.x - a.x);
    }
    p.topY = w.floorY;
    for (int k = 0; k < p.count; ++k) p.topY = std::min(p.topY, w.atoms[p.atoms[k]].y);
    return p;
}

// Where a block dropped at x comes to rest: on the highest block below it, or on the floor.
float LandingY(const PhysicsWorld& w, float x) {
    float top = w.floorY + Spacing * 0.5f;
    for (int i = 0; i < MaxAtoms; ++i) {
        if (!InUse(w, i) || InDetail(w, i)) continue;
        const Atom& a = w.atoms[i];
        if (std::fabs(a.x - x) < Spacing * 0.8f) top = std::min(top, a.y);
    }
    return top - Spacing;
}

// The highest block resting in the glass (the piece excluded), px from the top.
float StackTop(const PhysicsWorld& w) {
    float top = w.floorY;
    for (int i = 0; i < MaxAtoms; ++i) {
        if (!InUse(w, i) || InDetail(w, i)) continue;
        top = std::min(top, w.atoms[i].y);
    }
    return top;
}

// Length of the chain that atom `end` belongs to (chains), walking from it along its neighbours.
int ChainLength(const PhysicsWorld& w, int end) {
    int length = 1, previous = -1, at = end;
    while (length < 16) {
        const Atom& a = w.atoms[at];
        int next = -1;
        for (uint32_t k = 0; k < a.neighbourCount && k < 2; ++k) {
            const uint32_t n = a.neighbour[k];
            if (n < MaxAtoms && static_cast<int>(n) != previous) next = static_cast<int>(n);
        }
        if (next < 0 || !InUse(w, next)) break;
        previous = at;
        at = next;
        ++length;
    }
    return length;
}

// How well a block of `colour` would sit at (x, y): same-coloured blocks it would touch, counted by how
// much they help the game's rule (a free chain end, more for a longer chain, in chains; a pair waiting
// for its third in cubes).
float SpotValue(const PhysicsWorld& w, int variant, uint8_t colour, float x, float y) {
    float value = 0;
    for (int i = 0; i < MaxAtoms; ++i) {
        if (!InUse(w, i) || InDetail(w, i)) continue;
        const Atom& b = w.atoms[i];
        if (!Coloured(b) || b.colour != colour || b.marked) continue;
        const float dx = b.x - x, dy = b.y - y;
        if (dx * dx + dy * dy > 32.0f * 32.0f) continue;
        if (variant == VariantChains) {
            if (b.neighbourCount < 2) value += 1.0f + 0.5f * static_cast<float>(ChainLength(w, i));
        } else {
            value += 1.0f;
            if (b.touch[0] != NoAtom || b.touch[1] != NoAtom) value += 1.0f;
        }
    }
    return value;
}

// Chooses where the piece goes and which way round, so that its colours land on their own colours: each
// quarter turn of the piece at each place, its blocks dropped straight down. A turn costs a little (it
// takes time and drifts the piece), a half turn more.
void PlanPiece(Bot& bot, const PhysicsWorld& w, const PieceView& p) {
    float best = -1e9f;
    bot.targetX = p.cx;
    bot.targetAngle = p.angle;
    constexpr float Quarter = 1.5707963f;
    for (int turn = 0; turn < 4; ++turn) {
        const float theta = Quarter * static_cast<float>(turn);
        const float c = std::cos(theta), s = std::sin(theta);
        float offX[4] = {}, offY[4] = {};
        for (int k = 0; k < p.count; ++k) {
            const Atom& a = w.atoms[p.atoms[k]];
            offX[k] = (a.x - p.cx) * c - (a.y - p.cy) * s;
            offY[k] = (a.x - p.cx) * s + (a.y - p.cy) * c;
        }
        const float turnCost = turn == 0 ? 0.0f : (turn == 2 ? 0.6f : 0.3f);
        for (float cx = 16.0f; cx <= w.glassWidth - 16.0f; cx += 4.0f) {
            float value = -turnCost;
            bool fits = true;
            for (int k = 0; k < p.count; ++k) {
                const float x = cx + offX[k];
                if (x < 10.0f || x > w.glassWidth - 10.0f) {
                    fits = false;
                    break;
                }
                const float y = LandingY(w, x) - offY[k];
                value += SpotValue(w, bot.variant, w.atoms[p.atoms[k]].colour, x, y);
                // Low spots keep the glass open; a spot near the rim is a risk.
                value += 0.004f * y;
                if (y < 90.0f) value -= 3.0f;
            }
            if (!fits) continue;
            value -= 0.002f * std::fabs(cx - p.cx);
            if (value > best) {
                best = value;
                bot.targetX = cx;
                bot.targetAngle = WrapAngle(p.angle + theta);
            }
        }
    }
}

// PELORINA_CHAINS_MAP=1: a picture of the glass in characters at each new piece (stderr).
void DrawChainsMap(const Bot& bot, const PhysicsWorld& w) {
    static const bool on = std::getenv("PELORINA_CHAINS_MAP") != nullptr;
    if (!on) return;
    std::fprintf(stderr, "piece %u target x=%.0f\n", w.piecesSpawned, static_cast<double>(bot.targetX));
    PrintGlassMap(w);
}

void PlayKeyboardGreedy(Bot& bot, const PhysicsWorld& w, uint64_t nowMs) {
    bot.held.keys = 0;
    const PieceView p = ViewPiece(w);
    if (p.count == 0) {
        // No piece to steer (all of it frozen or removed): ask for the next one.
        if (StackTop(w) > 80.0f) bot.held.keys |= BotSpace;
        return;
    }
    if (bot.planPiece != w.piecesSpawned) {
        bot.planPiece = w.piecesSpawned;
        bot.pieceSeenMs = nowMs;
        bot.pieceLanded = false;
        bot.landedMs = 0;
        PlanPiece(bot, w, p);
        bot.lastAngle = p.angle;
        DrawChainsMap(bot, w);
    }
    // Resting: on the pile or the floor, hardly moving any more.
    if (w.detailInside && nowMs > bot.pieceSeenMs + 300 && std::fabs(p.vy) < 0.03f && std::fabs(p.vx) < 0.1f)
        bot.pieceLanded = true;

    // Turning: Ctrl turns the piece's first edge towards smaller angles (anticlockwise on the screen,
    // whose y grows downwards), Alt back; the piece is held at its angle, aiming at the angle it will
    // have a few frames on so that it does not swing past.
    const float spin = WrapAngle(p.angle - bot.lastAngle);
    bot.lastAngle = p.angle;
    const float turnError = WrapAngle(bot.targetAngle - (p.angle + spin * 6.0f));
    if (w.detailInside && !bot.pieceLanded && std::fabs(WrapAngle(bot.targetAngle - p.angle)) > 0.15f) {
        if (turnError > 0.1f) bot.held.keys |= BotAlt;
        if (turnError < -0.1f) bot.held.keys |= BotCtrl;
    }
    // Sideways: aim where the piece will be a few steps on, so it does not swing past the spot.
    const float ahead = p.cx + p.vx * 12.0f;
    const float error = bot.targetX - ahead;
    if (error > 2.0f) bot.held.keys |= BotRight;
    if (error < -2.0f) bot.held.keys |= BotLeft;
    // Above the spot and entirely inside the glass: drop it.
    const bool turned = std::fabs(WrapAngle(bot.targetAngle - p.angle)) < 0.3f;
    if (std::fabs(bot.targetX - p.cx) < 6.0f && turned && w.detailInside && !bot.pieceLanded)
        bot.held.keys |= BotDown;

    // Once it rests, it is rolled for half a second (one way for one piece, the other way for the next),
    // so that its blocks rub against their neighbours and link with those of their colour; then the next
    // piece, unless the pile is already high: then the dump clock brings it.
    if (bot.pieceLanded && bot.landedMs == 0) bot.landedMs = nowMs;
    if (bot.pieceLanded && nowMs < bot.landedMs + 500) {
        bot.held.keys |= (w.piecesSpawned % 2) ? BotCtrl : BotAlt;
    } else if (bot.pieceLanded && nowMs > bot.pieceSeenMs + 400 && StackTop(w) > 130.0f) {
        bot.held.keys |= BotSpace;
    }

    // PELORINA_CHAINS_DEBUG=1: the piece and the keys held, frame by frame (stderr).
    static const bool debug = std::getenv("PELORINA_CHAINS_DEBUG") != nullptr;
    if (debug) {
        std::fprintf(stderr, "t=%llu piece=%u in=%u cx=%.1f cy=%.1f vx=%.2f tx=%.1f ang=%.3f/%.3f landed=%d keys=%x\n",
                     static_cast<unsigned long long>(nowMs), w.piecesSpawned, w.detailInside, static_cast<double>(p.cx),
                     static_cast<double>(p.cy), static_cast<double>(p.vx), static_cast<double>(bot.targetX),
                     static_cast<double>(p.angle), static_cast<double>(bot.targetAngle), bot.pieceLanded ? 1 : 0,
                     bot.held.keys);
    }
}

// ---- Shapes: gestures with the mouse. ----------------------------------------------------------------

// The piece of `member` would be one colour if `changed` took colour `colour`: the game's own test, which
// reads the colours shown now, so a piece still flashing from a swap is left alone until it settles.
bool UniformAfter(const PhysicsWorld& w, int member, int changed, uint8_t colour) {
    const Atom& m = w.atoms[member];
    int first = -1;
    int count = 0;
    for (uint16_t id : m.detailMembers) {
        if (id == NoAtom || !InUse(w, id)) continue;
        const Atom& a = w.atoms[id];
        if (a.colourFlash || a.marked || !Coloured(a)) return false;
        const int c = id == changed ? colour : a.colour;
        if (first < 0) first = c;
        if (c != first) return false;
        ++count;
    }
    return count >= 2;
}

bool SamePiece(const Atom& a, int b) {
    for (uint16_t id : a.detailMembers) {
        if (id == b) return true;
    }
    return false;
}

bool RecentlyFailed(const Bot& bot, int grab, int target, uint64_t nowMs) {
    for (const Bot::FailedSwap& f : bot.failed) {
        if (f.untilMs > nowMs && f.grab == grab && f.target == target) return true;
    }
    return false;
}

// The best swap: one that completes two pieces, else one, the nearest pair first. False when none.
bool FindSwap(const Bot& bot, const PhysicsWorld& w, uint64_t nowMs, int* grab, int* target) {
    float bestValue = -1;
    for (int i = 0; i < MaxAtoms; ++i) {
        if (!InUse(w, i)) continue;
        const Atom& a = w.atoms[i];
        if (!Coloured(a) || a.marked || a.colourFlash || a.detailMembers[0] == NoAtom || a.y < 40.0f) continue;
        for (int j = 0; j < MaxAtoms; ++j) {
            if (j == i || !InUse(w, j)) continue;
            const Atom& b = w.atoms[j];
            if (!Coloured(b) || b.marked || b.colourFlash || b.detailMembers[0] == NoAtom || b.y < 40.0f) continue;
            if (b.colour == a.colour || SamePiece(a, j)) continue;
            const float dx = a.x - b.x, dy = a.y - b.y;
            const float d2 = dx * dx + dy * dy;
            if (d2 > 70.0f * 70.0f) continue;
            const int completes = (UniformAfter(w, i, i, b.colour) ? 1 : 0) + (UniformAfter(w, j, j, a.colour) ? 1 : 0);
            if (completes == 0 || RecentlyFailed(bot, i, j, nowMs)) continue;
            const float value = static_cast<float>(completes) * 10000.0f - d2;
            if (value > bestValue) {
                bestValue = value;
                *grab = i;
                *target = j;
            }
        }
    }
    return bestValue > 0;
}

// Plays the gesture under way; returns false once it is over.
bool PlayGesture(Bot& bot, const PhysicsWorld& w, uint64_t nowMs) {
    MouseGesture& g = bot.gesture;
    const uint64_t t = nowMs - g.startMs;
    BotControls& c = bot.held;
    switch (g.kind) {
        case MouseGesture::None:
            return false;
        case MouseGesture::DoubleClick:
            c.mouseX = g.fromX;
            c.mouseY = g.fromY;
            c.leftButton = (t >= 15 && t < 45) || (t >= 75 && t < 105);
            return t < 120;
        case MouseGesture::Drag: {
            const float share = std::clamp(static_cast<float>(t) / 300.0f, 0.0f, 1.0f);
            c.mouseX = g.fromX + static_cast<int>(static_cast<float>(g.toX - g.fromX) * share);
            c.mouseY = g.fromY + static_cast<int>(static_cast<float>(g.toY - g.fromY) * share);
            c.leftButton = t >= 15 && t < 330;
            return t < 345;
        }
        case MouseGesture::Swap: {
            if (!InUse(w, g.grabAtom) || !InUse(w, g.targetAtom) || (w.grabbedAtom == -1 && t >= 200)) {
                c.leftButton = false;
                return false;
            }
            const Atom& a = w.atoms[g.grabAtom];
            const Atom& b = w.atoms[g.targetAtom];
            if (t < 15 || w.grabbedAtom == -1) {
                // Over the block, then press on it.
                c.mouseX = ScreenX(a.x);
                c.mouseY = ScreenY(a.y);
                c.leftButton = t >= 15;
                return true;
            }
            // A swap offered with the aimed-at block, or with any block that also completes a piece.
            const int offered = w.swapTarget;
            if (offered == g.targetAtom ||
                (offered >= 0 && InUse(w, offered) && w.grabbedAtom == g.grabAtom &&
                 (UniformAfter(w, g.grabAtom, g.grabAtom, w.atoms[offered].colour) ||
                  UniformAfter(w, offered, offered, a.colour)))) {
                c.leftButton = false;
                return false;
            }
            if (g.abortMs == 0 && (w.grabbedAtom != g.grabAtom || t > 1500)) {
                // Another block was picked up, or this one cannot get there: leave the pair alone for a
                // while and back out without swapping.
                g.abortMs = nowMs;
                bot.failed[bot.nextFailed] = {g.grabAtom, g.targetAtom, nowMs + 8000};
                bot.nextFailed = (bot.nextFailed + 1) % 8;
            }
            if (g.abortMs != 0) {
                // Carry the held block up into free space until no swap is offered, then let go.
                const Atom& held = w.atoms[w.grabbedAtom];
                c.mouseX = ScreenX(held.x);
                c.mouseY = ScreenY(std::max(held.y - 40.0f, 20.0f));
                c.leftButton = w.swapTarget != -1 && nowMs < g.abortMs + 1000;
                return c.leftButton;
            }
            c.mouseX = ScreenX(b.x);
            c.mouseY = ScreenY(b.y);
            c.leftButton = true;
            return true;
        }
    }
    return false;
}

void StartGesture(Bot& bot, MouseGesture::Kind kind, uint64_t nowMs) {
    bot.gesture = MouseGesture{};
    bot.gesture.kind = kind;
    bot.gesture.startMs = nowMs;
}

void PlayShapesMasher(Bot& bot, const PhysicsWorld& w, uint64_t nowMs) {
    if (PlayGesture(bot, w, nowMs)) return;
    bot.held.leftButton = false;
    if (bot.gesture.kind != MouseGesture::None) {
        bot.gesture.kind = MouseGesture::None;
        bot.nextGestureMs = nowMs + Uniform(bot, 30, 150);
    }
    if (nowMs < bot.nextGestureMs) return;
    const bool drag = Uniform(bot, 0, 1) == 1;
    StartGesture(bot, drag ? MouseGesture::Drag : MouseGesture::DoubleClick, nowMs);
    MouseGesture& g = bot.gesture;
    g.fromX = static_cast<int>(Uniform(bot, 100, 370));
    g.fromY = static_cast<int>(Uniform(bot, 10, 225));
    g.toX = std::clamp(g.fromX + static_cast<int>(Uniform(bot, 0, 120)) - 60, 100, 370);
    g.toY = std::clamp(g.fromY + static_cast<int>(Uniform(bot, 0, 120)) - 60, 10, 225);
}

void PlayShapesGreedy(Bot& bot, const GameState& game, const PhysicsWorld& w, uint64_t nowMs) {
    if (PlayGesture(bot, w, nowMs)) return;
    bot.held.leftButton = false;
    if (bot.gesture.kind != MouseGesture::None) {
        bot.gesture.kind = MouseGesture::None;
        // A short pause between moves, as a player's eye needs.
        bot.nextGestureMs = nowMs + 150;
    }
    if (nowMs < bot.nextGestureMs) return;
    int grab = -1, target = -1;
    if (FindSwap(bot, w, nowMs, &grab, &target)) {
        bot.stuckSinceMs = 0;
        StartGesture(bot, MouseGesture::Swap, nowMs);
        bot.gesture.grabAtom = grab;
        bot.gesture.targetAtom = target;
        return;
    }
    // Nothing to complete: more pieces, none being on their way. With the glass nearly full it first
    // waits a little for the pile to settle, then takes the risk: waiting for ever would never end.
    if (game.pieceRequests > 0 || !w.detailInside) return;
    if (StackTop(w) < 90.0f) {
        if (bot.stuckSinceMs == 0) bot.stuckSinceMs = nowMs;
        if (nowMs < bot.stuckSinceMs + 5000) return;
    }
    bot.stuckSinceMs = 0;
    StartGesture(bot, MouseGesture::DoubleClick, nowMs);
    bot.gesture.fromX = 234;
    bot.gesture.fromY = 60;
}

}  // namespace

// The glass in characters, a row of 12 px a line and a column of 6 px a character: digits are colours,
// letters marked blocks, '#' blocks without a colour, '*' the player's piece.
void PrintGlassMap(const PhysicsWorld& w) {
    char rows[24][48];
    for (auto& r : rows) {
        for (char& c : r) c = ' ';
        r[47] = 0;
    }
    for (int i = 0; i < MaxAtoms; ++i) {
        if (!InUse(w, i)) continue;
        const Atom& a = w.atoms[i];
        const int col = std::clamp(static_cast<int>(a.x / 6.0f), 0, 46);
        const int row = std::clamp(static_cast<int>(a.y / 12.0f), 0, 23);
        char c = Coloured(a) ? static_cast<char>('0' + a.colour) : '#';
        if (a.marked) c = static_cast<char>('a' + a.colour);
        if (InDetail(w, i)) c = '*';
        rows[row][col] = c;
    }
    for (auto& r : rows) std::fprintf(stderr, "|%s|\n", r);
}

void StartBot(Bot& bot, BotKind kind, int variant, uint32_t seed) {
    bot = Bot{};
    bot.kind = kind;
    bot.variant = variant;
    bot.random.seed(seed);
}

const BotControls& BotFrame(Bot& bot, const GameState& g, const PhysicsWorld& w, uint64_t nowMs) {
    const bool shapes = bot.variant == VariantShapes;
    switch (bot.kind) {
        case BotKind::Idle:
            bot.held = BotControls{};
            break;
        case BotKind::Masher:
            if (shapes) {
                PlayShapesMasher(bot, w, nowMs);
            } else {
                MashKeys(bot, nowMs);
            }
            break;
        case BotKind::Greedy:
            if (shapes) {
                PlayShapesGreedy(bot, g, w, nowMs);
            } else if (bot.variant == VariantCubes) {
                PlayCubesGreedy(bot, w, nowMs);
            } else {
                PlayKeyboardGreedy(bot, w, nowMs);
            }
            break;
        case BotKind::Follower:
            // Does what the tutorial asks ("Press space", "Press Arrowkeys", "Hold on space!!!") the way
            // a new player does: taps Space every 320 ms and Left every 3 s.
            bot.held.keys = 0;
            if (nowMs % 320 < 60) bot.held.keys |= BotSpace;
            if (nowMs % 3000 < 60) bot.held.keys |= BotLeft;
            break;
    }
    return bot.held;
}

const char* BotName(BotKind kind) {
    switch (kind) {
        case BotKind::Idle: return "idle";
        case BotKind::Masher: return "masher";
        case BotKind::Greedy: return "greedy";
        case BotKind::Follower: return "follower";
    }
    return "?";
}

bool BotByName(const char* name, BotKind* kind) {
    for (BotKind k : {BotKind::Idle, BotKind::Masher, BotKind::Greedy, BotKind::Follower}) {
        if (std::strcmp(name, BotName(k)) == 0) {
            *kind = k;
            return true;
        }
    }
    return false;
}
