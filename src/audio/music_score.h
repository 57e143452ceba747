// The music score: the playlist, the tact and chord tables of the tracks, and the note effects, read from
// music/music.xml.
//
// Everything lives in fixed arrays sized here; the loader refuses entries beyond a capacity (it drops them,
// the rest of the score still loads) and never trusts a count or an index from the file. Nothing is
// allocated once the score is loaded. Names (chords and notes) are interned: the score compares small
// name ids while the game plays, never strings.
#pragma once
#include <cstdint>
#include <string_view>

constexpr int MusicPathLength = 256;     // folder + file name, with its terminating zero
constexpr int MusicNameLength = 32;      // a chord or note name, with its terminating zero
constexpr int MusicNameCapacity = 512;   // distinct chord and note names of the whole score
// Tracks of the playlist; more are left out. The holiday song has a place of its own, and the mixer's 16
// streams must also leave one for the donate song.
constexpr int PlaylistCapacity = 14;
constexpr int TrackTimingCapacity = 32;  // tracks with tact tables
constexpr int TactCapacity = 512;        // tacts of one track
constexpr int TactChordCapacity = 8;     // chords sharing one tact
constexpr int EffectCapacity = 8;        // note effects
constexpr int EffectKeyLength = 64;      // folder + effect name, with its terminating zero
constexpr int EffectNoteCapacity = 64;   // named note samples of one effect
constexpr int EffectChordCapacity = 64;  // chords of one effect
constexpr int ChordNoteCapacity = 8;     // notes of one chord
constexpr int MelodySizeCount = 5;       // melodies are written for chords of 1 to 5 notes (5: five or more)
constexpr int MelodyCapacity = 8;        // melodies of one chord size
constexpr int MelodyStepCapacity = 64;   // steps of one melody
constexpr int SplitListCapacity = 64;    // names of one comma list
constexpr int SplitListTextLength = 1024;  // characters of a comma list that are looked at

// Name ids: 0 is the empty name (a rest in a tact); UnknownName stands for a name that did not fit the
// table and matches nothing, so it behaves as a name the score never defines.
using NameId = int16_t;
constexpr NameId RestName = 0;
constexpr NameId InvalidChordName = 1;  // "invalid_chord": no melodic chord has sounded yet
constexpr NameId UnknownName = -1;

struct PlaylistEntry {
    int sound = -1;                   // the stream; -1 when it did not open (a failed holiday song)
    char path[MusicPathLength] = {};  // folder + file name, exactly as opened
    int32_t plays = 0;                // 0: loops for good; otherwise played once per pass of the playlist
    int16_t timing = -1;              // index into the tact tables, -1 when the track has none
};

struct Tact {
    NameId chords[TactChordCapacity] = {};  // in playing order; RestName is a rest
    uint8_t chordCount = 0;                 // at least 1 once loaded
    uint32_t timeMs = 0;                    // start of the tact in the track (timed tracks only)
    int32_t repeat = 1;                     // divides the note spacing
};

struct TrackTiming {
    char key[MusicPathLength] = {};  // folder + track file name: matches a playlist path
    bool timed = false;              // tacts start at given times; otherwise the track is cut evenly
    uint16_t tactCount = 0;
    Tact tacts[TactCapacity];
};

struct EffectNote {
    NameId name = UnknownName;
    int sound = -1;  // the sample, -1 when it did not open: the note stays silent
};

struct EffectChord {
    NameId name = UnknownName;
    uint8_t noteCount = 0;
    NameId notes[ChordNoteCapacity] = {};  // note index -> note name
};

struct MelodyStep {
    int32_t len = 0;    // divides the tact length into this step's note spacing
    int32_t index = 0;  // which note of the sounding chord
};

struct Melody {
    int32_t tact = 0;           // multiplies the note spacing
    uint32_t position = 0;      // next step to play
    uint32_t lastStepTime = 0;  // low 32 bits of the ms clock when the last step was played
    uint16_t stepCount = 0;
    MelodyStep steps[MelodyStepCapacity];
};

