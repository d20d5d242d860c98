#pragma once
// M3U playlists: the joiner saves its list as one and both lists add the entries of one.
//
// Reading takes ".m3u" and ".m3u8" files: "#EXTM3U", "#EXTINF" and other "#" lines are passed over,
// lines may end in CR LF, entries are paths (relative ones from the playlist's folder) or file: URLs.
// ".m3u8" is UTF-8; ".m3u" is UTF-8 when it decodes as such, else Latin-1. A playlist is untrusted
// input: one that is too large or holds binary data is refused with a reason, never half read.
// Writing makes a UTF-8 ".m3u8" with "#EXTINF" lines; entries in the playlist's folder or below it
// are written relative to it, others as full paths. The file appears complete or not at all.
#include <cstdint>
#include <string>
#include <vector>

struct PlaylistEntry {
    std::string path;
    int64_t seconds = -1; // -1: unknown
    std::string title; // UTF-8; the file's name when empty
};

// Whether the name ends with ".m3u" or ".m3u8", in any case.
bool IsPlaylistPath(const std::string& path);

// The entries' full paths in playlist order; false with the reason ("it holds binary data") when the
// file is no playlist this program reads.
bool ReadM3uPlaylist(const std::string& playlistPath, std::vector<std::string>& entries, std::string& reason);
// The most entries read from one playlist; more are left out with a reason.
inline constexpr size_t kMostPlaylistEntries = 100000;

// False with the message ("Failed to create file ...") when the file could not be written.
bool WriteM3uPlaylist(const std::string& playlistPath, const std::vector<PlaylistEntry>& entries, std::string& error);
