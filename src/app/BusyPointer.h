#pragma once
// The hourglass pointer while a long command runs, restored however the
// command ends.

#include <QApplication>

namespace mobrix::app {

class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace mobrix::app
