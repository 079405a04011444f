#pragma once

#include <QAction>
#include <QObject>

#include <functional>
#include <map>

#include "app/command_rules.h"

class QWidget;

namespace halvera {

// One QAction per command, with its menu text, shortcut, tool bar caption and image. The
// enable rules are evaluated whenever a menu opens, on the one-second tick and once more when
// a command is chosen, so a command that became greyed in between never runs.
class CommandActions : public QObject {
    Q_OBJECT

  public:
    using StateSource = std::function<CommandState()>;

    // The actions are added to the window, so their shortcuts work wherever the focus is.
    CommandActions(QWidget* window, StateSource state);

    QAction* Action(int id) const;
    void UpdateEnabled();
    // Runs the command if its rule allows it now.
    void Trigger(int id);

  signals:
    void Triggered(int id);

  private:
    StateSource m_state;
    std::map<int, QAction*> m_actions;
};

}  // namespace halvera
