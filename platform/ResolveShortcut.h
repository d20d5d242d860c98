#pragma once
// Following shortcuts to what they point at: symbolic links, and ".lnk" shell links made on Windows
// (or copied from a Windows drive), whose Windows paths are looked up on this system.
#include <optional>
#include <string>

// A symbolic link, or a file named ".lnk" (any case).
bool IsShortcut(const std::string& path);

// One step: the target of a symbolic link (relative targets taken from the link's folder), or the
// target of a shell link that exists here. A shell link's relative path is tried from the shortcut's
// folder first; then its absolute path: as it stands when it is a POSIX path, else a drive path
// ("E:\Music\a.mp3") below the root of the file system that holds the shortcut (a Windows drive
// mounted here) and below "/". Nothing when the shortcut cannot be read or no candidate exists.
std::optional<std::string> ResolveShortcut(const std::string& path);
