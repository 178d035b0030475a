// Test helper: stands in for the display settings dialog that hosts a
// screensaver's preview. Opens a top-level window "Kestro Preview Host"
// (400 x 300 at 100, 100) with a black child area of 152 x 112 at (50, 50)
// of its client area, writes the child's handle (decimal) to HANDLE_FILE,
// and serves its windows until CLOSE_FILE appears (or a time limit passes);
// then destroys them and ends. While it runs it keeps STATUS_FILE (HANDLE_FILE
// + ".status") up to date with the windows inside the child area, one a line:
// "handle left top right bottom visible", the rectangle in the area's client
// coordinates.
// Usage: preview_host HANDLE_FILE CLOSE_FILE
#include <windows.h>

#include <cstdio>

namespace {

const char* closeFile = nullptr;
char statusFile[MAX_PATH + 16] = {};
HWND area = nullptr;

BOOL CALLBACK ListChild(HWND hwnd, LPARAM data) {
  if (GetParent(hwnd) != area) return TRUE;
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, area, reinterpret_cast<POINT*>(&r), 2);
  std::fprintf(reinterpret_cast<FILE*>(data), "%lld %ld %ld %ld %ld %d\n",
               static_cast<long long>(reinterpret_cast<INT_PTR>(hwnd)), r.left, r.top, r.right, r.bottom,
               IsWindowVisible(hwnd) ? 1 : 0);
  return TRUE;
}

void WriteStatus() {
  char temp[MAX_PATH + 32];
  std::snprintf(temp, sizeof temp, "%s.new", statusFile);
  FILE* out = std::fopen(temp, "w");
  if (out == nullptr) return;
  EnumChildWindows(area, ListChild, reinterpret_cast<LPARAM>(out));
  std::fclose(out);
  MoveFileExA(temp, statusFile, MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    WriteStatus();
    if (GetFileAttributesA(closeFile) != INVALID_FILE_ATTRIBUTES || GetTickCount() > wParam) {
      DestroyWindow(hwnd);
    }
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: preview_host HANDLE_FILE CLOSE_FILE\n");
    return 2;
  }
  closeFile = argv[2];
  std::snprintf(statusFile, sizeof statusFile, "%s.status", argv[1]);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA host{};
  host.lpfnWndProc = HostProc;
  host.hInstance = instance;
  host.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  host.lpszClassName = "KestroPreviewHost";
  RegisterClassA(&host);
  WNDCLASSA areaClass{};
  areaClass.lpfnWndProc = DefWindowProcA;
  areaClass.hInstance = instance;
  areaClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  areaClass.lpszClassName = "KestroPreviewArea";
  RegisterClassA(&areaClass);

  RECT outer{0, 0, 400, 300};
  AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window = CreateWindowExA(0, "KestroPreviewHost", "Kestro Preview Host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                100, 100, outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                instance, nullptr);
  HWND child = area = CreateWindowExA(0, "KestroPreviewArea", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 152,
                               112, window, nullptr, instance, nullptr);
  if (window == nullptr || child == nullptr) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  // The timer's id carries the time limit: two minutes from now.
  SetTimer(window, GetTickCount() + 120000, 100, nullptr);

  if (FILE* out = std::fopen(argv[1], "w")) {
    std::fprintf(out, "%lld\n", static_cast<long long>(reinterpret_cast<INT_PTR>(child)));
    std::fclose(out);
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
