// Cost of one physics frame on a full glass with a piece falling in (no rule passes).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "input/input.h"
#include "physics/step.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/tuning.h"

namespace {

// Eight settled rows of eleven blocks (the glass holds nine), then a corner piece dropped from the top.
void BuildFullGlass(PhysicsWorld& w) {
    w.hooks = PhysicsHooks{};
    w.hooks.variant = VariantChains;
    ResetWorld(w);
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 11; ++col) {
            float x = 13.0f + 24.0f * static_cast<float>(col) + ((row & 1) ? 6.0f : 0.0f);
            CreateAtom(w, x, 263.0f - 24.0f * static_cast<float>(row), static_cast<uint8_t>((row * 3 + col) % 5));
        }
    }
    for (int f = 0; f < 400; ++f) {
        StepWorld(w, 16, false);
        AdvanceClock(16);
    }
    int a = CreateAtom(w, 133, 12.5f, 0);
    int b = CreateAtom(w, 133, 36.5f, 1);
    int c = CreateAtom(w, 157, 36.5f, 2);
    CreateLink(w, a, b, -1, false, 1, false);
    CreateLink(w, b, c, -1, false, 1, false);
    CreateLink(w, c, a, b, false, 1, false);
    w.detailAtoms[0] = static_cast<uint16_t>(a);
    w.detailAtoms[1] = static_cast<uint16_t>(b);
    w.detailAtoms[2] = static_cast<uint16_t>(c);
    w.detailAtoms[3] = NoAtom;
    w.detailCount = 3;
    for (int k : {a, b, c}) {
        w.atoms[k].detailMembers[0] = static_cast<uint16_t>(a);
        w.atoms[k].detailMembers[1] = static_cast<uint16_t>(b);
        w.atoms[k].detailMembers[2] = static_cast<uint16_t>(c);
    }
}

void BM_StepWorldFullGlass(benchmark::State& state) {
    ResetTuningToDefaults();
    SetFixedClock(true);
    SetClockMs(100000);
    std::memset(input.keys, 0, sizeof input.keys);
    std::memset(input.previousKeys, 0, sizeof input.previousKeys);
    auto start = std::make_unique<PhysicsWorld>();
    BuildFullGlass(*start);
    auto w = std::make_unique<PhysicsWorld>(*start);
    int frames = 0;
    int atoms = 0;
    for (const Atom& a : start->atoms) atoms += (a.flags & FreeSlot) ? 0 : 1;
    for (auto _ : state) {
        // The piece falls for 90 frames (about 1.5 s), then the scene starts over.
        if (++frames == 90) {
            state.PauseTiming();
            *w = *start;
            frames = 0;
            state.ResumeTiming();
        }
        StepWorld(*w, 16, false);
        AdvanceClock(16);
        benchmark::DoNotOptimize(w->atoms[0].x);
    }
    state.counters["atoms"] = atoms;
    SetFixedClock(false);
}
BENCHMARK(BM_StepWorldFullGlass)->Unit(benchmark::kMicrosecond);

// Worst case: all 256 slots in use, squeezed into the glass and pressing on each other.
void BM_StepWorldEveryAtomSlot(benchmark::State& state) {
    ResetTuningToDefaults();
    SetFixedClock(true);
    SetClockMs(100000);
    auto w = std::make_unique<PhysicsWorld>();
    w->hooks.variant = VariantChains;
    ResetWorld(*w);
    for (int i = 0; i < MaxAtoms; ++i) {
        CreateAtom(*w, 14.0f + static_cast<float>((i * 23) % 250), 62.0f + static_cast<float>(i % 16) * 13.0f,
                   static_cast<uint8_t>(i % 5));
    }
    for (auto _ : state) {
        StepWorld(*w, 16, false);
        AdvanceClock(16);
        benchmark::DoNotOptimize(w->atoms[0].x);
    }
    SetFixedClock(false);
}
BENCHMARK(BM_StepWorldEveryAtomSlot)->Unit(benchmark::kMicrosecond);

}  // namespace
