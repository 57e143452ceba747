// The music sequencer: which track of the playlist plays next, where the playing track is in its tacts,
// and which note of the sounding chord a collision plays and how soon the next may follow.
//
// Pure logic over the score and a moment of the music (position and length in ms); music.cpp and
// collision_notes.cpp ask the mixer for the moment and play what this file chooses.
#pragma once
#include <cstdint>

#include "audio/music_score.h"
#include "platform/audio_device.h"

constexpr float MusicVolume = 0.7f;  // every track of the playlist

// Where the playing track is.
struct MusicMoment {
    const TrackTiming* timing = nullptr;  // the playing track's tacts; nullptr: no music or no tact table
    uint32_t positionMs = 0;
    uint32_t lengthMs = 0;  // the whole track
};

// Where the music is at one moment, worked out afresh for every question.
struct TactState {
    float tactLength = 0.0f;  // ms
    int32_t repeat = 1;       // the tact's note-spacing divisor
    uint32_t tactIndex = 0;
    NameId chord = RestName;             // the chord that sounds now
    const EffectChord* notes = nullptr;  // that chord in the asked effect
    int32_t noteCount = 0;
    // ms into the tact; in a timed tact the ms left until it ends, so its last-listed chord sounds first.
    int32_t positionInTact = 0;
};

// The random source of the note choice, 0..32767 like std::rand (the shell seeds that one).
using NoteRandom = int (*)();

// The current tact and its chord; false when no tact is current (no music, no tact table, a timed
// track past its last tact, an untimed track of unknown length).
bool LocateTact(const MusicMoment& moment, TactState& state);
// As LocateTact, then also false for a rest or a chord the effect does not define.
bool ComputeTactState(const MusicMoment& moment, const Effect& effect, TactState& state);
// The sample of the note to play now, -1 for none. A random effect never repeats its last note (with
// two notes or more); a melodic effect starts every new chord on its note 0 and then walks the running
// melody. A score that points past a chord's notes or lacks a melody gives -1.
int PickEffectNote(const MusicMoment& moment, Effect& effect, NoteRandom random);
// ms before the next collision note: eight notes a tact times the tact's repeat for a random effect, the
// step's share of the tact times the melody's tact / 2 for a melodic one. A step len or repeat of 0 or
// below falls back to the whole tact; a melodic effect without a running melody step spaces its notes as
// a random one; with no current tact there is nothing to wait for (0).
int32_t EffectNoteDelay(const MusicMoment& moment, const Effect& effect);
// Moves the running melody on by a step; after its last step, or after a pause of more than twice the
// note spacing once two steps have played, another melody of the same chord size takes over.
void AdvanceMelody(const MusicMoment& moment, Effect& effect, uint64_t nowMs, NoteRandom random);
// The melody the effect is walking, nullptr when there is none.
Melody* RunningMelody(Effect& effect);
const Melody* RunningMelody(const Effect& effect);

// The first entry from `from` on, wrapping, that has a sound; -1 when none has.
int PlayableTrackFrom(const MusicScore& score, uint32_t from);
// The entry to play when `current` has ended: the same one when it plays for good, else the next
// playable one; -1 when none is.
int NextTrack(const MusicScore& score, uint32_t current);

// The process-wide music: the score, the playlist's channel and the collision notes.
struct MusicState {
    MusicScore score;
    bool loaded = false;
    uint32_t currentTrack = 0;
    ChannelHandle musicChannel = 0;  // 0 until the playlist starts
    int currentMusicSound = -1;
    ChannelHandle collisionChannel = 0;
    uint32_t collisionNotesStarted = 0;  // notes whose sample started on a channel
};
