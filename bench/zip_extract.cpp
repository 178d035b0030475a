// bench_zip_extract ARCHIVE DIR: extracts every entry of ARCHIVE flat into
// DIR with the program's ZIP reader, as the payload code does, and prints
// the count and the time taken. zip_vs_unzip.sh times it against unzip.

#include <chrono>
#include <cstdio>
#include <string>

#include "common/error.h"
#include "payload/zip_reader.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s ARCHIVE DIR\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  int count = 0;
  try {
    kestro::TVCLUnZip zip;
    zip.SetZipName(argv[1]);
    zip.DoAll = true;
    zip.SetDestDir(argv[2]);
    zip.OverwriteMode = kestro::TOverwriteMode::Always;
    count = zip.UnZip();
  } catch (const kestro::Exception& e) {
    std::fprintf(stderr, "%s: %s\n", e.ClassName(), e.what());
    return 1;
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d entries extracted in %.1f ms\n", count, ms);
  return 0;
}
