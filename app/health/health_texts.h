#pragma once
// The health window's texts came after the string table; they follow its language all the same.
#include <QString>
#include <cstdint>

namespace health {

QString T(const char* english, const char* italian);
// A device's link state as the table keeps it.
QString StatusText(int16_t devStatus);

}  // namespace health
