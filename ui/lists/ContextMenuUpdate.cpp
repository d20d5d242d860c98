#include "ui/lists/ContextMenuUpdate.h"

#include <QAction>
#include <QMenu>

namespace {

void UpdateCommand(QAction* item, const QAction* command, const MenuCommands& commands)
{
    const auto rule = commands.updateRules.find(command);
    if (rule != commands.updateRules.end())
        item->setEnabled(rule->second());
    else if (!commands.handled.count(command))
        item->setEnabled(false);
}

} // namespace

void UpdateMenuItems(QMenu& menu, const MenuCommands& commands)
{
    for (QAction* item : menu.actions()) {
        if (item->isSeparator())
            continue;
        if (QMenu* submenu = item->menu()) {
            const QList<QAction*> subitems = submenu->actions();
            if (!subitems.isEmpty())
                UpdateCommand(item, subitems.front(), commands);
            continue;
        }
        UpdateCommand(item, item, commands);
    }
}
