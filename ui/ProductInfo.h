#pragma once
// The program's name, version and the addresses it links to, kept in this one place.

inline constexpr const char* kProductName = "Sonicrop";
inline constexpr const char* kVersionText = "Sonicrop v2.1 build 815";
inline constexpr const char* kHomePageUrl = "https://sonicrop.example/";
inline constexpr const char* kSupportAddress = "support@sonicrop.example";
// The update page of the home page, told the running version and build.
inline constexpr const char* kUpdatePath = "checkforupdates/?ver=2.1&build=815";
inline constexpr const char* kHelpWindowTitle = "Sonicrop Help";
