// The music score loader: music/music.xml into the fixed tables of MusicScore.
#include "audio/music_score.h"

#include <tinyxml2.h>

#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/audio_device.h"
#include "platform/file_read.h"

namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

// The holiday document and song sit in the game's data folder, the music folder's sibling.
constexpr const char* HolidayDocument = "../data/ukazatel2.tga";
constexpr const char* HolidaySong = "../data/pelorinas_cs.png";

// a + b into out; false (and out empty) when it does not fit.
bool JoinPath(char (&out)[MusicPathLength], const char* a, const char* b) {
    int written = std::snprintf(out, sizeof out, "%s%s", a, b);
    if (written < 0 || written >= MusicPathLength) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool Has(const XMLElement* element, const char* attribute) {
    return element->Attribute(attribute) != nullptr;
}

int OpenStream(const SoundOpener& opener, const char* path, uint32_t mode) {
    return opener.loadStream != nullptr ? opener.loadStream(opener.context, path, mode) : -1;
}

int OpenSample(const SoundOpener& opener, const char* path, uint32_t mode) {
    return opener.loadSample != nullptr ? opener.loadSample(opener.context, path, mode) : -1;
}

TrackTiming* FindOrAddTiming(MusicScore& score, const char* key) {
    for (int i = 0; i < score.timingCount; ++i) {
        if (std::strcmp(score.timings[i].key, key) == 0) return &score.timings[i];
    }
    if (score.timingCount >= TrackTimingCapacity) return nullptr;
    TrackTiming& timing = score.timings[score.timingCount++];
    std::snprintf(timing.key, sizeof timing.key, "%s", key);
    timing.timed = false;
    timing.tactCount = 0;
    return &timing;
}

// The root-level tracks of a document: their tact tables. With store false it only checks that every
// required attribute is there (the holiday document is checked whole before any of it is used).
bool ReadTimings(MusicScore& score, const XMLElement* root, const char* folder, bool store) {
    for (const XMLElement* track = root->FirstChildElement("track"); track != nullptr;
         track = track->NextSiblingElement("track")) {
        if (!Has(track, "value")) return false;
        TrackTiming* timing = nullptr;
        bool timed = false;
        const char* mode = track->Attribute("mode");
        if (mode != nullptr && std::strcmp(mode, "timed") == 0) timed = true;
        char key[MusicPathLength];
        // A key too long for the table could never match a playlist path that opened: its tacts are
        // checked and dropped.
        if (store && JoinPath(key, folder, track->Attribute("value"))) timing = FindOrAddTiming(score, key);
        if (timing != nullptr) timing->timed = timed;

        for (const XMLElement* tactElement = track->FirstChildElement("tact"); tactElement != nullptr;
             tactElement = tactElement->NextSiblingElement("tact")) {
            if (!Has(tactElement, "chord")) return false;
            if (timed && !Has(tactElement, "time")) return false;
            if (timing == nullptr || timing->tactCount >= TactCapacity) continue;
            Tact& tact = timing->tacts[timing->tactCount++];
            tact = Tact{};
            SplitNames chords;
            SplitList(tactElement->Attribute("chord"), chords);
            for (int c = 0; c < chords.count && c < TactChordCapacity; ++c) {
                tact.chords[tact.chordCount++] = InternName(score, chords.names[c]);
            }
            if (timed) {
                tact.timeMs = ParseTimeMs(tactElement->Attribute("time"));
                if (Has(tactElement, "repeat")) tact.repeat = ParseScoreInt(tactElement->Attribute("repeat"));
            }
        }
    }
    return true;
}

void SetNote(Effect& effect, NameId name, int sound) {
    for (int i = 0; i < effect.noteCount; ++i) {
        if (effect.notes[i].name == name) {
            effect.notes[i].sound = sound;
            return;
        }
    }
    effect.notes[effect.noteCount++] = EffectNote{name, sound};
}

bool HasRoomForNote(const Effect& effect, NameId name) {
    if (effect.noteCount < EffectNoteCapacity) return true;
    for (int i = 0; i < effect.noteCount; ++i) {
        if (effect.notes[i].name == name) return true;
    }
    return false;
}

EffectChord* FindOrAddChord(Effect& effect, NameId name) {
    for (int i = 0; i < effect.chordCount; ++i) {
        if (effect.chords[i].name == name) return &effect.chords[i];
    }
    if (effect.chordCount >= EffectChordCapacity) return nullptr;
    EffectChord& chord = effect.chords[effect.chordCount++];
    chord.name = name;
    chord.noteCount = 0;
    return &chord;
}

bool ReadEffect(MusicScore& score, const XMLElement* element, const char* folder, const SoundOpener& opener) {
    if (!Has(element, "value") || !Has(element, "melodic")) return false;
    char key[MusicPathLength];
    // An effect whose key does not fit, or that finds no free slot, is checked and dropped.
    Effect* effect = nullptr;
    if (JoinPath(key, folder, element->Attribute("value"))) effect = FindEffect(score, key);
    if (effect != nullptr) effect->melodic = ParseScoreInt(element->Attribute("melodic")) == 1;

    for (const XMLElement* note = element->FirstChildElement("note"); note != nullptr;
         note = note->NextSiblingElement("note")) {
        if (!Has(note, "value") || !Has(note, "sample")) return false;
        if (effect == nullptr) continue;
        NameId name = InternName(score, note->Attribute("value"));
        // A name that did not fit the table can never be asked for: its sample is not opened.
        if (name == UnknownName || !HasRoomForNote(*effect, name)) continue;
        char path[MusicPathLength];
        int sound = -1;
        if (JoinPath(path, folder, note->Attribute("sample"))) sound = OpenSample(opener, path, 0);
        SetNote(*effect, name, sound);
    }

    for (const XMLElement* chordElement = element->FirstChildElement("chord"); chordElement != nullptr;
         chordElement = chordElement->NextSiblingElement("chord")) {
        if (!Has(chordElement, "value") || !Has(chordElement, "note")) return false;
        if (effect == nullptr) continue;
        NameId name = InternName(score, chordElement->Attribute("value"));
        if (name == UnknownName) continue;
        EffectChord* chord = FindOrAddChord(*effect, name);
        if (chord == nullptr) continue;
        SplitNames notes;
        SplitList(chordElement->Attribute("note"), notes);
        chord->noteCount = 0;
        for (int n = 0; n < notes.count && n < ChordNoteCapacity; ++n) {
            chord->notes[chord->noteCount++] = InternName(score, notes.names[n]);
        }
    }

    for (const XMLElement* melodyElement = element->FirstChildElement("melody"); melodyElement != nullptr;
         melodyElement = melodyElement->NextSiblingElement("melody")) {
        if (!Has(melodyElement, "note") || !Has(melodyElement, "tact")) return false;
        // Only chord sizes 1 to 5 are ever asked for; melodies written for others would never play.
        const int32_t size = ParseScoreInt(melodyElement->Attribute("note"));
        Melody* melody = nullptr;
        if (effect != nullptr && size >= 1 && size <= MelodySizeCount &&
            effect->melodyCount[size - 1] < MelodyCapacity) {
            melody = &effect->melodies[size - 1][effect->melodyCount[size - 1]++];
            melody->tact = ParseScoreInt(melodyElement->Attribute("tact"));
            melody->position = 0;
            melody->lastStepTime = 0;
            melody->stepCount = 0;
        }
        for (const XMLElement* step = melodyElement->FirstChildElement("note"); step != nullptr;
             step = step->NextSiblingElement("note")) {
            if (!Has(step, "len") || !Has(step, "index")) return false;
            if (melody == nullptr || melody->stepCount >= MelodyStepCapacity) continue;
            melody->steps[melody->stepCount++] =
                MelodyStep{ParseScoreInt(step->Attribute("len")), ParseScoreInt(step->Attribute("index"))};
        }
    }
    return true;
}

}  // namespace

