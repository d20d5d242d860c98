#pragma once
// Path and file-attribute helpers. Paths are UTF-8 with '/' as the separator.
#include <cstdint>
#include <optional>
#include <string>

// The text after the last separator, or the whole path when there is none.
std::string GetFileNamePart(const std::string& path);
// The folder holding the path's last part: the text before the last separator, "/" for a file in
// the root, "." when there is no separator.
std::string GetFolderPart(const std::string& path);
// The last '.' of the file-name part and what follows it (".mp3"); none when the name has no dot.
std::optional<std::string> GetFileExtension(const std::string& path);
// The low 32 bits of the file's size (files of 4 GiB and more report their size modulo 2^32).
bool GetFileSize32(const std::string& path, uint32_t& size);
// The whole size, for what the user is shown and for estimates from it.
bool GetFileSize64(const std::string& path, uint64_t& size);
// The folder holding the running program, ending with a separator.
bool GetProgramFolder(std::string& folder);
bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
// True when the path is an existing directory; otherwise creates it when asked to.
bool EnsureDirectory(const std::string& path, bool create);
// Creates every missing folder along the path; false when a prefix is a file or cannot be made.
bool CreateDirectoryPath(const std::string& path);
// Case-insensitive ASCII comparison, as used for ".mp3" and ".lnk".
bool EqualsIgnoreCase(const std::string& left, const std::string& right);
