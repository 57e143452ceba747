// The game flow shared by the three programs.
#include "rules/game.h"

#include "rules/tuning.h"

GameState game;

void SetInitialGameValues(GameState& g) { g.mistakesAllowed = A_MISTAKES; }
