#pragma once
// The "Rescale Model" dialog: three bars from 0 to 200 percent, each with a
// label that follows it. It only collects the three values; the caller
// rescales the selected parts when it is accepted. A new dialog is made for
// each opening, so every opening starts at 100 %.

#include "Transforms.h"

#include <QDialog>

class QLabel;
class QScrollBar;

namespace mobrix::app {

class frmRescale : public QDialog {
    Q_OBJECT
public:
    explicit frmRescale(QWidget* parent = nullptr);

    RescalePercent Percent() const;

private:
    QScrollBar* XScale = nullptr;
    QScrollBar* YScale = nullptr;
    QScrollBar* ZScale = nullptr;
};

} // namespace mobrix::app