constexpr uint32_t EffectFree = 0x40000000;  // flags: the slot holds no effect

struct Effect {
    uint32_t flags = EffectFree;
    char key[EffectKeyLength] = {};  // folder + effect name, e.g. "music/collision"
    bool melodic = false;            // follows melodies; otherwise random notes, never one twice in a row
    uint16_t noteCount = 0;
    EffectNote notes[EffectNoteCapacity];
    uint16_t chordCount = 0;
    EffectChord chords[EffectChordCapacity];
    // melodies[size - 1] are written for chords of `size` notes.
    uint16_t melodyCount[MelodySizeCount] = {};
    Melody melodies[MelodySizeCount][MelodyCapacity];
    // What the sequencer chose last.
    int32_t lastNote = -1;                   // random: the last note index
    NameId currentChord = InvalidChordName;  // melodic: the chord the running melody belongs to
    int32_t melodyKey = -1;                  // melodic: chord size whose melodies are in use (1..5)
    uint32_t melodyIndex = 0;                // melodic: the running melody among them
};

struct MusicScore {
    uint16_t nameCount = 0;
    char names[MusicNameCapacity][MusicNameLength] = {};
    // The holiday song, when there is one, is entry 0 and the file's tracks follow.
    uint16_t playlistCount = 0;
    PlaylistEntry playlist[PlaylistCapacity + 1];
    uint16_t timingCount = 0;
    TrackTiming timings[TrackTimingCapacity];
    Effect effects[EffectCapacity];
};

// How the score opens its sounds: the mixer in the game, a recorder in tests. Both return -1 on failure.
struct SoundOpener {
    int (*loadStream)(void* context, const char* path, uint32_t mode) = nullptr;
    int (*loadSample)(void* context, const char* path, uint32_t mode) = nullptr;
    void* context = nullptr;
};
// Opens through AudioLoadStream and AudioLoadSample.
SoundOpener MixerSoundOpener();

// Empties the score: no tracks, no effects, only the two built-in names.
void ResetMusicScore(MusicScore& score);

// Reads folder + file. With holiday set and "<folder>../data/ukazatel2.tga" readable as XML, the holiday
// song "<folder>../data/pelorinas_cs.png" leads the playlist, played once a pass, with the holiday
// document's tact tables. False on an unreadable file, a missing root or playlist, a missing required
// attribute or a playlist track that does not open; the game cannot go on without its music.
bool LoadMusicScore(MusicScore& score, const char* folder, const char* file, bool holiday,
                    const SoundOpener& opener);

// A comma list of names: spaces are dropped everywhere, an empty attribute or a leading comma gives an
// empty first name, and the list ends at the first other empty name ("a,,b" is just "a").
struct SplitNames {
    char text[SplitListTextLength] = {};  // the names, each ended by a zero
    int count = 0;
    std::string_view names[SplitListCapacity];
};
void SplitList(const char* text, SplitNames& out);

// "HH:MM:SS.cc" in ms; anything but a digit counts 0, and so do missing characters.
uint32_t ParseTimeMs(const char* text);

// An integer read like atoi, without the locale: blanks, a sign, the leading digits; none gives 0.
int32_t ParseScoreInt(const char* text);

// The id of a name, adding it when new; UnknownName when it is too long or the table is full.
NameId InternName(MusicScore& score, std::string_view name);
// The id of a name already known, UnknownName otherwise.
NameId FindName(const MusicScore& score, std::string_view name);
const char* NameText(const MusicScore& score, NameId id);

// The effect under key, created empty with its starting choices the first time a key is named.
// nullptr only when the key is too long or every effect slot is taken.
Effect* FindEffect(MusicScore& score, const char* key);
const EffectChord* FindChord(const Effect& effect, NameId name);
// The sample of a note, -1 when the effect has no such note.
int FindNoteSound(const Effect& effect, NameId name);
// The tact table of a track path, nullptr when it has none.
const TrackTiming* FindTiming(const MusicScore& score, const char* path);
