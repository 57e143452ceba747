// The removal pass of shapes and chains: marked atoms whose time has come become points, bar energy,
// floating scores, ghosts and removal sounds.
#include <cmath>
#include <cstdlib>

#include "audio/game_sounds.h"
#include "physics/world.h"
#include "rules/game.h"
#include "rules/tuning.h"

namespace {

constexpr float RemovalSoundVolume = 0.33f;
// Points of a crashed piece's atoms: their floating text is the crash picture.
constexpr int32_t CrashPoints = 300;
// The sweep line takes marked atoms strictly within this distance of it (px).
constexpr float SweepReach = 12.0f;

bool DueForRemoval(const PhysicsWorld& w, const Atom& a, bool sweepEnabled) {
    if (A_FREEZE_ACTIVE_TIME >= 0 || !sweepEnabled) {
        // An atom nobody marked or timed is never due, even when the tuned time is 0 or negative
        // (otherwise every block in the glass would vanish at once).
        if (!a.marked && a.markTime == 0) return false;
        return a.markTime >= A_FREEZE_ACTIVE_TIME;
    }
    return a.marked && std::fabs(a.y - w.sweepLineY) < SweepReach;
}

}  // namespace

void RemovalPass(GameState& g, PhysicsWorld& w, uint64_t, bool sweepEnabled) {
    // The ghost order counts within this pass's batch: ghosts of one colour follow 30 ms apart, and a
    // count kept over the whole game would delay later ghosts by seconds.
    for (int32_t& count : w.colourRemovals) count = 0;
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        if (a.flags & FreeSlot) continue;
        if (!DueForRemoval(w, a, sweepEnabled)) continue;
        a.marked = 0;
        a.markTime = 0;
        const float x = a.x;
        const float y = a.y;
        const int32_t points = a.points;
        int order = 0;
        if (a.colour < sizeof w.colourRemovals / sizeof w.colourRemovals[0])
            order = w.colourRemovals[a.colour]++;
        RemoveAtom(w, i, order);

        const int sound =
            (g.removalSoundIndex >= 0 && g.removalSoundIndex < RemovalSoundCount) ? g.removalSoundIndex : 0;
        PlayRemovalSound(sound, RemovalSoundVolume, GlassPan(w, x));
        g.removalSoundIndex = sound + 1 < RemovalSoundCount ? sound + 1 : 0;

        AddScore(w, static_cast<int64_t>(g.level + 1) * points);
        w.barEnergy += static_cast<float>(points) * A_ATOM2BAR_MULT / 100.0f;
        const float tx = x + static_cast<float>(std::rand() % 7) - 6.0f;
        const float ty = y + static_cast<float>(std::rand() % 7) - 6.0f;
        AddFloatingText(w, tx, ty, points == CrashPoints ? TextCrashPoints : TextRemovalPoints, nullptr);
        ++w.atomsRemoved;
    }
}

void RemovalPass(PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled) {
    RemovalPass(game, w, frameMs, sweepEnabled);
}