SoundOpener MixerSoundOpener() {
    SoundOpener opener;
    opener.loadStream = [](void*, const char* path, uint32_t mode) { return AudioLoadStream(path, mode); };
    opener.loadSample = [](void*, const char* path, uint32_t mode) { return AudioLoadSample(path, mode); };
    return opener;
}

void ResetMusicScore(MusicScore& score) {
    score.nameCount = 0;
    InternName(score, "");
    InternName(score, "invalid_chord");
    score.playlistCount = 0;
    score.timingCount = 0;
    for (Effect& effect : score.effects) effect.flags = EffectFree;
}

bool LoadMusicScore(MusicScore& score, const char* folder, const char* file, bool holiday,
                    const SoundOpener& opener) {
    ResetMusicScore(score);
    char path[MusicPathLength];
    if (!JoinPath(path, folder, file)) return false;
    XMLDocument document;
    if (!LoadXmlDocument(document, path)) return false;
    const XMLElement* root = document.RootElement();
    if (root == nullptr) return false;
    const XMLElement* playlist = root->FirstChildElement("playlist");
    if (playlist == nullptr) return false;

    // Entry 0 stays free for the holiday song until the holiday document is known.
    for (const XMLElement* track = playlist->FirstChildElement("track"); track != nullptr;
         track = track->NextSiblingElement("track")) {
        if (!Has(track, "value") || !Has(track, "plays")) return false;
        if (score.playlistCount >= PlaylistCapacity) continue;
        PlaylistEntry& entry = score.playlist[score.playlistCount];
        entry = PlaylistEntry{};
        if (!JoinPath(entry.path, folder, track->Attribute("value"))) return false;
        entry.plays = ParseScoreInt(track->Attribute("plays"));
        entry.sound = OpenStream(opener, entry.path, SoundLoopOff);
        if (entry.sound < 0) return false;
        score.playlistCount += 1;
    }

    // A missing, unreadable or incomplete holiday document only drops the holiday song.
    XMLDocument holidayDocument;
    const XMLElement* holidayRoot = nullptr;
    char holidaySong[MusicPathLength];
    if (holiday && JoinPath(path, folder, HolidayDocument) && JoinPath(holidaySong, folder, HolidaySong) &&
        LoadXmlDocument(holidayDocument, path)) {
        holidayRoot = holidayDocument.RootElement();
        if (holidayRoot != nullptr && !ReadTimings(score, holidayRoot, folder, false)) holidayRoot = nullptr;
    }

    if (!ReadTimings(score, root, folder, true)) return false;

    if (holidayRoot != nullptr) {
        for (int i = score.playlistCount; i > 0; --i) score.playlist[i] = score.playlist[i - 1];
        PlaylistEntry& entry = score.playlist[0];
        entry = PlaylistEntry{};
        std::snprintf(entry.path, sizeof entry.path, "%s", holidaySong);
        entry.plays = 1;
        entry.sound = OpenStream(opener, entry.path, SoundLoopOff);
        score.playlistCount += 1;
        ReadTimings(score, holidayRoot, folder, true);
    }

    for (const XMLElement* effect = root->FirstChildElement("effect"); effect != nullptr;
         effect = effect->NextSiblingElement("effect")) {
        if (!ReadEffect(score, effect, folder, opener)) return false;
    }

    // Each track finds its tact table once, so the game never compares paths while it plays.
    for (int i = 0; i < score.playlistCount; ++i) {
        PlaylistEntry& entry = score.playlist[i];
        const TrackTiming* timing = FindTiming(score, entry.path);
        entry.timing = timing != nullptr ? static_cast<int16_t>(timing - score.timings) : -1;
    }
    return true;
}

