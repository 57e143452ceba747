// The run report: key=value lines written at exit, frame-work percentiles and the allocation count.
#include "shell/report.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "audio/music.h"
#include "online/statistics.h"
#include "online/update.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "render/messages.h"
#include "store/records.h"
#include "platform/audio_device.h"
#include "platform/devices.h"
#include "shell/automation.h"
#include "shell/pause.h"
#include "shell/preferences_sync.h"
#include "store/preferences.h"
#include "rules/game.h"
#include "shell/shell.h"
#include "shell/variant.h"

namespace {

constexpr int FrameSampleCapacity = 1 << 16;

struct ReportState {
    uint32_t frameWorkUs[FrameSampleCapacity];  // microseconds, a ring of the latest frames
    uint32_t sampleCount = 0;
    uint64_t longestStallUs = 0;  // the longest frame's work, or wait between frames: the game stood still
    uint64_t allocationsAtMark = 0;
    bool marked = false;
    uint64_t loadingFrameUs = 0;  // microseconds from program start to the loading frame's present
};

ReportState report;
std::atomic<uint64_t> heapAllocations{0};

const char* ScreenName(Screen screen) {
    switch (screen) {
        case Screen::Loading: return "loading";
        case Screen::Splash: return "splash";
        case Screen::Start: return "start";
        case Screen::Game: return "game";
        case Screen::Records: return "records";
        case Screen::Donate: return "donate";
    }
    return "loading";
}

// What the glass holds: counts and the extent of the atoms in glass coordinates.
void WriteWorldReport(FILE* file, const PhysicsWorld& w) {
    int atoms = 0, links = 0, frozen = 0;
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < MaxAtoms; ++i) {
        if (!AtomInUse(w, i)) continue;
        const Atom& a = w.atoms[i];
        if (atoms == 0) {
            minX = maxX = a.x;
            minY = maxY = a.y;
        }
        minX = std::min(minX, a.x);
        maxX = std::max(maxX, a.x);
        minY = std::min(minY, a.y);
        maxY = std::max(maxY, a.y);
        ++atoms;
        if (a.colour == NoColour) ++frozen;
    }
    for (int i = 0; i < MaxLinks; ++i) links += LinkInUse(w, i) ? 1 : 0;
    std::fprintf(file, "atoms_in_use=%d\nlinks_in_use=%d\nfrozen_atoms=%d\n", atoms, links, frozen);
    std::fprintf(file, "atoms_removed=%u\npieces_spawned=%u\n", w.atomsRemoved, w.piecesSpawned);
    std::fprintf(file, "atoms_min_x=%.2f\natoms_max_x=%.2f\natoms_min_y=%.2f\natoms_max_y=%.2f\n",
                 static_cast<double>(minX), static_cast<double>(maxX), static_cast<double>(minY),
                 static_cast<double>(maxY));
    // The first blocks by slot, for scripts that must point the mouse at a given block (glass coordinates).
    for (int i = 0; i < 16; ++i) {
        if (!AtomInUse(w, i)) continue;
        std::fprintf(file, "atom_%d_x=%.2f\natom_%d_y=%.2f\natom_%d_colour=%d\n", i,
                     static_cast<double>(w.atoms[i].x), i, static_cast<double>(w.atoms[i].y), i,
                     static_cast<int>(w.atoms[i].colour));
    }
    std::fprintf(file, "score=%d\nbar_energy=%.4f\nprogress=%.4f\n", w.score, static_cast<double>(w.barEnergy),
                 static_cast<double>(w.progress));
}

uint32_t Percentile(uint32_t* sorted, uint32_t count, int percent) {
    if (count == 0) return 0;
    uint32_t index = static_cast<uint32_t>((static_cast<uint64_t>(count) - 1) * static_cast<uint64_t>(percent) / 100);
    return sorted[index];
}

}  // namespace

