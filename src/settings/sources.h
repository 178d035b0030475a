#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/saver_setting.h"

namespace kestro {

// Markers in front of a source entry; exact and case-sensitive.
inline constexpr char kMarkerURL[] = "(URL) ";
inline constexpr char kMarkerFavorites[] = "(Favorites) ";
inline constexpr char kMarkerFile[] = "(File) ";
inline constexpr char kMarkerResource[] = "(Resource) ";
inline constexpr char kMarkerExternal[] = "(External) ";

// Fills `list` with the enabled keys of a section of PayloadSettings, in file
// order. A key is enabled unless its value reads as the integer 0. Keys
// starting with "(Resource) " or "(External) " are extracted from the payload
// (FetchResourceItem) instead of being listed.
void BuildSourceList(std::string_view section, TSourceList& list);

// The enabled entries of a section of `ini`, in file order, without the
// "(Resource) " and "(External) " ones (returned in `resources` when given).
TSourceList ReadSourceList(const TMemIniFile& ini, std::string_view section,
                           std::vector<std::string>* resources = nullptr);

// Extracts a "(Resource) " or "(External) " entry's payload item to TempRoot
// + its name (markers removed, "**" read as "="), when a payload was found.
// A name that is not a plain file name (a folder part, "." or "..", a drive
// colon, control characters) is not extracted. Extraction errors pass to
// the caller.
void FetchResourceItem(const std::string& entry);

// Puts the list into a random order (reseeding the generator from the clock).
void ShuffleList(TSourceList& list);
// Shuffles each list whose sequence setting is 2: ImageSequence PictureList,
// FlashSequence FlashList, VideoSequence VideoList, WebSequence WebList.
void ShuffleSequences();

// When `text` begins with `prefix`, returns the rest (and makes it the text
// when `replace` is set); otherwise returns the text unchanged.
std::string StripPrefix(std::string& text, std::string_view prefix, bool replace);

// Turns a source entry into the local path (or web address) to use,
// fetching a payload item on first use; the result says whether it is
// usable. The entry is rewritten in place.
bool ResolveSource(std::string& entry);

}  // namespace kestro
