// Prints the monitors the window system reports, one "left top right bottom"
// a line, the primary one first: the wine tests ask it whether the display
// they run on has several monitors.
#include <cstdio>

#include "platform/api/ui.h"

int main() {
  for (const kestro::TRect& m : kestro::platform::UI().Monitors()) {
    std::printf("%d %d %d %d\n", m.Left, m.Top, m.Right, m.Bottom);
  }
  return 0;
}