// Every allocation of the program passes here, so tests can prove that play allocates nothing.
void* operator new(std::size_t size) {
    heapAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

void RecordFrameWork(uint64_t microseconds) {
    report.frameWorkUs[report.sampleCount % FrameSampleCapacity] =
        static_cast<uint32_t>(std::min<uint64_t>(microseconds, UINT32_MAX));
    report.sampleCount += 1;
    RecordStall(microseconds);
}

void RecordStall(uint64_t microseconds) { report.longestStallUs = std::max(report.longestStallUs, microseconds); }

uint64_t HeapAllocations() { return heapAllocations.load(std::memory_order_relaxed); }

void MarkFrameAllocationStart() {
    if (report.marked) return;
    report.marked = true;
    report.allocationsAtMark = HeapAllocations();
}

void MarkLoadingFramePresented() { report.loadingFrameUs = NowMicroseconds(); }

void WriteReport() {
    if (automation.reportPath[0] != 0) WriteReportTo(automation.reportPath);
}

void WriteReportTo(const char* path) {
    uint64_t allocationsInFrames = report.marked ? HeapAllocations() - report.allocationsAtMark : 0;
    uint32_t count = std::min<uint32_t>(report.sampleCount, FrameSampleCapacity);
    static uint32_t sorted[FrameSampleCapacity];
    std::copy(report.frameWorkUs, report.frameWorkUs + count, sorted);
    std::sort(sorted, sorted + count);

    FILE* file = std::fopen(path, "w");
    if (file == nullptr) return;
    std::fprintf(file, "variant=%s\n", variant != nullptr ? variant->name : "");
    std::fprintf(file, "frames=%llu\n", static_cast<unsigned long long>(frameClock.frames));
    std::fprintf(file, "game_clock_ms=%llu\n", static_cast<unsigned long long>(frameClock.gameClockMs));
    std::fprintf(file, "screen=%s\n", ScreenName(flow.screen));
    std::fprintf(file, "zoom_step=%d\nfull_screen=%d\n", display.zoomStep, display.fullScreen ? 1 : 0);
    std::fprintf(file, "message=%s\n", CurrentMessageText());
    std::fprintf(file, "tutorial_step=%d\n", game.tutorialStep);
    std::fprintf(file, "game_over=%d\n", game.gameOver ? 1 : 0);
    std::fprintf(file, "game_won=%d\n", game.gameWon ? 1 : 0);
    std::fprintf(file, "banner=%s\n", flow.screen == Screen::Game ? flow.gameOverBanner : "");
    std::fprintf(file, "level=%d\nmistakes_allowed=%d\nmoves=%d\n", game.level, game.mistakesAllowed, game.moves);
    std::fprintf(file, "shapes_on_board=%d\npiece_requests=%d\n", game.shapesOnBoard, game.pieceRequests);
    std::fprintf(file, "grabbed_atom=%d\nswap_target=%d\n", world.grabbedAtom, world.swapTarget);
    WriteWorldReport(file, world);
    std::fprintf(file, "player_place=%d\n", recordsScreenState.playerPlace);
    std::fprintf(file, "update_available=%d\noffered_version=%s\n", updateAvailable ? 1 : 0, OfferedVersion());
    std::fprintf(file, "update_result=%s\n", UpdateResultText());
    std::fprintf(file, "launches_this_month=%d\n", launchesThisMonth);
    std::fprintf(file, "music_track=%u\ncollision_notes=%u\n", static_cast<unsigned>(MusicTrackIndex()),
                 static_cast<unsigned>(CollisionNotesStarted()));
    std::fprintf(file, "paused=%d\npauses=%u\npaused_ms=%llu\ngame_time_ms=%llu\n", pauseState.paused ? 1 : 0,
                 pauseState.pauses, static_cast<unsigned long long>(GameTimeHeldMs()),
                 static_cast<unsigned long long>(NowMs()));
    std::fprintf(file, "level_up_ms=%u\nlevel_complete_ms=%u\nspeed_stage_ms=%u\nlow_bar_ms=%d\n", game.levelUpMs,
                 game.levelCompleteMs, game.speedStageMs, game.lowBarMs);
    std::fprintf(file, "music_volume=%d\neffects_volume=%d\nmuted=%d\npause_on_focus_loss=%d\n",
                 preferences.musicVolume, preferences.effectsVolume, preferences.muted ? 1 : 0,
                 preferences.pauseOnFocusLoss ? 1 : 0);
    std::fprintf(file, "music_gain=%.4f\neffects_gain=%.4f\npreferences_saves=%u\n",
                 static_cast<double>(AudioGroupGain(SoundGroupMusic)),
                 static_cast<double>(AudioGroupGain(SoundGroupEffects)), PreferencesSaves());
    std::fprintf(file, "controller=%d\ncontrollers_opened=%u\n", ControllerAttached() ? 1 : 0,
                 ControllersOpened());
    std::fprintf(file, "frame_work_us_p50=%u\n", Percentile(sorted, count, 50));
    std::fprintf(file, "frame_work_us_p99=%u\n", Percentile(sorted, count, 99));
    std::fprintf(file, "longest_stall_ms=%llu\n", static_cast<unsigned long long>(report.longestStallUs / 1000));
    std::fprintf(file, "loading_frame_ms=%llu\n", static_cast<unsigned long long>(report.loadingFrameUs / 1000));
    std::fprintf(file, "frame_allocations=%llu\n", static_cast<unsigned long long>(allocationsInFrames));
    std::fclose(file);
}
