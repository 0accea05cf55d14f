#pragma once
// Menu items are named (the tests and the key table find them by name) and
// connected to their handler in one step.

#include <QAction>
#include <QMenu>

namespace mobrix::app {

template <class Handler>
QAction* AddMenuAction(QMenu* menu, const char* name, const QString& caption, QObject* context, Handler handler)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, context, handler);
    return action;
}

} // namespace mobrix::app