void SplitList(const char* text, SplitNames& out) {
    out.count = 0;
    // Spaces go first, everywhere; the room left for the zeros that end the names bounds the text.
    int length = 0;
    for (int i = 0; text != nullptr && i < SplitListTextLength && text[i] != 0; ++i) {
        if (text[i] == ' ') continue;
        if (length >= SplitListTextLength - 1) break;
        out.text[length++] = text[i];
    }
    out.text[length] = 0;

    int start = 0;
    for (int piece = 0;; ++piece) {
        int end = start;
        while (end < length && out.text[end] != ',') ++end;
        const bool last = end >= length;
        out.text[end] = 0;
        const int pieceLength = end - start;
        if (pieceLength == 0 && piece > 0) break;
        if (out.count < SplitListCapacity) {
            out.names[out.count++] = std::string_view(out.text + start, static_cast<size_t>(pieceLength));
        }
        if (last) break;
        start = end + 1;
    }
}

uint32_t ParseTimeMs(const char* text) {
    // Digit positions of "HH:MM:SS.cc"; a text that ends early reads zeros.
    int digits[11] = {};
    bool ended = text == nullptr;
    for (int i = 0; i < 11; ++i) {
        if (!ended && text[i] == 0) ended = true;
        if (!ended && text[i] >= '0' && text[i] <= '9') digits[i] = text[i] - '0';
    }
    const uint32_t hours = static_cast<uint32_t>(digits[0] * 10 + digits[1]);
    const uint32_t minutes = static_cast<uint32_t>(digits[3] * 10 + digits[4]);
    const uint32_t seconds = static_cast<uint32_t>(digits[6] * 10 + digits[7]);
    const uint32_t hundredths = static_cast<uint32_t>(digits[9] * 10 + digits[10]);
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + hundredths * 10;
}

