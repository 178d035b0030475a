#pragma once

#include <string>
#include <string_view>

namespace kestro {

// The separator the platform's own paths use. Folder values always end with it.
#ifdef _WIN32
inline constexpr char kPathSep = '\\';
#else
inline constexpr char kPathSep = '/';
#endif

// True for the characters that end a folder part of a path: both slashes
// and the drive colon, on every platform (a name taken from a file is never
// allowed to carry a folder part of its own).
constexpr bool IsPathDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

// A name Windows resolves to a device in any folder, whatever extension
// follows ("CON", "nul.txt", "COM1", "LPT\xB9.png", "CONOUT$"): a file of that
// name cannot be created there, and writing to it reaches the device.
bool IsWindowsDeviceName(std::string_view name);

// A name that can stand as one file inside a folder of ours: not empty, not
// "." or "..", no folder part (no slash, backslash or colon), no control
// characters, not a device. Every name read from a screensaver file (items,
// the settings file, archive entries) passes this before it becomes a file.
bool IsPlainFileName(std::string_view name);

// The part after the last delimiter.
std::string ExtractFileName(std::string_view path);
// The part up to and including the last delimiter.
std::string ExtractFilePath(std::string_view path);
// The extension of the file-name part, from its last dot on (dot included);
// empty when there is none.
std::string ExtractFileExt(std::string_view path);
// The folder with exactly one trailing separator added when it has none.
std::string IncludeTrailingSeparator(std::string_view folder);
// Joins a folder and a name with the platform separator.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace kestro
