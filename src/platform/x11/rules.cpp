#include "platform/x11/rules.h"

#include <X11/keysym.h>

#include <algorithm>

namespace kestro::platform::x11 {

std::vector<TRect> OrderMonitors(const std::vector<MonitorArea>& reported) {
  std::vector<TRect> result;
  auto add = [&result](const TRect& r) {
    if (r.IsEmpty()) return;
    if (std::find(result.begin(), result.end(), r) == result.end()) result.push_back(r);
  };
  const auto primary = std::find_if(reported.begin(), reported.end(), [](const MonitorArea& m) {
    return m.primary && !m.rect.IsEmpty();
  });
  const auto origin = std::find_if(reported.begin(), reported.end(), [](const MonitorArea& m) {
    return m.rect.Left == 0 && m.rect.Top == 0 && !m.rect.IsEmpty();
  });
  if (primary != reported.end()) {
    add(primary->rect);
  } else if (origin != reported.end()) {
    add(origin->rect);
  }
  for (const MonitorArea& m : reported) add(m.rect);
  return result;
}

std::uintptr_t VirtualKeyOf(unsigned long keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return 'A' + (keysym - XK_a);
  if (keysym >= XK_A && keysym <= XK_Z) return 'A' + (keysym - XK_A);
  if (keysym >= XK_0 && keysym <= XK_9) return '0' + (keysym - XK_0);
  if (keysym >= XK_F1 && keysym <= XK_F24) return 0x70 + (keysym - XK_F1);
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return 0x60 + (keysym - XK_KP_0);
  switch (keysym) {
    case XK_BackSpace: return 0x08;
    case XK_Tab:
    case XK_ISO_Left_Tab: return 0x09;
    case XK_Return:
    case XK_KP_Enter: return 0x0D;
    case XK_Shift_L:
    case XK_Shift_R: return 0x10;
    case XK_Control_L:
    case XK_Control_R: return 0x11;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R: return 0x12;
    case XK_Pause: return 0x13;
    case XK_Caps_Lock: return 0x14;
    case XK_Escape: return 0x1B;
    case XK_space: return 0x20;
    case XK_Prior: return 0x21;
    case XK_Next: return 0x22;
    case XK_End: return 0x23;
    case XK_Home: return 0x24;
    case XK_Left: return 0x25;
    case XK_Up: return 0x26;
    case XK_Right: return 0x27;
    case XK_Down: return 0x28;
    case XK_Print: return 0x2C;
    case XK_Insert: return 0x2D;
    case XK_Delete: return 0x2E;
    case XK_Super_L: return 0x5B;
    case XK_Super_R: return 0x5C;
    case XK_Menu: return 0x5D;
    case XK_Num_Lock: return 0x90;
    case XK_Scroll_Lock: return 0x91;
    default: return 0;
  }
}

}  // namespace kestro::platform::x11
