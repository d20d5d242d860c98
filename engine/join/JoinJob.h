#pragma once
// One join: the ordered input paths, the tag for the joined file, and the two ways of joining
// them. On failure ErrorText() holds the message to show; it stays empty when the join was
// cancelled or the encoder refused its settings.
#include "engine/JobProgress.h"
#include "engine/join/PickAutoEncoding.h"
#include "engine/stream/ID3TagInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class JoinJob {
public:
    void AddInput(const std::string& path) { inputs_.push_back(path); }
    // Texts are UTF-8: the ID3v2 tag holds them whole, the ID3v1 block their Latin-1 cuts to the
    // fields' limits. genre 255 means no genre.
    void AssignTag(const std::string& title, const std::string& artist, const std::string& album,
        const std::string& year, const std::string& comment, int genre, bool hasTrack, int track);

    // Writes the tag's ID3v2 block, copies every input's audio frames, then appends the tag's ID3v1
    // block. The frames start with a new information frame when the bitrate may vary or the first
    // input has a LAME tag. An input whose frames change their version, layer or sample rate
    // cannot be copied into one stream under one header: the join re-encodes all the inputs
    // instead, at the format picked from them (ReencodedInstead says which).
    bool JoinByFrameCopy(const std::string& outputPath, JobProgress& progress);
    // Decodes every input, converts it to the target format and encodes one constant-bitrate
    // stream behind the tag's ID3v2 block, then appends its ID3v1 block. channelMode: 0 stereo, 1
    // joint stereo, 3 mono.
    bool JoinByReencoding(
        const std::string& outputPath, int sampleRate, int bitrate, int channelMode, JobProgress& progress);

    const std::string& ErrorText() const { return errorText_; }
    const std::vector<std::string>& Inputs() const { return inputs_; }
    int InputCount() const { return static_cast<int>(inputs_.size()); }
    const std::optional<ID3TagInfo>& Tag() const { return tag_; }
    // The bitrate the encoder settled on in the last re-encoding join, 0 when none started. The
    // encoder moves a bitrate its sample rate does not allow to the nearest one it can write.
    int EncodedBitrate() const { return encodedBitrate_; }
    // Frames the last frame-copy join left out because they repeated the end of the input before
    // (a cut's priming frames, and the frame two pieces cut inside it share).
    int64_t DroppedPrimingFrames() const { return droppedPrimingFrames_; }
    // The format the last frame-copy join re-encoded at, when an input changed its format inside.
    const std::optional<JoinEncoding>& ReencodedInstead() const { return reencodedInstead_; }

private:
    // Refuses an output that is one of the inputs (the same file under any name), which the join
    // would destroy while reading it.
    bool OutputIsAnInput(const std::string& outputPath) const;
    void Fail(const char* format, const std::string& path);
    // The re-encoding a frame-copy join turns to; changedRate is the rate the input changed to.
    bool ReencodeInstead(const std::string& outputPath, int changedRate, JobProgress& progress);

    std::string errorText_;
    std::optional<ID3TagInfo> tag_;
    std::vector<std::string> inputs_;
    int encodedBitrate_ = 0;
    int64_t droppedPrimingFrames_ = 0;
    std::optional<JoinEncoding> reencodedInstead_;
};

// "Joining %d of %d file(s) into %s..." and "Processing %s...%d%%": the labels both joins show.
std::string JoiningLabel(int index, int count, const std::string& outputPath);
std::string ProcessingLabel(const std::string& inputPath, int percent);
