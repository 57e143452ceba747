// Streamed sounds: each stream's ring is kept a few seconds ahead by a worker thread, so the music goes on
// while the main thread is busy. The decoder runs through the file again and again; the mixer decides
// where a play ends.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>

#include "platform/audio_local.h"

namespace {

struct StreamWorker {
    std::thread thread;
    std::mutex lock;
    std::condition_variable wake;
    bool stop = false;
};

StreamWorker worker;

constexpr uint64_t RingMask = StreamRingFrames - 1;
constexpr int FillPieceFrames = 4096;  // decoded per step, so the producer lock is never held long
constexpr auto WorkerPeriod = std::chrono::milliseconds(10);

void FillActiveStreams(uint64_t want) {
    for (int i = 0; i < MaxStreams; ++i) {
        StreamState* s = StreamAt(i);
        if (s == nullptr || !s->active.load(std::memory_order_acquire)) continue;
        std::lock_guard<std::mutex> hold(s->producer);
        FillStream(*s, want);
    }
}

void WorkerLoop() {
    std::unique_lock<std::mutex> hold(worker.lock);
    while (!worker.stop) {
        hold.unlock();
        FillActiveStreams(StreamRingFrames);
        WavRingDrain();
        hold.lock();
        worker.wake.wait_for(hold, WorkerPeriod, [] { return worker.stop; });
    }
    hold.unlock();
    WavRingDrain();
}

}  // namespace

void FillStream(StreamState& s, uint64_t want) {
    if (s.ring == nullptr || s.decoder.file == nullptr) return;
    const uint32_t requested = s.requestEpoch.load(std::memory_order_acquire);
    if (requested != s.servedEpoch.load(std::memory_order_relaxed)) {
        DecoderRewind(s.decoder);
        s.epochStart.store(s.writeCount.load(std::memory_order_relaxed), std::memory_order_relaxed);
        s.servedEpoch.store(requested, std::memory_order_release);
    }
    want = std::min<uint64_t>(want, StreamRingFrames);
    const uint64_t start = s.epochStart.load(std::memory_order_relaxed);
    for (;;) {
        const uint64_t written = s.writeCount.load(std::memory_order_relaxed);
        // Until the mixer has moved to this epoch its read mark is behind the epoch's start; it will
        // never read the frames before that start.
        const uint64_t read = std::max(s.readCount.load(std::memory_order_acquire), start);
        const uint64_t ahead = written - read;
        if (ahead >= want) return;
        const uint64_t at = written & RingMask;
        const uint64_t room = std::min<uint64_t>({want - ahead, StreamRingFrames - at, FillPieceFrames});
        int got = DecoderRead(s.decoder, s.ring.get() + at * 2, static_cast<int>(room));
        if (got == 0) {
            // End of a pass: the next one follows straight on.
            DecoderRewind(s.decoder);
            got = DecoderRead(s.decoder, s.ring.get() + at * 2, static_cast<int>(room));
            if (got == 0) return;
        }
        s.writeCount.store(written + static_cast<uint64_t>(got), std::memory_order_release);
    }
}

void TopUpStreams(int frames) {
    FillActiveStreams(static_cast<uint64_t>(frames));
}

void StartStreamWorker() {
    worker.stop = false;
    worker.thread = std::thread(WorkerLoop);
}

void StopStreamWorker() {
    if (!worker.thread.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(worker.lock);
        worker.stop = true;
    }
    worker.wake.notify_all();
    worker.thread.join();
}
