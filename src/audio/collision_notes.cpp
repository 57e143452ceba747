// Collision notes: a note of the chord that sounds in the music whenever the physics reports a collision.
#include <cstdlib>

#include "audio/music.h"
#include "audio/sequencer.h"
#include "audio/sound_hooks.h"
#include "platform/clock.h"

namespace {

int StandardRandom() {
    return std::rand();
}

}  // namespace

void PlayCollisionNote(const char* effectKey, float volume, float pan) {
    MusicState& music = TheMusicState();
    if (!music.loaded) return;
    Effect* effect = FindEffect(music.score, effectKey);
    if (effect == nullptr) return;
    const MusicMoment moment = CurrentMusicMoment();
    const int sound = PickEffectNote(moment, *effect, StandardRandom);
    if (sound < 0) return;
    // Started paused: volume and pan are in place before the note is heard.
    const ChannelHandle channel = AudioPlay(sound, true);
    if (channel == 0) return;
    ChannelSetVolume(channel, volume);
    ChannelSetPan(channel, pan);
    // A note that follows the chords of the playing track is part of the music, and its volume with it.
    ChannelSetGroup(channel, moment.timing != nullptr ? SoundGroupMusic : SoundGroupEffects);
    ChannelSetPaused(channel, false);
    music.collisionChannel = channel;
    music.collisionNotesStarted += 1;
}

int32_t EffectNoteDelay(const char* effectKey) {
    MusicState& music = TheMusicState();
    if (!music.loaded) return 0;
    Effect* effect = FindEffect(music.score, effectKey);
    return effect != nullptr ? EffectNoteDelay(CurrentMusicMoment(), *effect) : 0;
}

void AdvanceMelody(const char* effectKey) {
    MusicState& music = TheMusicState();
    if (!music.loaded) return;
    Effect* effect = FindEffect(music.score, effectKey);
    if (effect != nullptr) AdvanceMelody(CurrentMusicMoment(), *effect, NowMs(), StandardRandom);
}
