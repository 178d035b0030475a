// Test helper: exit status 0 when no named mutex of the given name exists,
// 1 while one does (it does not create one, so it never holds it itself).
// Usage: mutex_probe NAME
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, argv[1]);
  if (mutex == nullptr) return 0;
  CloseHandle(mutex);
  return 1;
}
