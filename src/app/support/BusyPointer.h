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

// Runs `work` under the hourglass and returns its result with the pointer
// already restored, so that a box about the result shows the normal pointer.
template <class Work>
auto WhileBusy(Work&& work)
{
    BusyPointer busy;
    return work();
}

} // namespace mobrix::app
