// The piece shapes that shapes and chains drop into the glass, and the level-start row.
#pragma once
#include <cstdint>

struct PhysicsWorld;

enum PieceKind : int {
    PieceCorner = 0,      // three blocks in an L
    PieceBar = 1,         // three blocks in a row
    PieceSquare = 2,      // four blocks
    PieceLevelStart = 3,  // the six-block row of colours 0..5 held at the top when a level starts
};

// Where new pieces appear (glass coordinates, px).
constexpr float PieceSpawnX = 133.0f;
constexpr float PieceSpawnY = 12.5f;
// Most atoms a piece has (the level-start row).
constexpr int MaxPieceAtoms = 6;

// Creates a piece of the kind at (x, y) with colours[0..3] (the fourth only for the square). Kinds 0..2
// become the controlled piece (the world's Detail) with one random shade; the level-start row starts the
// world's level-start clock instead. Fills atomsOut (MaxPieceAtoms entries) when given; returns the
// number of atoms created, 0 for an unknown kind.
int CreatePiece(PhysicsWorld& w, float x, float y, int kind, const uint8_t colours[4],
                int* atomsOut = nullptr);
