#include "platform/FolderSearch.h"

#include "platform/FileIdentity.h"
#include "platform/PathHelpers.h"
#include "platform/ResolveShortcut.h"

#include <algorithm>
#include <dirent.h>
#include <set>
#include <sys/stat.h>

namespace {

// Chains of shortcuts longer than this are taken for cycles.
constexpr int kMaxShortcutSteps = 32;

struct FolderEntries {
    std::vector<std::string> folders; // full paths
    std::vector<std::string> mp3Files;
    std::vector<std::string> shortcuts; // ".lnk" files
};

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Case-insensitive, with runs of digits compared by value; names equal so compare by their bytes,
// so the order is total and the same on every run.
bool NaturalLess(const std::string& left, const std::string& right)
{
    size_t i = 0, j = 0;
    while (i < left.size() && j < right.size()) {
        if (IsDigit(left[i]) && IsDigit(right[j])) {
            size_t leftEnd = i, rightEnd = j;
            while (leftEnd < left.size() && IsDigit(left[leftEnd]))
                ++leftEnd;
            while (rightEnd < right.size() && IsDigit(right[rightEnd]))
                ++rightEnd;
            size_t leftStart = i, rightStart = j;
            while (leftStart + 1 < leftEnd && left[leftStart] == '0')
                ++leftStart;
            while (rightStart + 1 < rightEnd && right[rightStart] == '0')
                ++rightStart;
            const size_t leftDigits = leftEnd - leftStart, rightDigits = rightEnd - rightStart;
            if (leftDigits != rightDigits)
                return leftDigits < rightDigits;
            const int order = left.compare(leftStart, leftDigits, right, rightStart, rightDigits);
            if (order != 0)
                return order < 0;
            i = leftEnd;
            j = rightEnd;
            continue;
        }
        const char a = FoldCase(left[i]), b = FoldCase(right[j]);
        if (a != b)
            return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
        ++i;
        ++j;
    }
    if ((i < left.size()) != (j < right.size()))
        return j < right.size();
    return left < right;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

bool IsShellLinkName(const std::string& name)
{
    const std::optional<std::string> extension = GetFileExtension(name);
    return extension && EqualsIgnoreCase(*extension, ".lnk");
}

// The folder's entries by kind, each kind in name order; false when the folder cannot be read.
bool ReadFolder(const std::string& folder, FolderEntries& entries)
{
    DIR* directory = ::opendir(folder.c_str());
    if (!directory)
        return false;
    std::vector<std::string> folderNames, mp3Names, shortcutNames;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info { };
            isFolder = ::stat(JoinPath(folder, name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        if (isFolder)
            folderNames.push_back(name);
        else if (HasMp3Extension(name))
            mp3Names.push_back(name);
        else if (IsShellLinkName(name))
            shortcutNames.push_back(name);
    }
    ::closedir(directory);
    for (auto* names : { &folderNames, &mp3Names, &shortcutNames })
        std::sort(names->begin(), names->end(), NaturalLess);
    for (const std::string& name : folderNames)
        entries.folders.push_back(JoinPath(folder, name));
    for (const std::string& name : mp3Names)
        entries.mp3Files.push_back(JoinPath(folder, name));
    for (const std::string& name : shortcutNames)
        entries.shortcuts.push_back(JoinPath(folder, name));
    return true;
}

// Visits every readable folder of the tree once, in search order, iteratively so that a deep tree
// cannot exhaust the stack.
template <typename Visit> bool WalkFolders(const std::string& top, const SearchProgress& keepGoing, Visit visit)
{
    std::set<FileIdentity> visited;
    std::vector<std::string> pending { top };
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        const std::optional<FileIdentity> identity = IdentityOf(folder);
        if (!identity || !visited.insert(*identity).second)
            continue;
        if (keepGoing && !keepGoing())
            return false;
        FolderEntries entries;
        if (!ReadFolder(folder, entries))
            continue;
        visit(folder, entries);
        pending.insert(pending.end(), entries.folders.rbegin(), entries.folders.rend());
    }
    return true;
}

} // namespace

bool HasMp3Extension(const std::string& path)
{
    const std::optional<std::string> extension = GetFileExtension(path);
    return extension && EqualsIgnoreCase(*extension, ".mp3");
}

bool CollectFolders(const std::string& folder, std::vector<std::string>& folders, const SearchProgress& keepGoing)
{
    return WalkFolders(
        folder, keepGoing, [&](const std::string& path, const FolderEntries&) { folders.push_back(path); });
}

bool SearchFolder(const std::string& folder, std::vector<std::string>& candidates, const SearchProgress& keepGoing)
{
    return WalkFolders(folder, keepGoing, [&](const std::string&, const FolderEntries& entries) {
        candidates.insert(candidates.end(), entries.mp3Files.begin(), entries.mp3Files.end());
        for (const std::string& shortcut : entries.shortcuts) {
            const std::optional<std::string> target = ResolveShortcut(shortcut);
            if (target && HasMp3Extension(*target))
                candidates.push_back(*target);
        }
    });
}

bool CollectDropCandidates(
    const std::vector<std::string>& items, std::vector<std::string>& candidates, const SearchProgress& keepGoing)
{
    for (const std::string& item : items) {
        if (item.empty())
            continue;
        if (IsDirectory(item)) {
            if (!SearchFolder(item, candidates, keepGoing))
                return false;
            continue;
        }
        if (HasMp3Extension(item)) {
            candidates.push_back(item);
            continue;
        }
        std::string current = item;
        for (int step = 0; step < kMaxShortcutSteps && IsShortcut(current); ++step) {
            const std::optional<std::string> target = ResolveShortcut(current);
            if (!target)
                break;
            current = *target;
            if (HasMp3Extension(current)) {
                candidates.push_back(current);
                break;
            }
        }
    }
    return true;
}
