#include "engine/cut/MakePieceFileName.h"

#include "platform/OutputFile.h"
#include "platform/PathHelpers.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace {

constexpr const char* kFallbackFolder = "Clipwright_Files/";
constexpr int kLastNumber = 1000000;

// The name without its ".mp3" extension. A name without one is kept whole: cutting four characters
// off "dd/abc" would put the pieces outside the folder.
std::string WithoutExtension(const std::string& text)
{
    if (text.size() >= 4 && EqualsIgnoreCase(text.substr(text.size() - 4), ".mp3"))
        return text.substr(0, text.size() - 4);
    return text;
}

std::string WithSeparator(const std::string& folder)
{
    return (!folder.empty() && folder.back() == '/') ? folder : folder + '/';
}

// Any directory entry takes a name, a link that points nowhere included: creating the test file
// through such a link would make a file elsewhere, and deleting it would remove the link.
bool NameIsTaken(const std::string& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0;
}

// The first "<base>_NN.mp3" from number on that names no file or folder; true when creating it
// works. number is left at the name found, which stays the first to try: the piece may yet fail to
// be created, and then its name is still free.
bool NumberAndTest(std::string& candidate, const std::string& base, int& number)
{
    for (;; ++number) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "_%02d.mp3", number);
        candidate = base + suffix;
        if (!NameIsTaken(candidate))
            break;
        if (number >= kLastNumber) {
            candidate.clear(); // every name is taken: none may be handed on to be overwritten
            return false;
        }
    }
    OutputFile probe;
    if (!probe.Create(candidate))
        return false;
    probe.Discard();
    return true;
}

// The number to start from for base: where the run's last search for it stopped, or 1.
int& FirstToTry(PieceNumbering& numbering, const std::string& base)
{
    return numbering.firstToTry.try_emplace(base, 1).first->second;
}

// Tries the fallback folder inside parent: creates that one folder and numbers a name in it.
bool TryFallback(std::string& name, const std::string& parent, const std::string& leaf, PieceNumbering& numbering)
{
    const std::string folder = WithSeparator(parent) + kFallbackFolder;
    ::mkdir(folder.c_str(), 0755); // an existing folder is fine; a failure shows in the test below
    return NumberAndTest(name, folder + leaf, FirstToTry(numbering, folder + leaf));
}

// The documents folder named in the desktop's user-dirs.dirs ("$HOME/..." or an absolute path, in
// double quotes); empty when the file names none. A folder set to the home folder itself means
// the desktop has no documents folder.
std::string UserDirsDocumentsFolder(const std::string& home)
{
    std::string configFolder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        configFolder = config;
    else if (!home.empty())
        configFolder = WithSeparator(home) + ".config";
    else
        return {};
    std::ifstream dirs(WithSeparator(configFolder) + "user-dirs.dirs");
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    for (std::string line; std::getline(dirs, line);) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        const size_t end = line.find('"', key.size());
        if (end == std::string::npos)
            return {};
        std::string value = line.substr(key.size(), end - key.size());
        if (value.compare(0, 6, "$HOME/") == 0 && !home.empty())
            value = WithSeparator(home) + value.substr(6);
        else if (value.empty() || value[0] != '/')
            return {};
        while (value.size() > 1 && value.back() == '/')
            value.pop_back();
        std::string homeFolder = home;
        while (homeFolder.size() > 1 && homeFolder.back() == '/')
            homeFolder.pop_back();
        return value == homeFolder ? std::string {} : value;
    }
    return {};
}

} // namespace

std::string DocumentsFolder()
{
    if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR"); documents && *documents)
        return documents;
    const char* homeVariable = std::getenv("HOME");
    const std::string home = homeVariable ? homeVariable : "";
    if (std::string fromDesktop = UserDirsDocumentsFolder(home); !fromDesktop.empty())
        return fromDesktop;
    if (!home.empty())
        return WithSeparator(home) + "Documents";
    return {};
}

bool MakePieceFileName(
    std::string& name, const std::string& sourcePath, const CutOptions& options, PieceNumbering* numbering)
{
    PieceNumbering single;
    PieceNumbering& numbers = numbering ? *numbering : single;
    const std::string sourceName = WithoutExtension(GetFileNamePart(sourcePath));
    const bool specified = options.OutputFolderOpt == kOutputFolderSpecified && !options.SpecifiedOutputFolder.empty();
    std::string base;
    if (specified && (EnsureDirectory(options.SpecifiedOutputFolder, true) || options.noFallbackFolder))
        base = WithSeparator(options.SpecifiedOutputFolder) + sourceName;
    else
        base = WithoutExtension(sourcePath);

    if (options.CreateFolderForEachMP3 && EnsureDirectory(base, true))
        base = base + '/' + sourceName;

    std::string candidate;
    if (NumberAndTest(candidate, base, FirstToTry(numbers, base))) {
        name = candidate;
        return true;
    }
    // When no folder takes a piece, the name in its own place stays: the writer's create fails on
    // it and the error names the piece, instead of an empty or stale path.
    const std::string firstChoice = candidate;
    if (specified && options.noFallbackFolder) {
        name = firstChoice;
        return false;
    }

    const std::string leaf = GetFileNamePart(base);
    const std::string documents = DocumentsFolder();
    std::string programFolder;
    if ((!documents.empty() && EnsureDirectory(documents, true) && TryFallback(candidate, documents, leaf, numbers))
        || (GetProgramFolder(programFolder) && TryFallback(candidate, programFolder, leaf, numbers))) {
        name = candidate;
        return true;
    }
    name = firstChoice;
    return false;
}
