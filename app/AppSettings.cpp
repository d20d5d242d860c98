#include "app/AppSettings.h"

#include "platform/desktop/SettingsKey.h"
#include "ui/PageSettings.h"

int LoadStartPage()
{
    const SettingsKey key("");
    return key.ReadNumber("StartPage").value_or(0);
}

void SaveStartPage(int startPage, unsigned groups)
{
    if (!(groups & kGroupStartPage))
        return;
    SettingsKey key("");
    key.WriteNumber("StartPage", startPage);
    key.Flush();
}

bool TakeFirstRun()
{
    SettingsKey key("");
    const int firstRun = key.ReadNumber("FirstRun").value_or(1);
    if (firstRun != 0) {
        key.WriteNumber("FirstRun", 0);
        key.Flush();
    }
    return firstRun != 0;
}

WindowPlacement LoadWindowPlacement()
{
    const SettingsKey key("");
    WindowPlacement placement;
    const auto left = key.ReadNumber("WindowLeft");
    const auto top = key.ReadNumber("WindowTop");
    const auto width = key.ReadNumber("WindowWidth");
    const auto height = key.ReadNumber("WindowHeight");
    if (left && top && width && height && *width > 0 && *height > 0)
        placement.normal = QRect(*left, *top, *width, *height);
    placement.maximised = key.ReadNumber("WindowMaximized").value_or(0) != 0;
    return placement;
}

void SaveWindowPlacement(const WindowPlacement& placement)
{
    if (placement.normal.isEmpty())
        return;
    SettingsKey key("");
    key.WriteNumber("WindowLeft", placement.normal.left());
    key.WriteNumber("WindowTop", placement.normal.top());
    key.WriteNumber("WindowWidth", placement.normal.width());
    key.WriteNumber("WindowHeight", placement.normal.height());
    key.WriteNumber("WindowMaximized", placement.maximised ? 1 : 0);
    key.Flush();
}
