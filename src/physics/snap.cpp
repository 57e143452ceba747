// The lock grid: frozen blocks find a free 24-pixel cell, move into it and lock there.
#include <cmath>

#include "physics/step.h"
#include "platform/clock.h"
#include "rules/tuning.h"

namespace {

// Neighbouring cells tried when the block's own cell is taken: below, above, then the left and right columns.
constexpr int SnapOffsets[8][2] = {{0, 1}, {0, -1}, {-1, 0}, {-1, 1}, {-1, -1}, {1, 0}, {1, 1}, {1, -1}};

int CellOf(int col, int row) { return col + (row - GridFirstRow) * GridColumns; }

bool CellFree(const PhysicsWorld& w, int col, int row) {
    int cell = CellOf(col, row);
    return !w.lockedCell[cell] && !w.reservedCell[cell];
}

// Raster index of a coordinate, held to lo..hi: blocks above, left or right of the grid aim at its edge.
int GridIndex(float v, int lo, int hi) {
    float cells = v / 24.0f;
    if (!(cells >= static_cast<float>(lo))) return lo;  // also NaN
    if (cells >= static_cast<float>(hi)) return hi;
    return static_cast<int>(cells);
}

}  // namespace

void SnapPass(PhysicsWorld& w) {
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        if ((a.flags & FreeSlot) || !a.snapping || a.locked) continue;

        int col, row;
        if (a.hasTarget && a.targetCol >= 0 && a.targetCol < GridColumns && a.targetRow >= GridFirstRow &&
            a.targetRow <= GridLastRow) {
            col = a.targetCol;
            row = a.targetRow;
        } else {
            a.hasTarget = 0;
            col = GridIndex(a.x, 0, GridColumns - 1);
            row = GridIndex(a.y, GridFirstRow, GridLastRow);
            if (CellFree(w, col, row)) {
                a.targetCol = col;
                a.targetRow = row;
                a.hasTarget = 1;
            } else {
                for (const auto& o : SnapOffsets) {
                    int c = col + o[0], r = row + o[1];
                    if (c < 1 || c > GridColumns - 1 || r < GridFirstRow + 1 || r > GridLastRow) continue;
                    if (!CellFree(w, c, r)) continue;
                    col = c;
                    row = r;
                    a.targetCol = col;
                    a.targetRow = row;
                    a.hasTarget = 1;
                    break;
                }
                // No free neighbour: the block aims at its own cell without claiming it as a target.
            }
        }

        const int cell = CellOf(col, row);
        const float cx = static_cast<float>(col * 24) + 12.0f;
        const float cy = static_cast<float>(row * 24) + 11.5f;
        float dx = a.x - cx, dy = a.y - cy;
        float d2 = dx * dx + dy * dy;
        a.x = a.prevX = cx;
        a.y = a.prevY = cy;
        if (d2 < 64.0f) {
            a.locked = 1;
            a.hitsLeft = A_DEAD_HITS;
            a.lastDeadHit = static_cast<uint32_t>(NowMs());
            w.lockedCell[cell] = 1;
            a.cellIndex = static_cast<uint32_t>(cell);
            a.cellRow = static_cast<uint32_t>(row);
        } else {
            w.reservedCell[cell] = 1;
        }
    }
}
