// Extracts every input as a ZIP archive into a scratch folder. Any crash,
// sanitizer report, or file appearing outside that folder is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "payload/zip_reader.h"
#include "platform/api/system.h"
#include "platform/headless/headless_system.h"

namespace {

namespace fs = std::filesystem;

struct FuzzFolders {
  fs::path root;
  fs::path archive;
  fs::path out;
  kestro::platform::HeadlessSystem system;  // records "Unknown Compression Method" instead of showing it

  FuzzFolders() {
    root = fs::temp_directory_path() / ("kestro_fuzz_zip_" + std::to_string(std::random_device{}()));
    out = root / "out";
    archive = root / "input.zip";
    fs::create_directories(out);
    kestro::platform::InstallSystem(&system);
  }

  ~FuzzFolders() {
    kestro::platform::InstallSystem(nullptr);
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

FuzzFolders& Folders() {
  static FuzzFolders folders;
  return folders;
}

void EmptyFolder(const fs::path& folder) {
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(folder, ec)) {
    fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(item.path(), ec);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFolders& f = Folders();
  {
    std::ofstream file(f.archive, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  kestro::TVCLUnZip zip;
  zip.SetZipName(f.archive.string());
  zip.DoAll = true;
  zip.SetDestDir(f.out.string());
  zip.OverwriteMode = kestro::TOverwriteMode::Always;
  try {
    zip.UnZip();
  } catch (const kestro::Exception&) {
  }
  f.system.messages.clear();

  // Nothing may land beside the archive or the output folder.
  std::size_t items = 0;
  for (const auto& item : fs::directory_iterator(f.root)) {
    (void)item;
    ++items;
  }
  if (items != 2) std::abort();
  // Only plain files are ever created inside it.
  for (const auto& item : fs::directory_iterator(f.out)) {
    if (!item.is_regular_file()) std::abort();
  }
  EmptyFolder(f.out);
  return 0;
}
