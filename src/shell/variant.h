// What makes each of the three programs its own: index, titles and the behaviour switches of its rule set.
#pragma once
#include <cstdint>

struct GameState;
struct PhysicsWorld;

struct Variant {
    int index;                 // 2 shapes, 1 chains, 0 cubes: the settings and records file number
    const char* name;          // "shapes", "chains", "cubes"
    const char* title;         // window title
    const char* titleRussian;  // window title of the Russian interface
    bool hidesCursorInPlay;    // the keyboard-played programs hide the system cursor during play
    // The rule set: puts its hooks into the world once at start.
    void (*installRules)(PhysicsWorld& world);
    // The player's controls and new pieces (game screen stages 4 to 6); returns whether the sweep line
    // removes marked blocks in this frame's step.
    bool (*controlFrame)(GameState& game, PhysicsWorld& world, uint64_t frameMs);
};

const Variant& ShapesVariant();
const Variant& ChainsVariant();
const Variant& CubesVariant();
