#pragma once
// The open/save file dialog and the folder browser of the pages.
#include <QString>
#include <string>
#include <vector>

class QWidget;

enum FileDialogFlag : unsigned {
    kFileMustExist = 0x1,
    kAllowMultiSelect = 0x2,
    kOverwritePrompt = 0x4,
};

// Filters as Qt writes them: "MP3 Files (*.mp3);;All Files (*)".
inline constexpr const char* kAddFilesFilter = "MP3 Files (*.mp3);;M3U Playlists (*.m3u8 *.m3u);;All Files (*)";
inline constexpr const char* kLoadListFilter = "M3U Playlists (*.m3u8 *.m3u);;All Files (*)";
inline constexpr const char* kSaveListFilter = "M3U Playlist (*.m3u8)";
inline constexpr const char* kSaveJoinedFilter = "MP3 File (*.mp3);;All Files (*)";

// files holds the initial name on entry (empty or absent for none) and the selection on return.
// True when the user confirmed. defaultExtension (".mp3") is added to a saved name without one.
bool ShowFileDialog(QWidget* owner, const QString& filter, unsigned flags, std::vector<std::string>& files,
    const QString& defaultExtension, bool open);

// The folder browser, opened on initialFolder. The chosen folder ends with exactly one separator.
bool BrowseForFolder(QWidget* owner, const QString& title, const std::string& initialFolder, std::string& folder);

// "/music" and "/music/" both give "/music/"; "" stays "".
std::string WithTrailingSeparator(const std::string& folder);
// Adds defaultExtension when the file-name part has no extension.
std::string WithDefaultExtension(const std::string& path, const std::string& defaultExtension);
