// Particle sparks: emission, the per-frame step and additive drawing.
#include "render/particles.h"

#include <cmath>

#include "platform/graphics.h"
#include "render/images.h"
#include "render/sprite_rect.h"

ParticleSystem particleSystem;

namespace {

// xorshift: the sparks must not take numbers from the physics' generator, or switching them off with F1
// would change how the blocks fall.
uint32_t NextRandom(ParticleSystem& system) {
    uint32_t s = system.randomState;
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    system.randomState = s;
    return s;
}

// Ages from the life time on wrap round: a particle in its last moment (880 ms) starts its set again.
int32_t WrappedAge(int32_t ageMs) {
    if (ageMs < 0) return 0;
    return ageMs % ParticleLifeMs;
}

}  // namespace

int ParticleSize(int32_t ageMs) {
    float a = static_cast<float>(WrappedAge(ageMs)) / ParticleLifeMs;
    return static_cast<int>(80.0f + 40.0f * (1.0f - a));
}

int ParticleFrame(int32_t ageMs) {
    return ParticleFrames * WrappedAge(ageMs) / ParticleLifeMs;
}

void EmitParticles(ParticleSystem& system, int count, float x, float y, float angleFrom, float angleTo,
                   float speedA, float speedB, int forceCount, const uint8_t* forceIds) {
    if (count <= 0) return;
    if (forceCount < 0 || !forceIds) forceCount = 0;
    if (forceCount > ParticleForceSlots) forceCount = ParticleForceSlots;
    int slot = 0;
    for (int i = 0; i < count; ++i) {
        while (slot < ParticleCapacity && !system.particles[slot].free) ++slot;
        if (slot == ParticleCapacity) return;  // pool full: the rest are not emitted
        Particle& p = system.particles[slot];
        float angle =
            (angleFrom + static_cast<float>(i) * (angleTo - angleFrom) / static_cast<float>(count)) * 3.14f /
            180.0f;
        float speed = (NextRandom(system) & 1) ? speedB : speedA;
        p.free = false;
        p.x = x;
        p.y = y;
        p.vx = std::cos(angle) * speed;
        p.vy = -std::sin(angle) * speed;  // screen y grows downwards
        p.fx = p.fy = 0.0f;
        p.ageMs = p.kickAgeMs = 0;
        p.forceCount = forceCount;
        for (int k = 0; k < forceCount; ++k) p.forceIds[k] = forceIds[k];
    }
}

void UpdateParticles(ParticleSystem& system, uint64_t frameMs) {
    for (ParticleForce& f : system.forces) f.used = false;
    int32_t step = frameMs > 1000000 ? 1000000 : static_cast<int32_t>(frameMs);
    for (Particle& p : system.particles) {
        if (p.free) continue;
        p.fx = p.fy = 0.0f;
        for (int k = 0; k < p.forceCount; ++k) {
            ParticleForce& f = system.forces[p.forceIds[k]];
            if (f.free) continue;  // a freed force adds nothing, but still counts in the average
            f.used = true;
            if (f.kind == ForcePull) {
                p.fx += (f.x - p.x) * f.gain;
                p.fy += (f.y - p.y) * f.gain;
            } else if (f.kind == ForceImpulse && p.kickAgeMs > f.periodMs) {
                p.kickAgeMs = 0;
                p.fy += f.impulse;
            }
        }
        if (p.forceCount > 0) {
            p.fx /= static_cast<float>(p.forceCount);
            p.fy /= static_cast<float>(p.forceCount);
        }
        p.vx += p.fx;
        p.vy += p.fy;
        // Whole pixels per frame: a slow spark creeps along one axis only.
        p.x += std::trunc(p.vx);
        p.y += std::trunc(p.vy);
        p.x = p.x < 0.0f ? 0.0f : (p.x > 480.0f ? 480.0f : p.x);
        p.y = p.y < 0.0f ? 0.0f : (p.y > 272.0f ? 272.0f : p.y);
        p.ageMs += step;
        p.kickAgeMs += step;
        if (p.ageMs > ParticleLifeMs) p.free = true;
    }
}

void DrawParticles(const ParticleSystem& system) {
    int set = images.particles;
    if (set < 0) return;
    SetAdditiveBlending(true);
    SetModulation(1, 1);
    SetTextureFactor(0x22FFFFFF);
    for (const Particle& p : system.particles) {
        if (p.free || p.ageMs < 0) continue;
        SetTextureFrame(set, ParticleFrame(p.ageMs));
        int size = ParticleSize(p.ageMs);
        DrawSpriteAt(set, static_cast<int>(p.x - static_cast<float>(size / 2)),
                     static_cast<int>(p.y - static_cast<float>(size / 2)), size, size);
    }
    SetModulation(0, 0);
    SetTextureFactor(0xFFFFFFFF);
    SetAdditiveBlending(false);
}

int AddParticleForce(ParticleSystem& system, int32_t kind, float x, float y, int32_t periodMs, float impulse,
                     float gain) {
    for (int id = 0; id < ParticleForceCapacity; ++id) {
        ParticleForce& f = system.forces[id];
        if (!f.free) continue;
        f = ParticleForce{};
        f.free = false;
        f.kind = kind;
        f.x = x;
        f.y = y;
        f.periodMs = periodMs;
        f.impulse = impulse;
        f.gain = gain;
        return id;
    }
    return -1;
}

void FreeParticleForce(ParticleSystem& system, int id) {
    if (id >= 0 && id < ParticleForceCapacity) system.forces[id].free = true;
}

void ResetParticles(ParticleSystem& system) {
    for (Particle& p : system.particles) p.free = true;
    for (ParticleForce& f : system.forces) f = ParticleForce{};
}

int LiveParticleCount(const ParticleSystem& system) {
    int live = 0;
    for (const Particle& p : system.particles) live += p.free ? 0 : 1;
    return live;
}

void EmitParticles(int count, float x, float y, float angleFrom, float angleTo, float speedA, float speedB,
                   int forceCount, const uint8_t* forceIds) {
    EmitParticles(particleSystem, count, x, y, angleFrom, angleTo, speedA, speedB, forceCount, forceIds);
}
void UpdateParticles(uint64_t frameMs) {
    UpdateParticles(particleSystem, frameMs);
}
void DrawParticles() {
    DrawParticles(particleSystem);
}
