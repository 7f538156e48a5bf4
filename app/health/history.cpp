#include "app/health/history.h"

#include <algorithm>
#include <cstring>

namespace health {

namespace {

constexpr size_t kChunkBytes = 128;
constexpr size_t kSlabChunks = 512;
// Samples are packed little-endian without padding: a ping in 6 bytes, a report in 16.
constexpr size_t kSampleBytes[2] = {6, 16};

void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, static_cast<uint16_t>(v));
    put16(p + 2, static_cast<uint16_t>(v >> 16));
}
uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t get32(const uint8_t* p) { return get16(p) | (static_cast<uint32_t>(get16(p + 2)) << 16); }

size_t power_of_two_above(size_t n) {
    size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

size_t slot_of(uint64_t mac, size_t mask) {
    // A multiplicative hash spreads addresses that differ only in their last bytes.
    return static_cast<size_t>((mac * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

PingSample read_ping(const uint8_t* p) { return {get32(p), p[4], p[5] != 0}; }

ReportSample read_report(const uint8_t* p) {
    ReportSample r;
    r.t = get32(p);
    r.battery = get16(p + 4);
    r.temperature = get16(p + 6);
    for (int k = 0; k < 4; ++k) r.analog[k] = get16(p + 8 + 2 * k);
    return r;
}

}  // namespace

struct History::Chunk {
    int32_t next = -1;
    uint16_t count = 0;
    uint8_t data[kChunkBytes - 8] = {};

    static uint16_t Capacity(Kind kind) { return static_cast<uint16_t>(sizeof(data) / kSampleBytes[kind]); }
    Ds LastTime(Kind kind) const { return get32(data + (count - 1) * kSampleBytes[kind]); }
};

History::History(size_t budget_bytes, size_t max_devices) : budget_(budget_bytes), max_devices_(max_devices) {
    static_assert(sizeof(Chunk) == kChunkBytes, "a chunk is one fixed block");
    index_.assign(power_of_two_above(2 * max_devices_), -1);
    entries_.reserve(max_devices_);
    const size_t fixed = index_.size() * sizeof(int32_t) + max_devices_ * sizeof(Entry) +
                         (budget_ / (kChunkBytes * kSlabChunks) + 1) * sizeof(slabs_[0]);
    chunk_limit_ = budget_ > fixed + 2 * kChunkBytes ? (budget_ - fixed) / kChunkBytes : 2;
    // Slabs are whole, so the pool never allocates past its limit.
    slab_chunks_ = std::min(kSlabChunks, chunk_limit_);
    chunk_limit_ -= chunk_limit_ % slab_chunks_;
    slabs_.reserve(chunk_limit_ / slab_chunks_);
}

History::~History() = default;

void History::Start(uint32_t now_ms) {
    slabs_.clear();
    entries_.clear();
    std::fill(index_.begin(), index_.end(), -1);
    chunks_made_ = 0;
    free_head_ = -1;
    active_chains_ = 0;
    cursor_ = 0;
    last_ms_ = now_ms;
    session_ms_ = 0;
}

Ds History::At(uint32_t now_ms) {
    session_ms_ += static_cast<uint32_t>(now_ms - last_ms_);
    last_ms_ = now_ms;
    return Now();
}

History::Chunk& History::At(int32_t id) {
    return slabs_[static_cast<size_t>(id) / slab_chunks_][static_cast<size_t>(id) % slab_chunks_];
}
const History::Chunk& History::At(int32_t id) const {
    return slabs_[static_cast<size_t>(id) / slab_chunks_][static_cast<size_t>(id) % slab_chunks_];
}

int32_t History::Find(uint64_t mac) const {
    const size_t mask = index_.size() - 1;
    for (size_t i = slot_of(mac, mask);; i = (i + 1) & mask) {
        const int32_t e = index_[i];
        if (e < 0) return -1;
        if (entries_[static_cast<size_t>(e)].mac == mac) return e;
    }
}

void History::AddToIndex(int32_t e) {
    const size_t mask = index_.size() - 1;
    size_t i = slot_of(entries_[static_cast<size_t>(e)].mac, mask);
    while (index_[i] >= 0) i = (i + 1) & mask;
    index_[i] = e;
}

void History::RebuildIndex() {
    std::fill(index_.begin(), index_.end(), -1);
    for (size_t e = 0; e < entries_.size(); ++e) AddToIndex(static_cast<int32_t>(e));
}

int32_t History::FindOrAdd(uint64_t mac, Ds t) {
    int32_t e = Find(mac);
    if (e < 0) {
        if (entries_.size() < max_devices_) {
            entries_.push_back(Entry{});
            e = static_cast<int32_t>(entries_.size() - 1);
            entries_.back().mac = mac;
            AddToIndex(e);
        } else {
            // Every record is taken: the device heard from least recently makes room.
            e = static_cast<int32_t>(std::min_element(entries_.begin(), entries_.end(),
                                                      [](const Entry& a, const Entry& b) {
                                                          return a.last_touched < b.last_touched;
                                                      }) -
                                     entries_.begin());
            for (Chain& chain : entries_[static_cast<size_t>(e)].chains)
                while (chain.head >= 0) {
                    const int32_t id = chain.head;
                    DropHead(chain);
                    At(id).next = free_head_;
                    free_head_ = id;
                }
            entries_[static_cast<size_t>(e)] = Entry{};
            entries_[static_cast<size_t>(e)].mac = mac;
            // An open-addressed index cannot drop one address in place: the rare eviction rebuilds it.
            RebuildIndex();
        }
    }
    entries_[static_cast<size_t>(e)].last_touched = t;
    return e;
}

void History::DropHead(Chain& chain) {
    const int32_t id = chain.head;
    chain.head = At(id).next;
    if (chain.head < 0) chain.tail = -1;
    if (--chain.chunks == 0) --active_chains_;
    At(id).next = -1;
    At(id).count = 0;
}

int32_t History::TakeChunk(int32_t entry, Kind kind) {
    int32_t id = -1;
    if (free_head_ >= 0) {
        id = free_head_;
        free_head_ = At(id).next;
    } else if (chunks_made_ < chunk_limit_) {
        if (chunks_made_ % slab_chunks_ == 0) slabs_.emplace_back(new Chunk[slab_chunks_]);
        id = static_cast<int32_t>(chunks_made_++);
    } else {
        // The pool is full. A chain at or above its fair share turns its own ring over; one below it
        // takes from a chain above it, found walking on from where the last search stopped (so that a
        // steady network finds one at once), or else from the longest chain.
        Chain& own = entries_[static_cast<size_t>(entry)].chains[kind];
        const uint32_t fair = static_cast<uint32_t>(chunk_limit_ / std::max<size_t>(active_chains_, 1));
        Chain* victim = nullptr;
        if (own.chunks >= std::max<uint32_t>(fair, 1)) {
            victim = &own;
        } else {
            Chain* longest = &own;
            const size_t chains = entries_.size() * 2;
            for (size_t n = 0; n < chains && !victim; ++n) {
                cursor_ = (cursor_ + 1) % chains;
                Chain& c = entries_[cursor_ / 2].chains[cursor_ % 2];
                if (c.chunks > fair) victim = &c;
                if (c.chunks > longest->chunks) longest = &c;
            }
            if (!victim) victim = longest;
        }
        id = victim->head;
        DropHead(*victim);
    }
    At(id).next = -1;
    At(id).count = 0;
    return id;
}

void History::Append(int32_t entry, Kind kind, const uint8_t* bytes, Ds t) {
    Chain* chain = &entries_[static_cast<size_t>(entry)].chains[kind];
    if (chain->tail < 0 || At(chain->tail).count == Chunk::Capacity(kind)) {
        const int32_t id = TakeChunk(entry, kind);
        chain = &entries_[static_cast<size_t>(entry)].chains[kind];
        if (chain->tail < 0)
            chain->head = id;
        else
            At(chain->tail).next = id;
        chain->tail = id;
        if (chain->chunks++ == 0) ++active_chains_;
    }
    Chunk& c = At(chain->tail);
    std::memcpy(c.data + c.count * kSampleBytes[kind], bytes, kSampleBytes[kind]);
    ++c.count;
    entries_[static_cast<size_t>(entry)].last_touched = t;
}

void History::AddPing(uint64_t mac, Ds t, uint8_t lqi, bool answered) {
    const int32_t e = FindOrAdd(mac, t);
    uint8_t bytes[6];
    put32(bytes, t);
    bytes[4] = lqi;
    bytes[5] = answered ? 1 : 0;
    Append(e, kPing, bytes, t);
    if (answered) {
        entries_[static_cast<size_t>(e)].heard = true;
        entries_[static_cast<size_t>(e)].last_heard = t;
    }
}

void History::AddReport(uint64_t mac, const ReportSample& r) {
    const int32_t e = FindOrAdd(mac, r.t);
    uint8_t bytes[16];
    put32(bytes, r.t);
    put16(bytes + 4, r.battery);
    put16(bytes + 6, r.temperature);
    for (int k = 0; k < 4; ++k) put16(bytes + 8 + 2 * k, r.analog[k]);
    Append(e, kReport, bytes, r.t);
    entries_[static_cast<size_t>(e)].heard = true;
    entries_[static_cast<size_t>(e)].last_heard = r.t;
}

template <typename Fn>
void History::Walk(const Chain& chain, Kind kind, Ds from, Fn fn) const {
    for (int32_t id = chain.head; id >= 0; id = At(id).next) {
        const Chunk& c = At(id);
        if (c.count == 0 || c.LastTime(kind) < from) continue;
        for (uint16_t k = 0; k < c.count; ++k) {
            const uint8_t* p = c.data + k * kSampleBytes[kind];
            if (get32(p) >= from) fn(p);
        }
    }
}

std::vector<PingSample> History::Pings(uint64_t mac, Ds from) const {
    std::vector<PingSample> out;
    const int32_t e = Find(mac);
    if (e >= 0)
        Walk(entries_[static_cast<size_t>(e)].chains[kPing], kPing, from,
             [&out](const uint8_t* p) { out.push_back(read_ping(p)); });
    return out;
}

std::vector<ReportSample> History::Reports(uint64_t mac, Ds from) const {
    std::vector<ReportSample> out;
    const int32_t e = Find(mac);
    if (e >= 0)
        Walk(entries_[static_cast<size_t>(e)].chains[kReport], kReport, from,
             [&out](const uint8_t* p) { out.push_back(read_report(p)); });
    return out;
}

Summary History::Summarise(uint64_t mac, Ds from) const {
    Summary s;
    const int32_t e = Find(mac);
    if (e < 0) return s;
    const Entry& entry = entries_[static_cast<size_t>(e)];
    s.heard = entry.heard;
    s.last_heard = entry.last_heard;
    long sum = 0;
    Walk(entry.chains[kPing], kPing, from, [&](const uint8_t* p) {
        ++s.pings;
        if (p[5] == 0) return;
        ++s.answered;
        s.last_lqi = p[4];
        s.min_lqi = s.min_lqi < 0 ? p[4] : std::min<int>(s.min_lqi, p[4]);
        sum += p[4];
    });
    if (s.answered > 0) s.mean_lqi = static_cast<double>(sum) / s.answered;
    Walk(entry.chains[kReport], kReport, from, [&s](const uint8_t*) { ++s.reports; });
    return s;
}

size_t History::MemoryBytes() const {
    return slabs_.size() * slab_chunks_ * kChunkBytes + slabs_.capacity() * sizeof(slabs_[0]) +
           entries_.capacity() * sizeof(Entry) + index_.size() * sizeof(int32_t);
}

}  // namespace health
