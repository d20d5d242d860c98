#include "platform/ResolveShortcut.h"

#include "platform/PathHelpers.h"
#include "platform/ShellLink.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Shell links are a few kilobytes; anything much larger is not one.
constexpr off_t kMaxShellLinkSize = 1 << 20;

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& rest)
{
    if (folder.empty() || folder.back() == '/')
        return folder + rest;
    return folder + '/' + rest;
}

std::optional<std::string> SymbolicLinkTarget(const std::string& path)
{
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return std::nullopt;
        if (static_cast<size_t>(length) < buffer.size()) {
            const std::string target(buffer.data(), static_cast<size_t>(length));
            if (target.empty())
                return std::nullopt;
            return target.front() == '/' ? target : JoinPath(FolderOf(path), target);
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The whole file when it is a regular file of a shell link's size; O_NONBLOCK keeps a FIFO that is
// named ".lnk" from blocking the open.
std::optional<std::vector<uint8_t>> ReadSmallFile(const std::string& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    std::optional<std::vector<uint8_t>> bytes;
    struct stat info { };
    if (::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxShellLinkSize) {
        std::vector<uint8_t> content(static_cast<size_t>(info.st_size));
        size_t filled = 0;
        while (filled < content.size()) {
            const ssize_t got = ::read(descriptor, content.data() + filled, content.size() - filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            filled += static_cast<size_t>(got);
        }
        content.resize(filled); // a file that shrank is parsed as what was read
        bytes = std::move(content);
    }
    ::close(descriptor);
    return bytes;
}

std::string WithSlashes(std::string path)
{
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

// The highest folder above path on the same file system: where a removable or Windows drive that
// holds the shortcut is mounted.
std::string MountRootOf(const std::string& path)
{
    char* resolved = ::realpath(FolderOf(path).c_str(), nullptr);
    if (!resolved)
        return "/";
    std::string current = resolved;
    std::free(resolved);
    struct stat info { };
    if (::stat(current.c_str(), &info) != 0)
        return "/";
    const dev_t device = info.st_dev;
    while (current != "/") {
        const std::string parent = FolderOf(current);
        if (::stat(parent.c_str(), &info) != 0 || info.st_dev != device)
            break;
        current = parent;
    }
    return current;
}

std::string Normalised(const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); }

std::vector<std::string> LocalCandidates(const std::string& shortcut, const ShellLinkTarget& target)
{
    std::vector<std::string> candidates;
    // Windows takes ".." in a shortcut's path by its text, so the candidates are normalised the same way.
    if (!target.relativePath.empty())
        candidates.push_back(Normalised(JoinPath(FolderOf(shortcut), WithSlashes(target.relativePath))));
    const std::string& absolute = target.absolutePath;
    if (!absolute.empty() && absolute.front() == '/') {
        candidates.push_back(absolute);
    } else if (absolute.size() >= 2 && absolute[1] == ':'
        && ((absolute[0] >= 'A' && absolute[0] <= 'Z') || (absolute[0] >= 'a' && absolute[0] <= 'z'))) {
        std::string rest = WithSlashes(absolute.substr(2));
        while (!rest.empty() && rest.front() == '/')
            rest.erase(rest.begin());
        const std::string mountRoot = MountRootOf(shortcut);
        candidates.push_back(Normalised(JoinPath(mountRoot, rest)));
        if (mountRoot != "/")
            candidates.push_back(Normalised("/" + rest));
    }
    // A network path ("\\server\share\...") has no place on this system.
    return candidates;
}

} // namespace

bool IsShortcut(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        return true;
    const std::optional<std::string> extension = GetFileExtension(path);
    return extension && EqualsIgnoreCase(*extension, ".lnk");
}

std::optional<std::string> ResolveShortcut(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0)
        return std::nullopt;
    if (S_ISLNK(info.st_mode))
        return SymbolicLinkTarget(path);

    const std::optional<std::vector<uint8_t>> bytes = ReadSmallFile(path);
    if (!bytes)
        return std::nullopt;
    const std::optional<ShellLinkTarget> target = ParseShellLink(*bytes);
    if (!target)
        return std::nullopt;
    for (const std::string& candidate : LocalCandidates(path, *target))
        if (FileExists(candidate))
            return candidate;
    return std::nullopt;
}
