#pragma once

// Folders of pictures or music given whole on the command line.

#include <string>
#include <string_view>
#include <vector>

namespace kestro::builder {

enum class FolderContent { kPictures, kMusic };

// The extensions (without the dot) a folder's files are taken by: for
// pictures every extension of the runtime's format registry and the formats
// the builder converts; for music the files the show plays (MP3 through the
// decoder library, the others through the system's media player).
bool TakesExtension(FolderContent content, std::string_view extension);

struct FolderScan {
  std::vector<std::string> files;    // paths, in name order
  std::vector<std::string> skipped;  // one line each: what was not taken, and why
};

// The files of `folder` to take, in name order (names compare without regard
// to case; with `recursive`, each sub-folder's files at the place of its
// name). Hidden files, files of other extensions, and sub-folders without
// `recursive` are skipped with a line each; links to folders are not
// followed. Throws EBuildError when the folder cannot be read.
FolderScan ScanFolder(const std::string& folder, FolderContent content, bool recursive);

}  // namespace kestro::builder
