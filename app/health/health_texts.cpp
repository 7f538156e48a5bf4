#include "app/health/health_texts.h"

#include "app/core/mod_main.h"

namespace health {

QString T(const char* english, const char* italian) {
    return QString::fromUtf8(modMain::g().LangOffset == 0 ? english : italian);
}

QString StatusText(int16_t devStatus) {
    switch (devStatus) {
        case 1: return T("online", "in linea");
        case 2: return T("end device", "dispositivo finale");
        default: return T("no answer", "nessuna risposta");
    }
}

}  // namespace health
