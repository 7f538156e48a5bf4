#pragma once
// The device table's slots. A network uses a few slots at the front, yet searches walk the first 32000
// and compaction all of them on every reply or deletion; the table therefore keeps a high-water mark,
// the highest slot that may hold anything but an empty record, and those passes stop there with the
// same results.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "app/core/device_record.h"

namespace modMain {

// Slots are indexed from 1; searches and clearing passes stop at kScanSlots.
constexpr int kTableSlots = 65535;
constexpr int kScanSlots = 32000;

class DeviceSlots {
public:
    DeviceSlots() : slots_(kTableSlots + 1) {}

    // Whatever holds this reference may fill the slot, so the mark covers it from now on. Code that
    // only reads goes through a const table and leaves the mark where it is.
    DeviceRecord& operator[](size_t slot) {
        if (slot > mark_) mark_ = slot;
        return slots_[slot];
    }
    const DeviceRecord& operator[](size_t slot) const { return slots_[slot]; }

    // Where a pass over slots 1..last may stop: every slot after it holds an empty record.
    int LastInUse(int last) const { return std::min(static_cast<int>(mark_), last); }
    // Empties every slot from first on.
    void ClearFrom(int first) {
        for (size_t i = static_cast<size_t>(std::max(first, 1)); i <= mark_; ++i) slots_[i] = DeviceRecord{};
        mark_ = std::min(mark_, static_cast<size_t>(std::max(first - 1, 0)));
    }
    // Frees the records; only a new table may take this one's place.
    void Release() {
        std::vector<DeviceRecord>().swap(slots_);
        mark_ = 0;
    }

private:
    std::vector<DeviceRecord> slots_;
    size_t mark_ = 0;
};

}  // namespace modMain
