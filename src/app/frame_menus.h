#pragma once

class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace halvera {

class CommandActions;

// The menus and the tool bar of the main frame, built from its command actions. Every menu
// refreshes the enable rules when it opens.
void BuildMenuBar(QMenuBar* menuBar, CommandActions& actions);
QToolBar* BuildToolBar(CommandActions& actions, QWidget* parent);
QMenu* BuildTrayMenu(CommandActions& actions, QWidget* parent);
QMenu* BuildNodeListPopup(CommandActions& actions, QWidget* parent);

}  // namespace halvera
