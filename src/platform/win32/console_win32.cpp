#include <windows.h>

#include "platform/api/console.h"

namespace kestro::platform {

namespace {

HANDLE Handle(StandardStream stream) {
  return ::GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

// A console answers GetConsoleMode; files, pipes and mintty's pipes do not.
bool IsTerminal(StandardStream stream) {
  DWORD mode = 0;
  const HANDLE handle = Handle(stream);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

int TerminalColumns(StandardStream stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!IsTerminal(stream) || ::GetConsoleScreenBufferInfo(Handle(stream), &info) == 0) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

}  // namespace kestro::platform
