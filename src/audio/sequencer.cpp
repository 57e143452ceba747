// The music sequencer: playlist order, tact lookup, the note choice and spacing of collision notes.
#include "audio/sequencer.h"

#include <algorithm>
#include <cmath>

namespace {

// Redraws that a random choice may take to avoid repeating itself before it steps to the next value;
// with a fair source it never comes to that, and a stuck one cannot hang the game.
constexpr int RedrawLimit = 64;

int DrawOtherThan(NoteRandom random, int count, int avoid) {
    int r = random() % count;
    if (count < 2) return r;
    for (int tries = 0; r == avoid && tries < RedrawLimit; ++tries) r = random() % count;
    if (r == avoid) r = (r + 1) % count;
    return r;
}

// Which of a tact's k chords sounds: they share the tact evenly.
int ChordIndex(const TactState& state, int k) {
    if (k <= 1) return 0;
    const float share = state.tactLength / static_cast<float>(k);
    if (!(share > 0.0f)) return 0;
    const float q = static_cast<float>(state.positionInTact) / share;
    if (!(q >= 0.0f)) return 0;
    if (q >= static_cast<float>(k - 1)) return k - 1;
    return static_cast<int>(q);
}

int32_t ToDelayMs(float ms) {
    if (!(ms > 0.0f)) return 0;
    if (ms >= 2147483520.0f) return INT32_MAX;  // the largest float below 2^31
    return static_cast<int32_t>(ms);
}

}  // namespace

bool LocateTact(const MusicMoment& moment, TactState& state) {
    const TrackTiming* timing = moment.timing;
    if (timing == nullptr || timing->tactCount == 0) return false;
    const int n = timing->tactCount;
    const uint32_t pos = moment.positionMs;
    if (timing->timed) {
        // The time of the last tact only closes the one before it.
        int i = 1;
        while (i < n && pos >= timing->tacts[i].timeMs) ++i;
        if (i >= n) return false;
        const int64_t end = timing->tacts[i].timeMs;
        state.tactIndex = static_cast<uint32_t>(i - 1);
        state.tactLength = static_cast<float>(end - static_cast<int64_t>(timing->tacts[i - 1].timeMs));
        state.positionInTact = static_cast<int32_t>(std::min<int64_t>(end - pos, INT32_MAX));
    } else {
        // The track is cut into n even tacts.
        if (moment.lengthMs == 0) return false;
        state.tactLength = static_cast<float>(moment.lengthMs) / static_cast<float>(n);
        const float index = std::floor(static_cast<float>(pos) / state.tactLength);
        if (!(index < static_cast<float>(n))) return false;
        state.tactIndex = static_cast<uint32_t>(index);
        state.positionInTact = static_cast<int32_t>(static_cast<float>(pos) - index * state.tactLength);
    }
    const Tact& tact = timing->tacts[state.tactIndex];
    state.repeat = tact.repeat;
    state.chord = tact.chordCount > 0 ? tact.chords[ChordIndex(state, tact.chordCount)] : RestName;
    state.notes = nullptr;
    state.noteCount = 0;
    return true;
}

bool ComputeTactState(const MusicMoment& moment, const Effect& effect, TactState& state) {
    if (!LocateTact(moment, state)) return false;
    if (state.chord == RestName) return false;
    state.notes = FindChord(effect, state.chord);
    state.noteCount = state.notes != nullptr ? state.notes->noteCount : 0;
    return state.noteCount > 0;
}

Melody* RunningMelody(Effect& effect) {
    const int key = effect.melodyKey;
    if (key < 1 || key > MelodySizeCount || effect.melodyIndex >= effect.melodyCount[key - 1]) return nullptr;
    return &effect.melodies[key - 1][effect.melodyIndex];
}

const Melody* RunningMelody(const Effect& effect) {
    return RunningMelody(const_cast<Effect&>(effect));
}

int PickEffectNote(const MusicMoment& moment, Effect& effect, NoteRandom random) {
    TactState state;
    if (!ComputeTactState(moment, effect, state)) return -1;
    const int n = state.noteCount;
    int index = 0;
    if (!effect.melodic) {
        index = DrawOtherThan(random, n, effect.lastNote);
        effect.lastNote = index;
    } else if (effect.currentChord != state.chord) {
        // A new chord always starts on its first note, with a melody chosen for its size.
        effect.currentChord = state.chord;
        effect.melodyKey = n < MelodySizeCount ? n : MelodySizeCount;
        const int melodies = effect.melodyCount[effect.melodyKey - 1];
        effect.melodyIndex = 0;
        if (melodies == 0) return -1;
        effect.melodyIndex = static_cast<uint32_t>(random() % melodies);
        effect.melodies[effect.melodyKey - 1][effect.melodyIndex].position = 0;
        index = 0;
    } else {
        const Melody* melody = RunningMelody(effect);
        if (melody == nullptr || melody->position >= melody->stepCount) return -1;
        index = melody->steps[melody->position].index;
        if (index < 0 || index >= n) return -1;
    }
    const NameId name = state.notes->notes[index];
    if (name == RestName) return -1;
    return FindNoteSound(effect, name);
}

int32_t EffectNoteDelay(const MusicMoment& moment, const Effect& effect) {
    TactState state;
    if (!LocateTact(moment, state)) return 0;
    const float tactLength = state.tactLength > 0.0f ? state.tactLength : 0.0f;
    // Eight notes a tact, times its repeat.
    const float eighths =
        state.repeat > 0 ? tactLength / (static_cast<float>(state.repeat) * 8.0f) : tactLength;
    if (!effect.melodic) return ToDelayMs(eighths);
    // A melodic effect that has not started a melody yet (only the other effect has played, or its
    // chord has no melody) keeps the plain spacing.
    const Melody* melody = RunningMelody(effect);
    if (melody == nullptr || melody->position >= melody->stepCount) return ToDelayMs(eighths);
    const MelodyStep& step = melody->steps[melody->position];
    if (step.len <= 0) return ToDelayMs(tactLength);
    return ToDelayMs(tactLength / static_cast<float>(step.len) * static_cast<float>(melody->tact) * 0.5f);
}

void AdvanceMelody(const MusicMoment& moment, Effect& effect, uint64_t nowMs, NoteRandom random) {
    if (!effect.melodic) return;
    Melody* melody = RunningMelody(effect);
    if (melody == nullptr) return;
    const uint32_t now = static_cast<uint32_t>(nowMs);
    bool restart = false;
    if (melody->position > 1) {
        const int64_t pause = static_cast<uint32_t>(now - melody->lastStepTime);
        if (pause > 2 * static_cast<int64_t>(EffectNoteDelay(moment, effect))) restart = true;
    }
    melody->lastStepTime = now;
    melody->position += 1;
    if (melody->position >= melody->stepCount) restart = true;
    if (!restart) return;
    // Another melody of the same size; the one left starts from its beginning when it comes back.
    const int count = effect.melodyCount[effect.melodyKey - 1];
    effect.melodyIndex =
        static_cast<uint32_t>(DrawOtherThan(random, count, static_cast<int>(effect.melodyIndex)));
    melody->position = 0;
}

int PlayableTrackFrom(const MusicScore& score, uint32_t from) {
    const uint32_t n = score.playlistCount;
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t i = (from + k) % n;
        if (score.playlist[i].sound >= 0) return static_cast<int>(i);
    }
    return -1;
}

int NextTrack(const MusicScore& score, uint32_t current) {
    if (current < score.playlistCount && score.playlist[current].plays == 0 &&
        score.playlist[current].sound >= 0) {
        return static_cast<int>(current);
    }
    return PlayableTrackFrom(score, current + 1);
}
