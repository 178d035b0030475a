// Test helper: makes Windows metafiles with GDI and loads pictures the way
// the saver does, printing what came out.
// Usage: picture_probe make-emf FILE | make-wmf FILE
//        picture_probe load FILE COLOR X,Y...   (COLOR as 0xBBGGRR hex)
// "load" prints "WIDTH HEIGHT" and then the colour of every pixel asked for.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/errors.h"
#include "imaging/load_picture.h"

// After our headers: its RGB macro would hide the picture code's RGB.
#include <windows.h>

namespace {

// A 100 x 60 picture: red in the top-left 50 x 30, a blue bar at the bottom
// right, the rest not painted.
void Draw(HDC dc) {
  RECT red = {0, 0, 50, 30};
  RECT blue = {70, 40, 100, 60};
  HBRUSH r = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH b = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(dc, &red, r);
  FillRect(dc, &blue, b);
  DeleteObject(r);
  DeleteObject(b);
}

int MakeEmf(const char* path) {
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT frame = {0, 0, MulDiv(100, 2540, dpiX), MulDiv(60, 2540, dpiY)};  // 0.01 mm
  HDC dc = CreateEnhMetaFileA(nullptr, path, &frame, nullptr);
  if (dc == nullptr) return 1;
  Draw(dc);
  HENHMETAFILE emf = CloseEnhMetaFile(dc);
  if (emf == nullptr) return 1;
  DeleteEnhMetaFile(emf);
  return 0;
}

int MakeWmf(const char* path) {
  HDC dc = CreateMetaFileA(nullptr);
  if (dc == nullptr) return 1;
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, 100, 60, nullptr);
  Draw(dc);
  HMETAFILE wmf = CloseMetaFile(dc);
  const UINT size = GetMetaFileBitsEx(wmf, 0, nullptr);
  std::vector<unsigned char> bits(size);
  GetMetaFileBitsEx(wmf, size, bits.data());
  DeleteMetaFile(wmf);
  // Placeable header: key, handle, bounding box, units per inch, reserved, checksum.
  WORD header[11] = {0xCDD7, 0x9AC6, 0, 0, 0, 100, 60, 96, 0, 0, 0};
  for (int i = 0; i < 10; ++i) header[10] ^= header[i];
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return 1;
  std::fwrite(header, 1, sizeof header, f);
  std::fwrite(bits.data(), 1, bits.size(), f);
  return std::fclose(f) == 0 ? 0 : 1;
}

int Load(int argc, char** argv) {
  kestro::TPicture picture;
  try {
    kestro::LoadPicture(picture, argv[2], static_cast<kestro::TColor>(std::strtoul(argv[3], nullptr, 16)));
  } catch (const kestro::Exception& e) {
    std::printf("error %s: %s\n", e.ClassName(), e.what());
    return 0;
  }
  std::printf("%d %d\n", picture.Width(), picture.Height());
  const auto* bitmap = dynamic_cast<const kestro::TBitmap*>(picture.Graphic());
  for (int i = 4; i < argc; ++i) {
    int x = 0, y = 0;
    if (bitmap == nullptr || std::sscanf(argv[i], "%d,%d", &x, &y) != 2 || x < 0 || y < 0 ||
        x >= bitmap->Width() || y >= bitmap->Height()) {
      std::printf("-\n");
      continue;
    }
    std::printf("%06x\n", static_cast<unsigned>(bitmap->Image().GetPixel(x, y)));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "make-emf") == 0) return MakeEmf(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "make-wmf") == 0) return MakeWmf(argv[2]);
  if (argc >= 4 && std::strcmp(argv[1], "load") == 0) return Load(argc, argv);
  std::fprintf(stderr, "usage: picture_probe make-emf FILE | make-wmf FILE | load FILE COLOR X,Y...\n");
  return 2;
}
