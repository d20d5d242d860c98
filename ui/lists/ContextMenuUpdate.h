#pragma once
// Enables and disables the items of a page's context menu just before it opens, the way a main
// window's menu would be: separators are skipped; a command with an update rule gets the rule's
// answer; a command with neither a rule nor a handler is disabled; a submenu follows its first item.
#include <functional>
#include <map>
#include <set>

class QAction;
class QMenu;

struct MenuCommands {
    std::map<const QAction*, std::function<bool()>> updateRules;
    std::set<const QAction*> handled;
};

void UpdateMenuItems(QMenu& menu, const MenuCommands& commands);
