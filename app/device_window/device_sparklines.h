#pragma once
// Small plots beside the device window's four analogue bars, its temperature and its battery: the
// shown device's readings over the last hour of the history, redrawn with the window.
#include <array>

#include "app/core/device_record.h"
#include "app/health/time_plot.h"

class frmDevice;

class DeviceSparklines {
public:
    static constexpr health::Ds kSpan = health::kDsPerMinute * 60;

    // Makes room beside the bars and below the two readings, and puts the plots there.
    explicit DeviceSparklines(frmDevice& window);
    // Draws the readings of the device with this record's address.
    void Redraw(const DeviceRecord& shown);

    // Channels 1..4, then temperature and battery.
    std::array<health::TimePlot*, 6> plots{};
};
