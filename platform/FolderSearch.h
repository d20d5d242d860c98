#pragma once
// Finding MP3 files in folder trees and in what the user dropped, for the file lists.
//
// Folders are searched depth first, each folder before the folders inside it, names in the order a
// file manager shows them (case ignored, numbers by value: "Track 2" before "Track 10"). A folder
// reached twice, through a symbolic link or a cycle of them, is searched once; a folder that cannot
// be read is passed over.
#include <functional>
#include <string>
#include <vector>

// Called once for every folder entered; returning false stops the search (the user cancelled).
using SearchProgress = std::function<bool()>;

// The folder and every folder below it, in search order. False when keepGoing stopped it.
bool CollectFolders(const std::string& folder, std::vector<std::string>& folders, const SearchProgress& keepGoing = {});

// Appends, folder by folder in search order, the folder's MP3 files (".mp3", any case), then the MP3
// targets of its ".lnk" shortcuts. Shortcuts to folders are not followed. False when stopped.
bool SearchFolder(
    const std::string& folder, std::vector<std::string>& candidates, const SearchProgress& keepGoing = {});

// Appends the candidates of dropped items, in their order: a folder is searched, an MP3 file taken,
// and a chain of shortcuts followed to its end, taken when it ends at an MP3 file. Anything else adds
// nothing. False when stopped.
bool CollectDropCandidates(
    const std::vector<std::string>& items, std::vector<std::string>& candidates, const SearchProgress& keepGoing = {});

// True when the name ends with ".mp3", in any case.
bool HasMp3Extension(const std::string& path);
