// Test helper: holds a named mutex until a release file appears (or a time
// limit passes), so that a second program can be started against it.
// Usage: hold_mutex NAME READY_FILE RELEASE_FILE
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: hold_mutex NAME READY_FILE RELEASE_FILE\n");
    return 2;
  }
  HANDLE mutex = CreateMutexA(nullptr, FALSE, argv[1]);
  if (mutex == nullptr) return 1;
  if (FILE* ready = std::fopen(argv[2], "w")) std::fclose(ready);
  for (int i = 0; i < 600; ++i) {  // at most 60 s
    if (GetFileAttributesA(argv[3]) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(100);
  }
  CloseHandle(mutex);
  return 0;
}
