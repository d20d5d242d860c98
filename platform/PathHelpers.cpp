#include "platform/PathHelpers.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

std::string GetFileNamePart(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string GetFolderPart(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> GetFileExtension(const std::string& path)
{
    const std::string name = GetFileNamePart(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return std::nullopt;
    return name.substr(dot);
}

bool GetFileSize32(const std::string& path, uint32_t& size)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return false;
    size = static_cast<uint32_t>(static_cast<uint64_t>(info.st_size));
    return true;
}

bool GetFileSize64(const std::string& path, uint64_t& size)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return false;
    size = static_cast<uint64_t>(info.st_size);
    return true;
}

bool GetProgramFolder(std::string& folder)
{
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size())
        return false;
    buffer.resize(static_cast<size_t>(length));
    const size_t slash = buffer.rfind('/');
    if (slash == std::string::npos)
        return false;
    folder = buffer.substr(0, slash + 1);
    return true;
}

bool FileExists(const std::string& path)
{
    struct stat info { };
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& path)
{
    struct stat info { };
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool EnsureDirectory(const std::string& path, bool create)
{
    if (IsDirectory(path))
        return true;
    return create && CreateDirectoryPath(path);
}

static bool MakeOneDirectory(const std::string& path)
{
    return ::mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && IsDirectory(path));
}

bool CreateDirectoryPath(const std::string& path)
{
    if (path.empty())
        return false;
    // Every prefix that ends before a separator; the root "/" itself is never created.
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (prefix.empty() || prefix.back() == '/')
            continue; // doubled separators
        if (FileExists(prefix)) {
            if (!IsDirectory(prefix))
                return false;
        } else if (!MakeOneDirectory(prefix)) {
            return false;
        }
    }
    if (path.back() == '/')
        return true;
    if (!FileExists(path))
        return MakeOneDirectory(path);
    return IsDirectory(path);
}

bool EqualsIgnoreCase(const std::string& left, const std::string& right)
{
    if (left.size() != right.size())
        return false;
    for (size_t i = 0; i < left.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(left[i]) != lower(right[i]))
            return false;
    }
    return true;
}
