// The music score music/music.xml, and the holiday document beside it: the input is the score, and
// when it holds a zero byte, what follows the zero is the holiday document.
#include <cstring>
#include <memory>
#include <string_view>

#include "audio/music_score.h"
#include "fuzz/fuzz_support.h"

namespace {

// Stands in for the mixer: any sound opens, except those whose file name starts with "x", so the
// loader's reaction to a sound that will not open is fuzzed too.
int Open(void*, const char* path, uint32_t) {
    const char* slash = std::strrchr(path, '/');
    const char* name = slash != nullptr ? slash + 1 : path;
    return name[0] == 'x' ? -1 : 7;
}

bool KnownName(const MusicScore& score, NameId id) {
    return id == UnknownName || (id >= 0 && id < score.nameCount);
}

void CheckScore(const MusicScore& score, bool holidayLoaded) {
    FUZZ_CHECK(score.nameCount >= 2 && score.nameCount <= MusicNameCapacity);
    for (int i = 0; i < score.nameCount; ++i) {
        FUZZ_CHECK(strnlen(score.names[i], MusicNameLength) < MusicNameLength);
    }
    FUZZ_CHECK(score.playlistCount <= PlaylistCapacity + (holidayLoaded ? 1 : 0));
    FUZZ_CHECK(score.timingCount <= TrackTimingCapacity);
    for (int i = 0; i < score.playlistCount; ++i) {
        const PlaylistEntry& entry = score.playlist[i];
        FUZZ_CHECK(strnlen(entry.path, MusicPathLength) < MusicPathLength);
        FUZZ_CHECK(entry.timing >= -1 && entry.timing < score.timingCount);
        if (entry.timing >= 0) FUZZ_CHECK(std::strcmp(score.timings[entry.timing].key, entry.path) == 0);
        // Only the holiday song may have failed to open; the game cannot play a track without a stream.
        if (!(holidayLoaded && i == 0)) FUZZ_CHECK(entry.sound >= 0);
    }
    for (int t = 0; t < score.timingCount; ++t) {
        const TrackTiming& timing = score.timings[t];
        FUZZ_CHECK(timing.tactCount <= TactCapacity);
        for (int k = 0; k < timing.tactCount; ++k) {
            const Tact& tact = timing.tacts[k];
            FUZZ_CHECK(tact.chordCount >= 1 && tact.chordCount <= TactChordCapacity);
            for (int c = 0; c < tact.chordCount; ++c) FUZZ_CHECK(KnownName(score, tact.chords[c]));
        }
    }
    for (const Effect& effect : score.effects) {
        if (effect.flags & EffectFree) continue;
        FUZZ_CHECK(strnlen(effect.key, EffectKeyLength) < EffectKeyLength);
        FUZZ_CHECK(effect.noteCount <= EffectNoteCapacity && effect.chordCount <= EffectChordCapacity);
        for (int n = 0; n < effect.noteCount; ++n) {
            FUZZ_CHECK(effect.notes[n].name >= 0 && effect.notes[n].name < score.nameCount);
            for (int m = 0; m < n; ++m) FUZZ_CHECK(effect.notes[m].name != effect.notes[n].name);
        }
        for (int c = 0; c < effect.chordCount; ++c) {
            const EffectChord& chord = effect.chords[c];
            FUZZ_CHECK(chord.name >= 0 && chord.name < score.nameCount);
            FUZZ_CHECK(chord.noteCount <= ChordNoteCapacity);
            for (int n = 0; n < chord.noteCount; ++n) FUZZ_CHECK(KnownName(score, chord.notes[n]));
            FUZZ_CHECK(FindChord(effect, chord.name) != nullptr);
        }
        for (int size = 0; size < MelodySizeCount; ++size) {
            FUZZ_CHECK(effect.melodyCount[size] <= MelodyCapacity);
            for (int m = 0; m < effect.melodyCount[size]; ++m) {
                FUZZ_CHECK(effect.melodies[size][m].stepCount <= MelodyStepCapacity);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::EnterScratchFolder();
    static std::unique_ptr<MusicScore> score;
    if (!score) {
        score = std::make_unique<MusicScore>();
        std::filesystem::create_directory("music");
        std::filesystem::create_directory("data");
    }
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    size_t scoreBytes = zero != nullptr ? static_cast<size_t>(zero - data) : size;
    bool holiday = zero != nullptr;
    if (!fuzz::WriteFile("music/music.xml", data, scoreBytes)) return 0;
    if (holiday && !fuzz::WriteFile("data/ukazatel2.tga", zero + 1, size - scoreBytes - 1)) return 0;
    if (!holiday) std::remove("data/ukazatel2.tga");

    SoundOpener opener{Open, Open, nullptr};
    if (!LoadMusicScore(*score, "music/", "music.xml", holiday, opener)) return 0;
    bool holidayLoaded = score->playlistCount > 0 &&
                         std::strcmp(score->playlist[0].path, "music/../data/pelorinas_cs.png") == 0;
    CheckScore(*score, holidayLoaded);
    return 0;
}
