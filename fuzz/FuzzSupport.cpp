#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

std::string MakeScratchFolder()
{
    // scripts/fuzz.sh names a folder it removes afterwards, so that a crashed run leaves nothing.
    std::error_code error;
    const char* given = std::getenv("SONICROP_FUZZ_SCRATCH");
    std::filesystem::path parent = given && *given ? given : "/dev/shm";
    if (!std::filesystem::is_directory(parent, error) || ::access(parent.c_str(), W_OK) != 0)
        parent = std::filesystem::temp_directory_path();
    std::string pattern = (parent / "sonicrop-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

void RemoveScratchFolder()
{
    std::error_code error;
    std::filesystem::remove_all(ScratchFolder(), error);
}

} // namespace

const std::string& ScratchFolder()
{
    // Never destroyed: the exit handler that removes the folder runs after static destructors.
    static const std::string* folder = [] {
        auto* made = new std::string(MakeScratchFolder());
        std::atexit(RemoveScratchFolder);
        return made;
    }();
    return *folder;
}

std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size)
{
    const std::string path = ScratchFolder() + "/" + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.close();
    Require(file.good(), "the fuzz input could not be written to the scratch folder");
    return path;
}

void ClearScratchFolder()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder(), error))
        std::filesystem::remove_all(entry.path(), error);
}

void Require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}
