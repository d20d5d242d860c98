#pragma once
// The Shell Link binary format (".lnk" shortcut files): where a shortcut points, read from its bytes.
// A shortcut is untrusted input: every size, count and offset is checked against the bytes given, and
// a damaged or hostile file gives nothing instead of a wrong target.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The target as the shortcut records it: Windows paths in UTF-8, with their backslashes.
struct ShellLinkTarget {
    // "C:\Music\song.mp3" or "\\server\share\song.mp3": from the link information, or else built from
    // the target's item list. Empty when the shortcut records neither.
    std::string absolutePath;
    // "..\Music\song.mp3", relative to the folder holding the shortcut; empty when not recorded.
    std::string relativePath;
};

// Nothing when the bytes are not a shell link, are damaged, or name no target at all.
std::optional<ShellLinkTarget> ParseShellLink(std::span<const uint8_t> bytes);
