#pragma once
// The section editor "Remap Editor": the list of the seven used remap
// sections, the selected section's name, orientation, mapping kind and turn,
// its texture rectangle as four numbers, and the remap view, in which the
// selected section's rectangle can be dragged.
//
// The editor changes the section table it is given in place, as the user
// types; the caller takes a copy before exec() and compares afterwards to
// record the session as one undo step.

#include "RemapSections.h"

#include <QDialog>
#include <QImage>
#include <QPointF>
#include <QWidget>

#include <vector>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;

namespace mobrix::app {

// The picture of the sections in texture units: U across, V up, the unit
// square (the whole texture) inside a small margin.
class RemapView : public QWidget {
    Q_OBJECT
public:
    explicit RemapView(QWidget* parent = nullptr);

    // Margin around the unit square, in texture units.
    static constexpr double kMargin = 0.05;

    // drawRemaps' picture: grey ground, each used section's box in white
    // with its number at the box's near-U, far-V corner, the selected box
    // in light red.
    void Draw(const std::vector<RemapSection>& sections, int selected);

    QPointF ToTexture(QPointF pixel) const;
    QPointF ToPixel(QPointF texture) const;
    const QImage& Canvas() const { return canvas_; }

signals:
    // The pointer moved by (du, dv) texture units with the left button down.
    void Dragged(double du, double dv);
    void Resized();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage canvas_;
    QPointF last_; // pointer position in texture units at the last press or move
};

class RemapEdit : public QDialog {
    Q_OBJECT
public:
    explicit RemapEdit(std::vector<RemapSection>& sections, QWidget* parent = nullptr);

    int SelectedSection() const;

    // What a rectangle field stores for its text: the leading number (sign,
    // digits, one decimal point), 0 when there is none, rounded to four
    // decimals.
    static float FieldValue(const QString& text);

    // Whether the field's key filter lets the character `typed` through into
    // `field`: digits and backspace always, "." always, "-" only at the
    // start of a field that has none yet; other characters never.
    static bool AcceptsKey(const QLineEdit& field, QChar typed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void GroupList_Click();
    void GroupName_Change(const QString& text);
    void Orientation_Click(int index);
    void Flags_Click(int index);
    void rot90_Click(bool ticked);
    void Field_Change(QLineEdit* field, float RemapSection::*value);
    void drawRemaps();
    RemapSection* Selected();

    std::vector<RemapSection>& sections_;
    QListWidget* groupList_ = nullptr;
    QLineEdit* groupName_ = nullptr;
    QButtonGroup* orientation_ = nullptr;
    QButtonGroup* flags_ = nullptr;
    QCheckBox* rot90_ = nullptr;
    QLineEdit* uvLeft_ = nullptr;
    QLineEdit* uvTop_ = nullptr;
    QLineEdit* uvWidth_ = nullptr;
    QLineEdit* uvHeight_ = nullptr;
    RemapView* view_ = nullptr;
};

} // namespace mobrix::app
