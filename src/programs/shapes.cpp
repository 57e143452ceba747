// Entry point of the shapes program.
#include "shell/game_main.h"
#include "shell/variant.h"

int main(int argc, char** argv) { return GameMain(argc, argv, ShapesVariant()); }
