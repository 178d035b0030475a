#include "common/startup_values.h"

namespace kestro {

std::int32_t RunMode = kRunConfigure;
std::intptr_t ParentWindow = 0;
std::intptr_t PreviousForegroundWindow = 0;
std::uint8_t SaverKind = kSaverImage;
std::int32_t HackConvention = kHackNone;
std::intptr_t HackWindow = 0;

}  // namespace kestro
