#pragma once

#include <cstdint>
#include <vector>

#include "common/geometry.h"

namespace kestro::platform::x11 {

// The X11 backend's rules that need no display, kept apart for tests.

// One monitor as an X extension reports it.
struct MonitorArea {
  TRect rect;
  bool primary = false;
};

// The monitors as the window system gives them: the primary one first
// (else the one at the desktop's origin, else the first reported), the
// others in the order reported; empty areas and areas that repeat another
// (mirrored outputs, screens cloned by Xinerama) are left out.
std::vector<TRect> OrderMonitors(const std::vector<MonitorArea>& reported);

// The Windows virtual-key code of an X11 keysym: letters as upper case,
// digits, the keys the show's exit rules and the dialogs name (Escape,
// Return, Tab, space, arrows, function keys...), 0 for none.
std::uintptr_t VirtualKeyOf(unsigned long keysym);

}  // namespace kestro::platform::x11
