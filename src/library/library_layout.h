// Names of the library's own entries in its root and item folders, for the store's code.
#pragma once

#include <string_view>

namespace bw::layout {

inline constexpr std::string_view itemFileName = "item.json";
inline constexpr std::string_view groupsFileName = "groups.json";
// An item's transcript, written by the transcript store.
inline constexpr std::string_view transcriptFileName = "transcript.json";
// The work of an interrupted transcription of the item, to carry on from; written by the
// transcription service.
inline constexpr std::string_view checkpointFileName = ".checkpoint.json";
// The inter-process lock around every change of the files above.
inline constexpr std::string_view lockFileName = ".lock";
// Hidden folders of the root: an item being deleted, an item being imported.
inline constexpr std::string_view deletedPrefix = ".deleted-";
inline constexpr std::string_view importingPrefix = ".importing-";
// The hidden folder of the search index, a cache of the files above that may go at any time.
inline constexpr std::string_view searchFolderName = ".search";
// Space a recording keeps in its folder while it records, given up to write its finished
// item file when the disk has filled meanwhile.
inline constexpr std::string_view reserveFileName = ".reserve";

} // namespace bw::layout
