#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/api/files.h"

namespace kestro {

// What a screensaver file carries after the program image: the items back
// to back, the marker, the settings-file name, "**", and the settings archive.
// The marker is assembled at run time, so that the program image itself
// never holds it: a small payload leaves part of the image inside the window.
std::string PayloadMarker();
inline constexpr char kPayloadNameEnd[] = "**";
// The marker, the name and the settings archive lie within this many bytes
// of the end of the program file.
inline constexpr std::uint32_t kPayloadWindow = 150000;

// Where the parts of a payload lie, as read from the window at the end of a
// program file. Offsets are absolute positions in the file.
struct PayloadLayout {
  std::uint64_t markerOffset = 0;   // the first marker in the window
  bool hasSettings = false;         // a plain name, "**" and a non-empty archive follow it
  std::string settingsName;
  std::uint64_t archiveOffset = 0;  // the settings archive runs from here to the end of the window
  std::uint64_t archiveSize = 0;
};

// Reads `window`, the last bytes of a file starting at `windowStart`, the
// way LocatePayload does; nothing when it holds no marker.
std::optional<PayloadLayout> FindPayloadLayout(std::string_view window, std::uint64_t windowStart);

// The per-user extraction folder (the temporary folder + "Kestro" + separator)
// and the system folder, computed by PayloadModuleStartup.
extern std::string TempRoot;
extern std::string SystemFolder;
extern bool PayloadFound;
// The payload was found and the program file's extension is ".EXE".
extern bool RunAsExe;
extern std::string SettingsFile;
// The program file, open for reading while a payload was found.
platform::FileStream* PayloadStream();

// Computes TempRoot and SystemFolder and creates TempRoot + "tmp" (failures ignored).
void PayloadModuleStartup();

// Finds the payload in the program's own file and unpacks the settings file
// into TempRoot. Errors of the ZIP reader pass to the caller.
void LocatePayload();
// Same, on a given program file (LocatePayload uses the program's own path).
void LocatePayloadIn(const std::string& programPath);

// Copies one item out of the program file: its raw bytes to targetPath + "~",
// then either a copy to targetPath ([notzip]) or its archive unpacked into
// unzipFolder (empty: TempRoot). Does nothing for an item without offsets.
void ExtractPayloadItem(const std::string& itemName, const std::string& targetPath,
                        const std::string& unzipFolder);

// Makes the payload item named by `itemKey` a local file: `path` becomes
// TempRoot + its file-name part, the item is extracted on first use, and the
// result tells whether the file exists. Extraction errors are swallowed.
bool FetchPayloadFile(const std::string& itemKey, std::string& path);

// Extracts every entry of a ZIP file into a folder (empty: TempRoot),
// replacing existing files.
void UnzipToFolder(const std::string& archivePath, const std::string& folder);

// The payload item of the MP3 decoder library, and its file name once
// extracted: "MPEGDLL.DLL" on Windows, the shared library's name elsewhere.
#ifdef _WIN32
inline constexpr char kDecoderLibraryItem[] = "MPEGDLL.DLL";
#else
inline constexpr char kDecoderLibraryItem[] = "libmpegdll.so";
#endif

// Makes the decoder library available in the system folder (or TempRoot
// when it is stored as-is), when a payload was found.
void ExtractDecoderLibrary();

// Deletes every file directly inside TempRoot and TempRoot + "tmp"
// (sub-folders are left alone). Errors are swallowed.
void CleanTempFolders();

// Closes the program file and forgets the payload (for tests and the builder).
void ResetPayload();

}  // namespace kestro
