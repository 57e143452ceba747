// Entry point of the cubes program.
#include "shell/game_main.h"
#include "shell/variant.h"

int main(int argc, char** argv) { return GameMain(argc, argv, CubesVariant()); }
