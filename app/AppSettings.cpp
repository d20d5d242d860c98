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
