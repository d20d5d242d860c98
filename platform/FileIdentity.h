#pragma once
// Which file a path names: its device and inode. Two spellings of one file, or a link and its
// target, have one identity; two names that differ only in case are two files.
#include <cstdint>
#include <optional>
#include <string>

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

// Follows symbolic links; nothing when the path cannot be examined.
std::optional<FileIdentity> IdentityOf(const std::string& path);
