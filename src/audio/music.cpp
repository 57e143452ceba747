// The music: loading the score and running the playlist on the music channel.
#include "audio/music.h"

#include "audio/sequencer.h"

namespace {

MusicState music;

void PlayTrack(int index) {
    if (index < 0) {
        music.musicChannel = 0;
        return;
    }
    const PlaylistEntry& entry = music.score.playlist[index];
    music.currentTrack = static_cast<uint32_t>(index);
    music.currentMusicSound = entry.sound;
    // Started paused so that it is never heard above its volume. A track that plays for good loops in the
    // mixer without a gap; any other plays once a pass of the playlist.
    music.musicChannel = AudioPlay(entry.sound, true);
    ChannelSetVolume(music.musicChannel, MusicVolume);
    ChannelSetMode(music.musicChannel, entry.plays == 0 ? SoundLoopForever : SoundLoopOff);
    ChannelSetGroup(music.musicChannel, SoundGroupMusic);
    ChannelSetPaused(music.musicChannel, false);
}

}  // namespace

MusicState& TheMusicState() {
    return music;
}

MusicMoment CurrentMusicMoment() {
    MusicMoment moment;
    if (!music.loaded || music.currentMusicSound < 0 || music.currentTrack >= music.score.playlistCount) {
        return moment;
    }
    const int timing = music.score.playlist[music.currentTrack].timing;
    if (timing < 0) return moment;
    moment.timing = &music.score.timings[timing];
    moment.positionMs = ChannelPositionMs(music.musicChannel);
    moment.lengthMs = AudioSoundLengthMs(music.currentMusicSound);
    return moment;
}

bool LoadMusicScore(const char* folder, const char* file, bool holiday) {
    music.loaded = LoadMusicScore(music.score, folder, file, holiday, MixerSoundOpener());
    return music.loaded;
}

void StartMusic() {
    if (!music.loaded) return;
    PlayTrack(PlayableTrackFrom(music.score, 0));
}

void UpdateMusic() {
    if (music.musicChannel == 0 || ChannelIsPlaying(music.musicChannel)) return;
    PlayTrack(NextTrack(music.score, music.currentTrack));
}

void StopMusic() {
    if (music.musicChannel != 0) ChannelStop(music.musicChannel);
    music.musicChannel = 0;
}

ChannelHandle MusicChannel() {
    return music.musicChannel;
}
uint32_t MusicTrackIndex() {
    return music.currentTrack;
}
uint32_t CollisionNotesStarted() {
    return music.collisionNotesStarted;
}
