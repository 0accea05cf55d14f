#pragma once
// The File Information window: the per-vertex reserved blocks in List1 to
// List5 and the per-triangle block in List6, one line per entry, each the
// block's raw bytes as characters.

#include "CarModel.h"

#include <QDialog>

#include <array>

class QListView;

namespace mobrix::app {

class FileInf : public QDialog {
    Q_OBJECT
public:
    FileInf(const CarModel& model, QWidget* parent);

    QListView* List(int number) const { return lists_[static_cast<std::size_t>(number - 1)]; }

private:
    std::array<QListView*, 6> lists_{};
};

} // namespace mobrix::app
