// The step spin, the context-menu update, the path helpers of the file dialogs and the cheap pump.
#include "ui/widgets/StepSpinBox.h"
#include "ui/lists/ContextMenuUpdate.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/PumpMessages.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

TEST(StepSpinBox, ArrowsMoveByTheStepAfterTheRangeAllowsIt)
{
    StepSpinBox spin;
    spin.setRange(1, 10);
    EXPECT_FALSE(spin.SetStep(10)); // not smaller than the range
    EXPECT_EQ(spin.Step(), 1);
    spin.setRange(1, 999999);
    EXPECT_TRUE(spin.SetStep(10));
    spin.setValue(1024);
    spin.stepBy(1);
    EXPECT_EQ(spin.value(), 1034);
    spin.stepBy(-3); // page keys and wheel steps are one step too
    EXPECT_EQ(spin.value(), 1024);
    spin.stepBy(10);
    EXPECT_EQ(spin.value(), 1034);
}

TEST(ContextMenuUpdate, RulesDecideAndCommandsWithoutHandlerAreDisabled)
{
    QMenu menu;
    QAction* play = menu.addAction("Play");
    QAction* remove = menu.addAction("Remove");
    QAction* unhandled = menu.addAction("Unhandled");
    QAction* handled = menu.addAction("Handled");
    QAction* separator = menu.addSeparator();
    QMenu* sortMenu = menu.addMenu("Sort");
    QAction* sortByName = sortMenu->addAction("By name");
    bool selection = false;
    MenuCommands commands;
    commands.updateRules[play] = [&] { return selection; };
    commands.updateRules[remove] = [&] { return !selection; };
    commands.updateRules[sortByName] = [&] { return selection; };
    commands.handled = { handled };

    UpdateMenuItems(menu, commands);
    EXPECT_FALSE(play->isEnabled());
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_FALSE(unhandled->isEnabled());
    EXPECT_TRUE(handled->isEnabled());
    EXPECT_TRUE(separator->isEnabled());
    EXPECT_FALSE(sortMenu->menuAction()->isEnabled());
    selection = true;
    UpdateMenuItems(menu, commands);
    EXPECT_TRUE(play->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_TRUE(sortMenu->menuAction()->isEnabled());
}

TEST(FileDialogs, ChosenFoldersEndWithOneSeparator)
{
    EXPECT_EQ(WithTrailingSeparator("/music"), "/music/");
    EXPECT_EQ(WithTrailingSeparator("/music/"), "/music/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
    EXPECT_EQ(WithTrailingSeparator(""), "");
}

TEST(FileDialogs, SavedNamesGetTheDefaultExtensionOnlyWhenTheyHaveNone)
{
    EXPECT_EQ(WithDefaultExtension("/music/joined", ".mp3"), "/music/joined.mp3");
    EXPECT_EQ(WithDefaultExtension("/music/joined.MP3", ".mp3"), "/music/joined.MP3");
    EXPECT_EQ(WithDefaultExtension("/music.d/joined", ".mp3"), "/music.d/joined.mp3");
    EXPECT_EQ(WithDefaultExtension("/music/joined", ""), "/music/joined");
}

TEST(CheapPump, RunsPendingEventsAtMostOncePerInterval)
{
    CheapPump pump(60 * 60 * 1000);
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    EXPECT_TRUE(pump.Run());
    EXPECT_TRUE(ran);
    ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    EXPECT_FALSE(pump.Run()); // too soon: the event waits
    EXPECT_FALSE(ran);
    PumpMessages();
    EXPECT_TRUE(ran);
}
