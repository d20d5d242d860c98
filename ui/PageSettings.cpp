#include "ui/PageSettings.h"

#include "platform/desktop/SettingsKey.h"

#include <algorithm>

namespace {

void ReadNumber(const SettingsKey& key, const char* name, int32_t& field)
{
    if (const auto value = key.ReadNumber(name))
        field = *value;
}

void ReadText(const SettingsKey& key, const char* name, size_t bufferSize, std::string& field)
{
    if (const auto value = key.ReadText(name, bufferSize))
        field = *value;
}

// The corrections run whether or not the value was stored.
void LoadSplitMode(const SettingsKey& key, SplitModeSettings& mode, int32_t highestCutType)
{
    ReadNumber(key, "CutType", mode.CutType);
    if (mode.CutType < 0 || mode.CutType > highestCutType)
        mode.CutType = 0;
    ReadNumber(key, "CutFileAmount", mode.CutFileAmount);
    mode.CutFileAmount = std::max(mode.CutFileAmount, 1);
    ReadNumber(key, "CutFileSize", mode.CutFileSize);
    mode.CutFileSize = std::max(mode.CutFileSize, 1);
    ReadNumber(key, "CutTimeMin", mode.CutTimeMin);
    mode.CutTimeMin = std::max(mode.CutTimeMin, 0);
    ReadNumber(key, "CutTimeSec", mode.CutTimeSec);
    mode.CutTimeSec = std::max(mode.CutTimeSec, 0);
}

void WriteSplitMode(SettingsKey& key, const SplitModeSettings& mode)
{
    key.WriteNumber("CutType", mode.CutType);
    key.WriteNumber("CutFileAmount", mode.CutFileAmount);
    key.WriteNumber("CutFileSize", mode.CutFileSize);
    key.WriteNumber("CutTimeMin", mode.CutTimeMin);
    key.WriteNumber("CutTimeSec", mode.CutTimeSec);
}

} // namespace

void LoadCutterSettings(CutterSettings& settings)
{
    const SettingsKey key(kCutterSubkey);
    LoadSplitMode(key, settings.splitMode, 3);
}

void SaveCutterSettings(const CutterSettings& settings, unsigned groups)
{
    if (!(groups & kGroupSplitMode))
        return;
    SettingsKey key(kCutterSubkey);
    WriteSplitMode(key, settings.splitMode);
    key.Flush();
}

void LoadSilenceSplitSettings(SilenceSplitSettings& settings)
{
    const SettingsKey key(kCutterSubkey);
    ReadNumber(key, "SilenceThreshold", settings.SilenceThreshold);
    settings.SilenceThreshold = std::clamp(settings.SilenceThreshold, -1000, 0);
    ReadNumber(key, "SilenceMinLength", settings.SilenceMinLength);
    settings.SilenceMinLength = std::clamp(settings.SilenceMinLength, 1, 36000);
}

void SaveSilenceSplitSettings(const SilenceSplitSettings& settings)
{
    SettingsKey key(kCutterSubkey);
    key.WriteNumber("SilenceThreshold", settings.SilenceThreshold);
    key.WriteNumber("SilenceMinLength", settings.SilenceMinLength);
    key.Flush();
}

void LoadBatchCutterSettings(BatchCutterSettings& settings)
{
    const SettingsKey key(kBatchCutterSubkey);
    ReadText(key, "Folder", SIZE_MAX, settings.Folder);
    LoadSplitMode(key, settings.splitMode, 3); // 3: by silence
}

void SaveBatchCutterSettings(const BatchCutterSettings& settings, unsigned groups)
{
    if (!(groups & (kGroupFolder | kGroupSplitMode)))
        return;
    SettingsKey key(kBatchCutterSubkey);
    if (groups & kGroupFolder)
        key.WriteText("Folder", settings.Folder);
    if (groups & kGroupSplitMode)
        WriteSplitMode(key, settings.splitMode);
    key.Flush();
}

void LoadJoinerSettings(JoinerSettings& settings)
{
    const SettingsKey key(kJoinerSubkey);
    ReadText(key, "Folder", SIZE_MAX, settings.Folder);
    ReadText(key, "ID3Title", kTagTextBufferSize, settings.ID3Title);
    ReadText(key, "ID3Artist", kTagTextBufferSize, settings.ID3Artist);
    ReadText(key, "ID3Album", kTagTextBufferSize, settings.ID3Album);
    ReadText(key, "ID3Year", kTagShortTextBufferSize, settings.ID3Year);
    ReadText(key, "ID3Comment", kTagTextBufferSize, settings.ID3Comment);
    ReadNumber(key, "ID3Genre", settings.ID3Genre);
    ReadText(key, "ID3TrackNo", kTagShortTextBufferSize, settings.ID3TrackNo);
}

void SaveJoinerSettings(const JoinerSettings& settings, unsigned groups)
{
    if (!(groups & (kGroupFolder | kGroupTag)))
        return;
    SettingsKey key(kJoinerSubkey);
    if (groups & kGroupFolder)
        key.WriteText("Folder", settings.Folder);
    if (groups & kGroupTag) {
        key.WriteText("ID3Title", settings.ID3Title);
        key.WriteText("ID3Artist", settings.ID3Artist);
        key.WriteText("ID3Album", settings.ID3Album);
        key.WriteText("ID3Year", settings.ID3Year);
        key.WriteText("ID3Comment", settings.ID3Comment);
        key.WriteText("ID3TrackNo", settings.ID3TrackNo);
        key.WriteNumber("ID3Genre", settings.ID3Genre);
    }
    key.Flush();
}
