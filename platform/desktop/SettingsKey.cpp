#include "platform/desktop/SettingsKey.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

std::string& StoreFolderOverride()
{
    static std::string folder;
    return folder;
}

} // namespace

std::string SettingsKey::StoreFile()
{
    QString folder = QString::fromStdString(StoreFolderOverride());
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Sonicrop";
    return QDir(folder).filePath("Sonicrop.ini").toStdString();
}

void SettingsKey::SetStoreFolder(const std::string& folder) { StoreFolderOverride() = folder; }

SettingsKey::SettingsKey(const std::string& subkey)
    : path_(std::string(kSettingsRoot) + kOptionsKey + subkey)
    , settings_(std::make_unique<QSettings>(QString::fromStdString(StoreFile()), QSettings::IniFormat))
{
    settings_->beginGroup(QString::fromStdString(path_));
}

SettingsKey::~SettingsKey() = default;

std::optional<int32_t> SettingsKey::ReadNumber(const std::string& name) const
{
    const QVariant value = settings_->value(QString::fromStdString(name));
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    // Values are 32-bit words: 4294967295 written by hand is the same word as -1.
    if (!ok || number < INT32_MIN || number > static_cast<qlonglong>(UINT32_MAX))
        return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(number));
}

std::optional<std::string> SettingsKey::ReadText(const std::string& name, size_t bufferSize) const
{
    const QVariant value = settings_->value(QString::fromStdString(name));
    if (!value.isValid())
        return std::nullopt;
    const QString text = value.toString();
    // The limit counts characters: a tag text is written one byte per character (Latin-1).
    if (static_cast<size_t>(text.size()) + 1 > bufferSize)
        return std::nullopt;
    const std::string bytes = text.toStdString();
    return bytes.substr(0, bytes.find('\0'));
}

void SettingsKey::WriteNumber(const std::string& name, int32_t value)
{
    settings_->setValue(QString::fromStdString(name), value);
}

void SettingsKey::WriteText(const std::string& name, const std::string& value)
{
    settings_->setValue(QString::fromStdString(name), QString::fromStdString(value));
}

bool SettingsKey::Flush()
{
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}
