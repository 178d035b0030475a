// Test helper: describes the dialog of another process as the user sees it,
// for tests that drive the settings dialog with xdotool.
// Usage: dialog_probe TITLE
// Prints, for the top-level window titled TITLE:
//   window LEFT TOP WIDTH HEIGHT      its outer rectangle on the screen
//   client LEFT TOP WIDTH HEIGHT       its client area on the screen
//   dpi N                              the window's DPI
//   awareness pmv2|other N|unknown     its DPI awareness (N: 0 unaware, 1 system, 2 per monitor)
//   focus CLASS|TEXT                   the control with the keyboard focus
// then one line per control, in creation order, fields separated by "|":
//   class|text|checked|enabled|visible|left,top,width,height|extra
// where text has line breaks written as \n, checked is 0 or 1 (buttons),
// visible means shown on the screen (every parent visible too), the
// rectangle is on the screen, and extra holds the selected index of a tab
// control or the selected item's data of a combo box.
// Exit status 1 when no such window exists.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

std::string SentText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                      &copied);
  text.resize(static_cast<std::size_t>(copied));
  std::string out;
  for (const char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      out += "\\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

LRESULT Ask(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &answer);
  return static_cast<LRESULT>(answer);
}

BOOL CALLBACK Describe(HWND hwnd, LPARAM) {
  char name[128] = {};
  GetClassNameA(hwnd, name, sizeof name);
  const std::string cls = name;
  RECT r{};
  GetWindowRect(hwnd, &r);
  const bool button = cls == "Button";
  std::string extra;
  if (cls == "SysTabControl32") extra = std::to_string(Ask(hwnd, TCM_GETCURSEL));
  if (cls == "ComboBox") {
    const LRESULT index = Ask(hwnd, CB_GETCURSEL);
    extra = std::to_string(index) + ":" + std::to_string(index < 0 ? -1 : Ask(hwnd, CB_GETITEMDATA, index));
  }
  std::printf("%s|%s|%d|%d|%d|%ld,%ld,%ld,%ld|%s\n", cls.c_str(), SentText(hwnd).c_str(),
              button && Ask(hwnd, BM_GETCHECK) == BST_CHECKED ? 1 : 0, IsWindowEnabled(hwnd) ? 1 : 0,
              IsWindowVisible(hwnd) ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top, extra.c_str());
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HWND dialog = FindWindowA(nullptr, argv[1]);
  if (dialog == nullptr) return 1;
  RECT window{};
  RECT client{};
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  std::printf("window %ld %ld %ld %ld\n", window.left, window.top, window.right - window.left,
              window.bottom - window.top);
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  std::printf("client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);

  HMODULE user = GetModuleHandleA("user32.dll");
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  using GetAwarenessFn = HANDLE(WINAPI*)(HWND);
  using EqualFn = BOOL(WINAPI*)(HANDLE, HANDLE);
  using AwarenessFn = int(WINAPI*)(HANDLE);
  const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
  const auto getAwareness =
      reinterpret_cast<GetAwarenessFn>(reinterpret_cast<void*>(GetProcAddress(user, "GetWindowDpiAwarenessContext")));
  const auto equal =
      reinterpret_cast<EqualFn>(reinterpret_cast<void*>(GetProcAddress(user, "AreDpiAwarenessContextsEqual")));
  std::printf("dpi %u\n", getDpi != nullptr ? getDpi(dialog) : 0u);
  const auto awarenessOf = reinterpret_cast<AwarenessFn>(
      reinterpret_cast<void*>(GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext")));
  std::string awareness = "unknown";
  if (getAwareness != nullptr && equal != nullptr && awarenessOf != nullptr) {
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2; otherwise the DPI_AWARENESS
    // value (0 unaware, 1 system, 2 per monitor).
    const HANDLE context = getAwareness(dialog);
    awareness = equal(context, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))
                    ? "pmv2"
                    : "other " + std::to_string(awarenessOf(context));
  }
  std::printf("awareness %s\n", awareness.c_str());
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui) && gui.hwndFocus != nullptr) {
    char name[128] = {};
    GetClassNameA(gui.hwndFocus, name, sizeof name);
    std::printf("focus %s|%s\n", name, SentText(gui.hwndFocus).c_str());
  }
  EnumChildWindows(dialog, &Describe, 0);
  return 0;
}
