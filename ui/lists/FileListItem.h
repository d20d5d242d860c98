#pragma once
// The row records of the batch cutter list and the joiner list: a file and what its probe found.
// A record belongs to its list row and goes with it.
#include "engine/stream/ID3TagInfo.h"
#include "platform/FileIdentity.h"

#include <cstdint>
#include <string>
#include <vector>

struct FileListItem {
    virtual ~FileListItem() = default;

    std::string path; // the full path, as it was added
    FileIdentity identity; // device and inode when the file was added
    uint64_t fileSize = 0; // bytes
    uint64_t totalSamples = 0; // per channel, as the probe reports it
    int32_t sampleRate = 0; // Hz; 0 is replaced by 1 when the row is filled
    int32_t bitrate = 0; // kbit/s: the stream's average when its bitrate varies
    int32_t channelMode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int32_t layer = 3; // 1, 2 or 3
    ID3TagInfo tag; // all zero when the file has no ID3v1 tag
    bool hasTag = false; // the file ends with an ID3v1 tag
};

struct BatchFileItem : FileListItem {
    std::vector<std::string> outputFiles; // the pieces of this file's last cut, in order
};

struct JoinFileItem : FileListItem {
    int32_t isVbr = 0; // 1 when a VBR information frame with a frame count was found
};