int32_t ParseScoreInt(const char* text) {
    if (text == nullptr) return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    const char* end = text;
    while (*end >= '0' && *end <= '9') ++end;
    uint64_t magnitude = 0;
    auto result = std::from_chars(text, end, magnitude);
    // Past the range of the type the value stays at its limit.
    if (result.ec == std::errc::result_out_of_range || magnitude > 0x80000000ull) magnitude = 0x80000000ull;
    if (negative) return static_cast<int32_t>(-static_cast<int64_t>(magnitude));
    return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}

NameId InternName(MusicScore& score, std::string_view name) {
    if (name.size() >= MusicNameLength) return UnknownName;
    NameId known = FindName(score, name);
    if (known != UnknownName) return known;
    if (score.nameCount >= MusicNameCapacity) return UnknownName;
    std::memcpy(score.names[score.nameCount], name.data(), name.size());
    score.names[score.nameCount][name.size()] = 0;
    return static_cast<NameId>(score.nameCount++);
}

NameId FindName(const MusicScore& score, std::string_view name) {
    if (name.size() >= MusicNameLength) return UnknownName;
    for (int i = 0; i < score.nameCount; ++i) {
        if (name == score.names[i]) return static_cast<NameId>(i);
    }
    return UnknownName;
}

const char* NameText(const MusicScore& score, NameId id) {
    return id >= 0 && id < score.nameCount ? score.names[id] : "";
}

Effect* FindEffect(MusicScore& score, const char* key) {
    if (key == nullptr || std::strlen(key) >= EffectKeyLength) return nullptr;
    Effect* free = nullptr;
    for (Effect& effect : score.effects) {
        if (effect.flags & EffectFree) {
            if (free == nullptr) free = &effect;
        } else if (std::strcmp(effect.key, key) == 0) {
            return &effect;
        }
    }
    if (free == nullptr) return nullptr;
    Effect& effect = *free;
    effect.flags = 0;
    std::snprintf(effect.key, sizeof effect.key, "%s", key);
    effect.melodic = false;
    effect.noteCount = 0;
    effect.chordCount = 0;
    for (uint16_t& count : effect.melodyCount) count = 0;
    effect.lastNote = -1;
    effect.currentChord = InvalidChordName;
    effect.melodyKey = -1;
    effect.melodyIndex = 0;
    return &effect;
}

const EffectChord* FindChord(const Effect& effect, NameId name) {
    if (name == UnknownName) return nullptr;
    for (int i = 0; i < effect.chordCount; ++i) {
        if (effect.chords[i].name == name) return &effect.chords[i];
    }
    return nullptr;
}

int FindNoteSound(const Effect& effect, NameId name) {
    if (name == UnknownName) return -1;
    for (int i = 0; i < effect.noteCount; ++i) {
        if (effect.notes[i].name == name) return effect.notes[i].sound;
    }
    return -1;
}

const TrackTiming* FindTiming(const MusicScore& score, const char* path) {
    for (int i = 0; i < score.timingCount; ++i) {
        if (std::strcmp(score.timings[i].key, path) == 0) return &score.timings[i];
    }
    return nullptr;
}
