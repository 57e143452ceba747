// What makes each of the three programs its own: index, titles and the behaviour switches of its rule set.
#pragma once

struct Variant {
    int index;                 // 2 shapes, 1 chains, 0 cubes: the settings and records file number
    const char* name;          // "shapes", "chains", "cubes"
    const char* title;         // window title
    const char* titleRussian;  // window title of the Russian interface
    bool hidesCursorInPlay;    // the keyboard-played programs hide the system cursor during play
};

const Variant& ShapesVariant();
const Variant& ChainsVariant();
const Variant& CubesVariant();
