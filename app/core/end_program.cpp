#include "app/core/end_program.h"

#include <cstdio>
#include <cstdlib>

#include "platform/profile_engine.h"

namespace modMain {

void EndProgram(int code) {
    platform::profile_flush();
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace modMain
