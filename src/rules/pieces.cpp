// The piece shapes: atoms with their outline sprites, the springs that hold them, and the diagonal braces.
#include "rules/pieces.h"

#include <cstdlib>

#include "physics/world.h"
#include "platform/clock.h"

namespace {

struct AtomPlan {
    float dx, dy;         // offset from the piece position, in spacings
    float dyPixels;       // extra vertical offset, px
    uint32_t spriteKind;  // outline picture
    float spriteAngle;    // degrees
};

struct LinkPlan {
    int a, b;    // atoms of the piece, 0-based
    int keeper;  // atom of the piece whose removal also frees the brace; -1 = none
};

struct PiecePlan {
    int atomCount;
    AtomPlan atoms[4];
    int linkCount;
    LinkPlan links[8];
};

// Kinds 0..2. Diagonals carry a keeper: the corner between the two ends, so a piece that loses that
// corner does not keep a spring across the gap.
constexpr PiecePlan Plans[3] = {
    // Corner: top, bottom-left, bottom-right.
    {3, {{0, 0, 0, 0, 0}, {0, 1, 0, 2, 0}, {1, 1, 0, 0, 90}}, 3, {{0, 1, -1}, {1, 2, -1}, {2, 0, 1}}},
    // Bar: left, middle, right.
    {3, {{-1, 0, 0, 0, -90}, {0, 0, 0, 1, 90}, {1, 0, 0, 0, 90}}, 3, {{0, 1, -1}, {2, 0, 1}, {1, 2, -1}}},
    // Square: top-left, top-right, bottom-left, bottom-right, one pixel higher than the others.
    {4,
     {{0, 0, -1, 2, 90}, {1, 0, -1, 2, 180}, {0, 1, -1, 2, 0}, {1, 1, -1, 2, -90}},
     8,
     {{1, 2, 0}, {1, 2, 3}, {0, 3, 2}, {0, 3, 1}, {0, 1, -1}, {3, 2, -1}, {1, 3, -1}, {2, 0, -1}}},
};

// The level-start row: six blocks of colours 0..5 in a line, held together with three braces.
constexpr float LevelStartY = 36.0f;
constexpr float LevelStartX[MaxPieceAtoms] = {32, 68, 104, 140, 176, 212};
constexpr LinkPlan LevelStartLinks[8] = {{0, 1, -1}, {1, 2, -1}, {2, 3, -1}, {3, 4, -1},
                                         {4, 5, -1}, {2, 0, 1},  {4, 1, 2},  {5, 3, 4}};

// Piece edges are rigid and keep the length they were created with.
void Brace(PhysicsWorld& w, const int* atoms, const LinkPlan& link) {
    const int keeper = link.keeper >= 0 ? atoms[link.keeper] : -1;
    CreateLink(w, atoms[link.a], atoms[link.b], keeper, false, 1.0f, false);
}

}  // namespace

int CreatePiece(PhysicsWorld& w, float x, float y, int kind, const uint8_t colours[4], int* atomsOut) {
    if (kind < PieceCorner || kind > PieceLevelStart) return 0;
    w.specialTaken = 0;
    w.piecesSpawned += 1;
    for (uint16_t& d : w.detailAtoms) d = NoAtom;
    w.detailTouching = 0;

    int atoms[MaxPieceAtoms] = {-1, -1, -1, -1, -1, -1};
    int count = 0;
    if (kind == PieceLevelStart) {
        for (int k = 0; k < MaxPieceAtoms; ++k) {
            atoms[k] = CreateAtom(w, LevelStartX[k], LevelStartY, static_cast<uint8_t>(k));
            w.atoms[atoms[k]].introAtom = 1;
        }
        for (const LinkPlan& link : LevelStartLinks) Brace(w, atoms, link);
        w.detailCount = 0;
        w.levelStartCreated = 1;
        w.levelStartMs = NowMs();
        count = MaxPieceAtoms;
    } else {
        const PiecePlan& plan = Plans[kind];
        const float s = w.spacing;
        for (int k = 0; k < plan.atomCount; ++k) {
            const AtomPlan& p = plan.atoms[k];
            atoms[k] = CreateAtom(w, x + p.dx * s, y + p.dy * s + p.dyPixels, colours[k]);
            Atom& a = w.atoms[atoms[k]];
            a.spriteKind = p.spriteKind;
            a.spriteAngle = p.spriteAngle;
        }
        for (int k = 0; k < plan.linkCount; ++k) Brace(w, atoms, plan.links[k]);
        // 63, 127, 191 or 255.
        const uint32_t shade =
            static_cast<uint32_t>(static_cast<float>(1 + std::rand() % 4) * 255.0f * 0.25f);
        for (int k = 0; k < plan.atomCount; ++k) {
            Atom& a = w.atoms[atoms[k]];
            a.shade = shade;
            for (int m = 0; m < 4; ++m) {
                a.detailMembers[m] = m < plan.atomCount ? static_cast<uint16_t>(atoms[m]) : NoAtom;
            }
            w.detailAtoms[k] = static_cast<uint16_t>(atoms[k]);
        }
        w.detailCount = static_cast<uint8_t>(plan.atomCount);
        count = plan.atomCount;
    }
    if (atomsOut != nullptr) {
        for (int k = 0; k < MaxPieceAtoms; ++k) atomsOut[k] = atoms[k];
    }
    return count;
}
