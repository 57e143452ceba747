// The keyboard control that chains and cubes share: pushing and turning the piece, and dumping new pieces.
#include "rules/keyboard_control.h"

#include <algorithm>
#include <cstdlib>

#include "audio/game_sounds.h"
#include "input/input.h"
#include "physics/world.h"
#include "rules/game.h"
#include "rules/pieces.h"
#include "rules/tuning.h"

namespace {

// Tutorial steps in which new pieces may come (-1 is normal play).
bool StepAllowsPieces(int step) {
    return step == -1 || step == 2 || step == 4 || step == 6 || step == 8 || step == 10 || step == 12;
}

// The upward thrust weakens the longer Up is held, but never below PH_MOVE_U_MIN.
float UpThrust(uint32_t upHeldMs) {
    const float fade = PH_MOVE_U_TIME > 0.0f ? 1.0f - static_cast<float>(upHeldMs) / PH_MOVE_U_TIME : 0.0f;
    return std::max(PH_MOVE_U * fade, PH_MOVE_U_MIN);
}

// The Detail atom at place k, or -1 when the place is empty or its atom has gone.
int DetailAtom(const PhysicsWorld& w, int k) {
    const uint16_t index = w.detailAtoms[k];
    return index != NoAtom && AtomInUse(w, index) ? index : -1;
}

int DetailPlaces(const PhysicsWorld& w) {
    return std::min<int>(w.detailCount, 4);
}

}  // namespace

void KeyboardControlFrame(GameState& g, PhysicsWorld& w, uint32_t buttons, uint64_t frameMs) {
    float dx = 0.0f;
    float dy = 0.0f;
    float torque = 0.0f;
    if (buttons & ButtonLeft) {
        dx = -PH_MOVE_VEL;
    } else if (buttons & ButtonRight) {
        dx = PH_MOVE_VEL;
    }

    const bool up = (buttons & ButtonUp) != 0;
    const bool down = (buttons & ButtonDown) != 0;
    if (down) {
        // Down wins over Up: the piece is pressed down and gets no lift.
        dy = PH_MOVE_D;
    } else if (up) {
        dy = -UpThrust(g.upHeldMs);
        g.upHeldMs += static_cast<uint32_t>(frameMs);
        // One thrust sound per press; a press that finds the channel still playing waits for it.
        if (!g.upSounded && !IsUpSoundBusy()) {
            PlayUpSound();
            g.upSounded = true;
        }
    }
    if (!up) {
        g.upHeldMs = 0;
        g.upSounded = false;
    }

    // A turn drifts the piece a little sideways instead of the arrows' push.
    if (buttons & ButtonCtrl) {
        torque = PH_ROTATION;
        dx = -PH_ROTATION_MOVE_LR;
    } else if (buttons & ButtonAlt) {
        torque = -PH_ROTATION;
        dx = PH_ROTATION_MOVE_LR;
    }

    SteerDetail(w, dx, dy);
    TurnDetail(w, torque);
}

void SteerDetail(PhysicsWorld& w, float dx, float dy) {
    // A piece that is still coming in cannot be lifted back out or pressed in faster.
    if (!w.detailInside) dy = 0.0f;
    const float scale = w.stepFactor * w.touchMultiplier;
    // Only the position moves: the displacement becomes velocity in the next Verlet step.
    for (int k = 0; k < DetailPlaces(w); ++k) {
        const int i = DetailAtom(w, k);
        if (i < 0) continue;
        w.atoms[i].x += dx * scale;
        w.atoms[i].y += dy * scale;
    }
}

void TurnDetail(PhysicsWorld& w, float torque) {
    if (!w.detailInside || torque == 0.0f) return;
    // The two atoms farthest apart; the first pair found wins a tie.
    int p = -1;
    int q = -1;
    float best = -1.0f;
    const int places = DetailPlaces(w);
    for (int a = 0; a < places; ++a) {
        const int i = DetailAtom(w, a);
        if (i < 0) continue;
        for (int b = a + 1; b < places; ++b) {
            const int j = DetailAtom(w, b);
            if (j < 0) continue;
            const float dx = w.atoms[j].x - w.atoms[i].x;
            const float dy = w.atoms[j].y - w.atoms[i].y;
            const float d2 = dx * dx + dy * dy;
            if (d2 > best) {
                best = d2;
                p = i;
                q = j;
            }
        }
    }
    if (p < 0) return;
    Atom& ap = w.atoms[p];
    Atom& aq = w.atoms[q];
    const float t = torque * w.touchMultiplier * w.stepFactor;
    // Perpendicular to the line P-Q: P one way, Q the other; half of it is kept out of the velocity.
    const float mx = -(aq.y - ap.y) * t;
    const float my = (aq.x - ap.x) * t;
    ap.x += mx;
    ap.y += my;
    ap.prevX += mx * 0.5f;
    ap.prevY += my * 0.5f;
    aq.x -= mx;
    aq.y -= my;
    aq.prevX -= mx * 0.5f;
    aq.prevY -= my * 0.5f;
}

void KeyboardTutorialPiece(int tutorialStep, int* kind, uint8_t colours[4]) {
    if (tutorialStep == 3) {
        // The first piece: a square of two colours, crosswise.
        *kind = PieceSquare;
        colours[0] = 0;
        colours[1] = 2;
        colours[2] = 0;
        colours[3] = 2;
    } else if (tutorialStep == 6) {
        // Chains: a bar whose two blocks of colour 0 can link to the square's.
        *kind = PieceBar;
        colours[0] = 2;
        colours[1] = 0;
        colours[2] = 0;
    }
}

bool DumpDue(const GameState& g, const PhysicsWorld& w, uint64_t nowMs, bool actionPressed) {
    if (!w.detailInside) return false;
    if (!StepAllowsPieces(g.tutorialStep)) return false;
    const uint32_t since = static_cast<uint32_t>(nowMs) - g.lastSpawnTime;
    if (since <= DumpIntervalMs) return false;
    if (actionPressed || g.pieceRequests > 0 || g.specialsToCreate > 0) return true;
    // The dump clock drops pieces by itself, but not during the tutorial or with a negative setting.
    return g.tutorialStep == -1 && A_DUMP_TIME >= 0 && since >= static_cast<uint32_t>(A_DUMP_TIME);
}

void CreateDumpedPieces(GameState& g, PhysicsWorld& w, uint64_t nowMs, bool actionPressed,
                        PieceColourDraw drawColours) {
    if (!DumpDue(g, w, nowMs, actionPressed)) return;
    const uint32_t now = static_cast<uint32_t>(nowMs);

    const TakenPiece taken = TakePiece(g);

    std::srand(now);
    uint8_t colours[4] = {0, 0, 0, 0};
    if (drawColours != nullptr) drawColours(g.tutorialStep, colours);
    int kind = std::rand() % 3;
    KeyboardTutorialPiece(g.tutorialStep, &kind, colours);
    PlacePiece(g, w, taken, kind, colours, now);
}
