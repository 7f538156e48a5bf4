#include "tests/app/app_fixture.h"

#include <QApplication>
#include <memory>

#include "app/core/mod_main.h"
#include "tests/qt_application_environment.h"

namespace {

const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment("app_tests"));

}  // namespace

AppTest::AppTest() {
    modMain::reset();
    platform::set_settings(&store);
    platform::set_dialogs(&dialogs);
}

AppTest::~AppTest() {
    platform::set_settings(nullptr);
    platform::set_dialogs(nullptr);
    modMain::reset();
}

std::string AppTest::saved(const std::string& key) const {
    auto it = store.values.find({"Corvani_ZigBee_Demo", "Settings", key});
    return it == store.values.end() ? "<absent>" : it->second;
}

void AppTest::save(const std::string& key, const std::string& value) {
    store.values[{"Corvani_ZigBee_Demo", "Settings", key}] = value;
}
