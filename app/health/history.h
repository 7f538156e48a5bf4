#pragma once
// The network's history in memory: per device, each ping's outcome and each I/O report's readings,
// with their times. Every sample lives in small chunks of one shared pool whose size is fixed by a
// memory budget, so the history never grows past it: a handful of devices reach back days, 32000 share
// the same bytes and reach back less. When the pool is full, the chain (one device's pings, or its
// reports) above its fair share of the pool gives up its oldest one; a quiet device keeps its few
// samples while a chatty one turns over its own.
//
// Devices are known by their 64-bit address, not by their table slot: slots move when the table is
// compacted, a device keeps its address.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace health {

// Session time in tenths of a second since the session started: 32 bits reach 13 years.
using Ds = uint32_t;
constexpr Ds kDsPerMinute = 600;

struct PingSample {
    Ds t = 0;
    uint8_t lqi = 0;
    bool answered = false;
};

// A report's raw words as the wire carried them (battery mV, the temperature sensor's count, the four
// analogue channels); the program's conversions turn them into volts and degrees.
struct ReportSample {
    Ds t = 0;
    uint16_t battery = 0;
    uint16_t temperature = 0;
    uint16_t analog[4] = {};
};

// One device's figures over a span of the session.
struct Summary {
    int pings = 0;      // pings judged in the span
    int answered = 0;   // of which answered
    int last_lqi = -1;  // link quality of the last answered ping in the span; -1 without one
    int min_lqi = -1;
    double mean_lqi = -1;
    int reports = 0;  // reports in the span
    bool heard = false;  // ever heard from (an answered ping or a report), span or not
    Ds last_heard = 0;
};

class History {
public:
    static constexpr size_t kBudgetBytes = size_t{16} << 20;
    static constexpr size_t kMaxDevices = 32768;

    // Everything, the pool, the per-device records and their index, stays within budget_bytes.
    explicit History(size_t budget_bytes = kBudgetBytes, size_t max_devices = kMaxDevices);
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // Forgets everything; the session starts at this platform clock reading.
    void Start(uint32_t now_ms);
    // The session time of a platform clock reading taken no earlier than the last one given (the
    // 32-bit millisecond counter may wrap in between).
    Ds At(uint32_t now_ms);
    // The latest session time handed out.
    Ds Now() const { return static_cast<Ds>(session_ms_ / 100); }

    void AddPing(uint64_t mac, Ds t, uint8_t lqi, bool answered);
    void AddReport(uint64_t mac, const ReportSample& report);

    // Samples at or after `from`, oldest first; an unknown device has none.
    std::vector<PingSample> Pings(uint64_t mac, Ds from = 0) const;
    std::vector<ReportSample> Reports(uint64_t mac, Ds from = 0) const;
    Summary Summarise(uint64_t mac, Ds from) const;
    bool Knows(uint64_t mac) const { return Find(mac) >= 0; }

    // Bytes held now, and the most it will ever hold.
    size_t MemoryBytes() const;
    size_t BudgetBytes() const { return budget_; }
    // Chunks in the pool and how many a full pool has (tests and benchmarks).
    size_t ChunksInUse() const { return chunks_made_; }
    size_t ChunkLimit() const { return chunk_limit_; }

private:
    struct Chunk;
    struct Chain {
        int32_t head = -1;
        int32_t tail = -1;
        uint32_t chunks = 0;
    };
    enum Kind { kPing = 0, kReport = 1 };
    struct Entry {
        uint64_t mac = 0;
        Chain chains[2];
        Ds last_heard = 0;
        Ds last_touched = 0;
        bool heard = false;
    };

    int32_t Find(uint64_t mac) const;
    int32_t FindOrAdd(uint64_t mac, Ds t);
    void AddToIndex(int32_t entry);
    void RebuildIndex();
    void Append(int32_t entry, Kind kind, const uint8_t* bytes, Ds t);
    int32_t TakeChunk(int32_t entry, Kind kind);
    void DropHead(Chain& chain);
    Chunk& At(int32_t id);
    const Chunk& At(int32_t id) const;
    template <typename Fn>
    void Walk(const Chain& chain, Kind kind, Ds from, Fn fn) const;

    size_t budget_;
    size_t max_devices_;
    size_t chunk_limit_ = 0;
    size_t slab_chunks_ = 1;
    size_t chunks_made_ = 0;
    int32_t free_head_ = -1;
    size_t active_chains_ = 0;  // chains holding at least one chunk
    size_t cursor_ = 0;         // where the last search for a chunk to take stopped
    std::vector<std::unique_ptr<Chunk[]>> slabs_;
    std::vector<Entry> entries_;
    std::vector<int32_t> index_;  // open addressing over entries_, -1 free
    uint32_t last_ms_ = 0;
    uint64_t session_ms_ = 0;
};

}  // namespace health
