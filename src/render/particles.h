// Particle sparks of the screens: a pool of 256 glowing sparks moved by a table of shared forces.
#pragma once
#include <cstdint>

constexpr int ParticleCapacity = 256;
constexpr int ParticleForceCapacity = 256;
constexpr int ParticleForceSlots = 32;  // force ids one particle follows
constexpr int ParticleLifeMs = 880;
constexpr int ParticleFrames = 19;  // frames of the spark set data/ba_0..18

enum ParticleForceKind : int32_t {
    ForcePull = 0,     // towards a point: (point - position) x gain
    ForceImpulse = 1,  // a kick on the vertical speed every period ms
};

struct ParticleForce {
    bool free = true;
    bool used = false;  // followed by a live particle in the last update
    int32_t kind = ForcePull;
    float x = 0, y = 0;    // px, the point a pull aims at
    int32_t periodMs = 0;  // ms between two kicks
    float impulse = 0;     // px/frame added to the vertical speed per kick
    float gain = 0;        // share of the distance a pull adds per frame
};

struct Particle {
    bool free = true;
    float x = 0, y = 0;     // px, screen
    float vx = 0, vy = 0;   // px per frame
    float fx = 0, fy = 0;   // px per frame^2, the force of the last update
    int32_t ageMs = 0;      // ms since emission
    int32_t kickAgeMs = 0;  // ms since the last kick of an impulse force
    int32_t forceCount = 0;
    uint8_t forceIds[ParticleForceSlots] = {};
};

struct ParticleSystem {
    Particle particles[ParticleCapacity];
    ParticleForce forces[ParticleForceCapacity];
    uint32_t randomState = 0x2545F491u;  // the sparks' own random numbers; the physics keeps its own
};

// The screens' particles.
extern ParticleSystem particleSystem;

// count particles from (x, y): particle i flies at angleFrom + i (angleTo - angleFrom) / count degrees
// (0 = right, 90 = up) with speedA or speedB px/frame at random, following the given forces. Particles
// that find no free slot are not emitted.
void EmitParticles(ParticleSystem& system, int count, float x, float y, float angleFrom, float angleTo,
                   float speedA, float speedB, int forceCount, const uint8_t* forceIds);
void EmitParticles(int count, float x, float y, float angleFrom, float angleTo, float speedA, float speedB,
                   int forceCount, const uint8_t* forceIds);
// One step per frame (not scaled by time): forces averaged, speed, move by whole pixels, clamp to the
// screen, age; particles older than 880 ms are freed.
void UpdateParticles(ParticleSystem& system, uint64_t frameMs);
void UpdateParticles(uint64_t frameMs);
// The live particles, additive and faint, growing smaller through the spark set as they age.
void DrawParticles(const ParticleSystem& system);
void DrawParticles();

// A force in the lowest free slot; -1 when the table is full.
int AddParticleForce(ParticleSystem& system, int32_t kind, float x, float y, int32_t periodMs, float impulse,
                     float gain);
void FreeParticleForce(ParticleSystem& system, int id);
// Everything free again.
void ResetParticles(ParticleSystem& system);

// Size in pixels of a particle of this age: 120 at birth, shrinking towards 80; ages of 880 ms and more
// wrap round (a particle is drawn for the last time at 880 ms, with the look of its birth).
int ParticleSize(int32_t ageMs);
// Frame of the spark set for this age, 0..18.
int ParticleFrame(int32_t ageMs);
int LiveParticleCount(const ParticleSystem& system);
