#include "tests/gui_support/GuiTestEnvironment.h"

#include "platform/desktop/SettingsKey.h"
#include "platform/desktop/ShellOpen.h"

#include <QApplication>
#include <QSettings>
#include <QWidget>
#include <fstream>
#include <sstream>

namespace {

QString ValuePath(const std::string& subkey, const std::string& name)
{
    return QString::fromStdString(std::string(kSettingsRoot) + kOptionsKey + subkey + "/" + name);
}

} // namespace

GuiTest::GuiTest()
{
    SettingsKey::SetStoreFolder(settingsFolder_.Path().string());
    SetMessageBoxHook([this](const QString& text, MessageIcon icon, MessageButtons buttons) {
        messages_.push_back({ text, icon, buttons });
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    });
    SetUrlOpenerForTests([this](const QUrl& url) {
        openedUrls_.push_back(url);
        return urlOpensSucceed_;
    });
}

GuiTest::~GuiTest()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        window->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetMessageBoxHook({});
    SetUrlOpenerForTests({});
    SettingsKey::SetStoreFolder({});
}

std::string GuiTest::SettingsFileText() const
{
    std::ifstream file(SettingsKey::StoreFile());
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::optional<int> GuiTest::StoredNumber(const std::string& subkey, const std::string& name) const
{
    QSettings settings(QString::fromStdString(SettingsKey::StoreFile()), QSettings::IniFormat);
    const QVariant value = settings.value(ValuePath(subkey, name));
    if (!value.isValid())
        return std::nullopt;
    return value.toInt();
}

std::optional<std::string> GuiTest::StoredText(const std::string& subkey, const std::string& name) const
{
    QSettings settings(QString::fromStdString(SettingsKey::StoreFile()), QSettings::IniFormat);
    const QVariant value = settings.value(ValuePath(subkey, name));
    if (!value.isValid())
        return std::nullopt;
    return value.toString().toStdString();
}

void GuiTest::StoreNumber(const std::string& subkey, const std::string& name, int value)
{
    QSettings settings(QString::fromStdString(SettingsKey::StoreFile()), QSettings::IniFormat);
    settings.setValue(ValuePath(subkey, name), value);
}

void GuiTest::StoreText(const std::string& subkey, const std::string& name, const std::string& value)
{
    QSettings settings(QString::fromStdString(SettingsKey::StoreFile()), QSettings::IniFormat);
    settings.setValue(ValuePath(subkey, name), QString::fromStdString(value));
}

bool GuiTest::HasStoredValue(const std::string& subkey, const std::string& name) const
{
    QSettings settings(QString::fromStdString(SettingsKey::StoreFile()), QSettings::IniFormat);
    return settings.contains(ValuePath(subkey, name));
}
