// Atom contacts: the all-pairs pass and everything a touch sets off (bonus, crash, hits, ice, swap, notes).
#include <cmath>
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

// Everything a pass remembers between its contacts.
struct ContactPass {
    uint64_t now;        // ms clock, one reading per pass
    bool freeSounds;     // collisions away from the piece may sound
    bool detailEvents;   // the piece's sounds and crashes are live
    bool noteStarted;    // a collision note already started in this pass
};

bool IsMember(const Atom& a, int index) {
    for (uint16_t m : a.detailMembers) {
        if (m == index) return true;
    }
    return false;
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

// A hard hit on a block outside the piece knocks its ice off and restarts its freezing.
void BreakIce(PhysicsWorld& w, Atom& a) {
    if (static_cast<int64_t>(a.iceAge) > A_FREEZE_STAGE0_TIME) {
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

// Collision notes: the piece's touches and the louder touches of the pile, spaced to the music.
void CollisionSound(PhysicsWorld& w, ContactPass& pass, int i, int j, float c, bool inI, bool inJ) {
    const bool anyIn = inI || inJ;
    const bool considered =
        (c > 0.005f && pass.detailEvents && anyIn) || (c > 0.0075f && pass.freeSounds && !anyIn);
    if (!considered) return;
    Atom& a = w.atoms[i];
    Atom& b = w.atoms[j];
    const uint32_t now32 = static_cast<uint32_t>(pass.now);
    if (a.lastPartner == j && now32 - a.lastPartnerTime < 475) return;
    if (b.lastPartner == i && now32 - b.lastPartnerTime < 950) return;
    if (IsMember(a, j) || IsMember(b, i)) return;
    if (static_cast<int64_t>(pass.now - w.lastNoteMs) < w.noteDelayMs) return;

    if (!pass.noteStarted) {
        const char* effect = anyIn ? CollisionEffect : CollisionEffect2;
        if (w.hooks.variant == VariantShapes) {
            bool held = AtomInUse(w, static_cast<uint32_t>(w.grabbedAtom)) &&
                        (IsMember(w.atoms[w.grabbedAtom], i) || IsMember(w.atoms[w.grabbedAtom], j));
            effect = held ? CollisionEffect : CollisionEffect2;
        }
        float v = (c - 0.0034f) / 0.01f + 0.1f;
        if (v > 1.0f) v = 1.0f;
        if (!anyIn) v *= 0.355f;
        float pan = inJ ? GlassPan(w, b.x) : (inI ? GlassPan(w, a.x) : 0.0f);
        PlayCollisionNote(effect, v / 3.0f * w.collisionVolume, pan);
        // The spacing and the melody always follow the piece's effect.
        w.lastNoteMs = pass.now;
        w.noteDelayMs = EffectNoteDelay(CollisionEffect);
        AdvanceMelody(CollisionEffect);
        pass.noteStarted = true;
    }
    a.lastPartner = static_cast<uint16_t>(j);
    a.lastPartnerTime = now32;
    b.lastPartner = static_cast<uint16_t>(i);
    b.lastPartnerTime = now32;
    const Atom& at = inJ ? b : a;
    AddSpark(w, at.x, at.y);
}

// One touching pair, i < j, d = posJ - posI, r2 = |d|^2 < contactDistSq.
void Contact(PhysicsWorld& w, ContactPass& pass, int i, int j, float dx, float dy, float r2) {
    Atom& a = w.atoms[i];
    Atom& b = w.atoms[j];
    const float c = w.contactDistSq / (r2 + w.contactDistSq) - 0.5f;  // 0 < c <= 0.5
    const bool inI = DetailContains(w, i);
    const bool inJ = DetailContains(w, j);

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

    if (c > w.stepFactor * PH_DEAD_HIT_FORCE) {
        DeadHit(w, i, j, pass.now);
        if (a.flags & FreeSlot) return;
        DeadHit(w, j, i, pass.now);
        if (b.flags & FreeSlot) return;
    }

    if (c > w.stepFactor * PH_GOTTADIE_HIT_FORCE) {
        if (!inI) BreakIce(w, a);
        if (!inJ) BreakIce(w, b);
    }

    if (w.hooks.variant == VariantShapes) OfferSwap(w, i, j);

    if (a.colour == b.colour && a.colour != NoColour && w.hooks.contactHook) {
        w.hooks.contactHook(w, i, j);
        if ((a.flags & FreeSlot) || (b.flags & FreeSlot)) return;
    }

    CollisionSound(w, pass, i, j, c, inI, inJ);

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

}  // namespace

void CollideAtoms(PhysicsWorld& w, bool freeSounds, bool detailEvents) {
    // Atoms in use, ascending, with their positions side by side so the pair test streams through memory.
    uint16_t ids[MaxAtoms];
    float px[MaxAtoms], py[MaxAtoms];
    int n = 0;
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        if (a.flags & FreeSlot) continue;
        a.touch[0] = a.touch[1] = NoAtom;
        ids[n] = static_cast<uint16_t>(i);
        px[n] = a.x;
        py[n] = a.y;
        ++n;
    }

    // Reloads the positions after a removal or blast; removed atoms go far apart so they never touch.
    auto reload = [&]() {
        for (int k = 0; k < n; ++k) {
            const Atom& a = w.atoms[ids[k]];
            if (a.flags & FreeSlot) {
                px[k] = 1.0e15f * static_cast<float>(k + 1);
                py[k] = 0.0f;
            } else {
                px[k] = a.x;
                py[k] = a.y;
            }
        }
    };

    ContactPass pass{NowMs(), freeSounds, detailEvents, false};
    const float contact = w.contactDistSq;
    uint32_t epoch = w.removeEpoch;
    for (int p = 0; p < n; ++p) {
        const int i = ids[p];
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
            const int j = ids[q];
            Contact(w, pass, i, j, dx, dy, r2);
            if (w.removeEpoch != epoch) {
                epoch = w.removeEpoch;
                reload();
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
