#pragma once
// The program's persistent key/value store: keys are paths such as "Software/Sonicrop/Options/Cutter",
// values are signed 32-bit numbers or texts. One INI file under the user's configuration folder
// holds everything. Every failure is silent: a value that cannot be read stays absent, a write that
// cannot be stored is dropped.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QSettings;

// Key paths: "Software/Sonicrop/" + "Options" + one of the subkeys (nothing for the options key).
inline constexpr const char* kSettingsRoot = "Software/Sonicrop/";
inline constexpr const char* kOptionsKey = "Options";
inline constexpr const char* kCutterSubkey = "/Cutter";
inline constexpr const char* kJoinerSubkey = "/Joiner";
inline constexpr const char* kBatchCutterSubkey = "/BatchCutter";

class SettingsKey {
public:
    // subkey: "" for the options key itself, or kCutterSubkey, kJoinerSubkey, kBatchCutterSubkey.
    explicit SettingsKey(const std::string& subkey);
    ~SettingsKey();
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    const std::string& Path() const { return path_; }
    // A number stored as text of digits is read too; a value outside 32 bits, or not a number, is absent.
    std::optional<int32_t> ReadNumber(const std::string& name) const;
    // bufferSize counts a terminating zero: a text of bufferSize characters or more cannot be read.
    // Without a size (folders: paths are never cut short) every text is read.
    std::optional<std::string> ReadText(const std::string& name, size_t bufferSize = SIZE_MAX) const;
    void WriteNumber(const std::string& name, int32_t value);
    void WriteText(const std::string& name, const std::string& value);
    // Writes pending values to the file; false when the file cannot be written.
    bool Flush();

    // The INI file behind every key. Tests point it into a temporary folder.
    static std::string StoreFile();
    static void SetStoreFolder(const std::string& folder);

private:
    std::string path_;
    std::unique_ptr<QSettings> settings_;
};
