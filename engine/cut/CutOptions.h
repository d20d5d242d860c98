#pragma once
// The options that govern cutting, with their defaults. The options page fills it in the GUI,
// flags fill it in the command line. Times are in tenths of a second.
#include <string>

struct CutOptions {
    bool EnableFadeIn = false;
    int FadeInLen = 10;
    bool EnableFadeOut = false;
    int FadeOutLen = 10;
    int ForwardOverlap = 0;
    int BackwardOverlap = 0;
    int ID3v1TagTrackNoType = 0; // a TrackNoType
    int OutputFolderOpt = 199; // 199: next to the source, 299: SpecifiedOutputFolder
    std::string SpecifiedOutputFolder;
    bool CreateFolderForEachMP3 = false;
    // Set where the user named the output folder for this one cut (the command line): a specified
    // folder that takes no piece fails the cut instead of the pieces going to another folder.
    bool noFallbackFolder = false;
};

constexpr int kOutputFolderSameAsSource = 199;
constexpr int kOutputFolderSpecified = 299;
