#pragma once
// Every app test runs on virtual time with in-memory settings and scripted dialogs, against module
// state reset to its process-start values. One offscreen QApplication serves the whole binary.
#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "platform/settings_store.h"
#include "platform/virtual_clock.h"

class AppTest : public ::testing::Test {
protected:
    AppTest();
    ~AppTest() override;

    // Value of the program's saved setting `key`, or "<absent>".
    std::string saved(const std::string& key) const;
    void save(const std::string& key, const std::string& value);

    platform::VirtualClock clock{1000};
    platform::MemorySettingsStore store;
    platform::ScriptedDialogs dialogs;
};
