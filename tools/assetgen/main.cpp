// The asset generator: draws every image of the games into the game folder given on the command line.
#include <cstdio>
#include <string>

#include "assetgen.h"
#include "canvas.h"

namespace {

// Every generator, in the order they run. Adding a family of files is one line here.
void (*const kGenerators[])() = {
    GenerateBackground,
    GenerateLogo,
    GenerateSplash,
    GenerateHudFrame,
    GenerateIcon,
    GenerateMessageBar,
    GeneratePointer,
    GenerateBlocks,
    GenerateLinks,
    GenerateOutlines,
    GenerateMarks,
    GenerateIce,
    GenerateGlows,
    GenerateSparks,
    GenerateGhosts,
    GenerateParticles,
    GenerateScoreTexts,
    GenerateDigits,
    GenerateBars,
    GenerateRecords,
    GenerateLevelBanner,
    GenerateDonateScreens,
    GenerateEffectSounds,
    GenerateMusic,
    GenerateAudioSummary,
};

}  // namespace

int main(int argc, char** argv) {
    // The menu icons are installed with the games, not part of the game folder.
    if (argc == 3 && std::string(argv[1]) == "--icons") {
        SetOutputFolder(argv[2]);
        return GenerateMenuIcons() ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen OUTDIR | assetgen --icons OUTDIR\n");
        return 2;
    }
    SetOutputFolder(argv[1]);
    for (auto generate : kGenerators) generate();
    std::printf("assetgen: %d files written to %s\n", FilesWritten(), argv[1]);
    return FilesFailed() == 0 ? 0 : 1;
}
