#pragma once
// The About window, with the program's name, version, licence and credits
// in scrolling text, and the short getting-started window for new users.

#include "dialogs/KeysHelp.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QScrollArea;
class QTimer;

namespace mobrix::app {

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent);
    static QStringList Lines();

private:
    void ScrollOn();
    QScrollArea* area_ = nullptr;
    QTimer* timer_ = nullptr;
};

class GettingStartedWindow : public LinesWindow {
    Q_OBJECT
public:
    explicit GettingStartedWindow(QWidget* parent);
    static QStringList Lines();
};

} // namespace mobrix::app
