#pragma once
// The "Copy Part" dialog: which part to copy over which. "OK" hands the two
// chosen parts to the caller's copy handler; the dialog closes when the
// handler says the copy was made and stays open otherwise (after the
// handler has shown why, for example parts of different sizes). "OK" is
// enabled only while a part is chosen in both lists.

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace mobrix::app {

class frmCPart : public QDialog {
    Q_OBJECT
public:
    // Returns whether the copy was made (then the dialog closes).
    using CopyHandler = std::function<bool(int from, int to)>;

    // `partNames`: the part list's entries, in part order.
    frmCPart(const std::vector<std::string>& partNames, CopyHandler copy, QWidget* parent = nullptr);

    int From() const; // the part chosen in CopyFrom, or -1
    int To() const;   // the part chosen in CopyTo, or -1

private:
    void UpdateOk();
    void OK_Click();

    CopyHandler copy_;
    QListWidget* CopyFrom = nullptr;
    QListWidget* CopyTo = nullptr;
    QPushButton* Command2 = nullptr;
};

} // namespace mobrix::app
