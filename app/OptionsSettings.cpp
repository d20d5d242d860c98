#include "app/OptionsSettings.h"

#include "platform/desktop/SettingsKey.h"

#include <algorithm>

namespace {

void ReadNumber(const SettingsKey& key, const char* name, int& field)
{
    if (const auto value = key.ReadNumber(name))
        field = *value;
}

void ReadSwitch(const SettingsKey& key, const char* name, bool& field)
{
    if (const auto value = key.ReadNumber(name))
        field = *value != 0;
}

} // namespace

void LoadCutterOptions(OptionValues& values)
{
    const SettingsKey key(kCutterSubkey);
    CutOptions& cut = values.cut;
    ReadSwitch(key, "BrowseFolder", values.CutterBrowseFolder);
    ReadSwitch(key, "EnableFadeIn", cut.EnableFadeIn);
    ReadNumber(key, "FadeInLen", cut.FadeInLen);
    cut.FadeInLen = std::max(cut.FadeInLen, 0);
    ReadSwitch(key, "EnableFadeOut", cut.EnableFadeOut);
    ReadNumber(key, "FadeOutLen", cut.FadeOutLen);
    cut.FadeOutLen = std::max(cut.FadeOutLen, 0);
    ReadNumber(key, "ForwardOverlap", cut.ForwardOverlap);
    cut.ForwardOverlap = std::max(cut.ForwardOverlap, 0);
    ReadNumber(key, "BackwardOverlap", cut.BackwardOverlap);
    cut.BackwardOverlap = std::max(cut.BackwardOverlap, 0);
    ReadNumber(key, "ID3v1TagTrackNoType", cut.ID3v1TagTrackNoType);
    if (cut.ID3v1TagTrackNoType < 0 || cut.ID3v1TagTrackNoType > 3)
        cut.ID3v1TagTrackNoType = 0;
    ReadNumber(key, "OutputFolderOpt", cut.OutputFolderOpt);
    if (cut.OutputFolderOpt != kOutputFolderSameAsSource && cut.OutputFolderOpt != kOutputFolderSpecified)
        cut.OutputFolderOpt = kOutputFolderSameAsSource;
    if (const auto folder = key.ReadText("SpecifiedOutputFolder"))
        cut.SpecifiedOutputFolder = *folder;
    ReadSwitch(key, "CreateFolderForEachMP3", cut.CreateFolderForEachMP3);
}

void LoadJoinerOptions(OptionValues& values)
{
    const SettingsKey key(kJoinerSubkey);
    EncodingOptions& encoding = values.encoding;
    ReadSwitch(key, "BrowseFolder", values.JoinerBrowseFolder);
    ReadSwitch(key, "AutoMP3EncodingParam", encoding.AutoMP3EncodingParam);
    ReadNumber(key, "MP3BitRate", encoding.MP3BitRate);
    ReadNumber(key, "MP3SampleRate", encoding.MP3SampleRate);
    ReadNumber(key, "MP3ChannelMode", encoding.MP3ChannelMode);
    if (encoding.MP3ChannelMode != 0 && encoding.MP3ChannelMode != 1 && encoding.MP3ChannelMode != 3)
        encoding.MP3ChannelMode = 1;
}

void SaveCutterOptions(const OptionValues& values)
{
    SettingsKey key(kCutterSubkey);
    const CutOptions& cut = values.cut;
    key.WriteNumber("BrowseFolder", values.CutterBrowseFolder);
    key.WriteNumber("EnableFadeIn", cut.EnableFadeIn);
    key.WriteNumber("FadeInLen", cut.FadeInLen);
    key.WriteNumber("EnableFadeOut", cut.EnableFadeOut);
    key.WriteNumber("FadeOutLen", cut.FadeOutLen);
    key.WriteNumber("ForwardOverlap", cut.ForwardOverlap);
    key.WriteNumber("BackwardOverlap", cut.BackwardOverlap);
    key.WriteNumber("ID3v1TagTrackNoType", cut.ID3v1TagTrackNoType);
    key.WriteNumber("OutputFolderOpt", cut.OutputFolderOpt);
    key.WriteText("SpecifiedOutputFolder", cut.SpecifiedOutputFolder);
    key.WriteNumber("CreateFolderForEachMP3", cut.CreateFolderForEachMP3);
    key.Flush();
}

void SaveJoinerOptions(const OptionValues& values)
{
    SettingsKey key(kJoinerSubkey);
    const EncodingOptions& encoding = values.encoding;
    key.WriteNumber("BrowseFolder", values.JoinerBrowseFolder);
    key.WriteNumber("AutoMP3EncodingParam", encoding.AutoMP3EncodingParam);
    key.WriteNumber("MP3BitRate", encoding.MP3BitRate);
    key.WriteNumber("MP3SampleRate", encoding.MP3SampleRate);
    key.WriteNumber("MP3ChannelMode", encoding.MP3ChannelMode);
    key.Flush();
}
