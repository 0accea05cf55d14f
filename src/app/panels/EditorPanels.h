#pragma once
// The controls of the vertex and triangle editors in the editing window,
// built into the two editor frames, and the key filter of their text
// fields. The main window connects them to its handlers.

#include <QObject>

#include <array>
#include <functional>

class QBoxLayout;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace mobrix::app {

struct VertexEditorWidgets {
    QLineEdit* VertX = nullptr;
    QLineEdit* VertY = nullptr;
    QLineEdit* VertZ = nullptr;
    QCheckBox* VertSel = nullptr;   // "Selected"
    QPushButton* cmdApply = nullptr; // "Apply"
    QPushButton* Command1 = nullptr; // "Add Vertice"
    QPushButton* Command3 = nullptr; // "Remove Vert"
    QPushButton* Command9 = nullptr; // "List Selected"
    QListWidget* List1 = nullptr;    // the selected vertices, numbered from 1
};

struct TriangleEditorWidgets {
    std::array<QLineEdit*, 3> TriI{}; // corner indices, part-relative from 0
    std::array<QLineEdit*, 3> TriU{};
    std::array<QLineEdit*, 3> TriV{};
    QPushButton* cmdTriApply = nullptr; // "Apply"
    QPushButton* Command2 = nullptr;    // "Add Poly"
    QPushButton* Command4 = nullptr;    // "Remove Poly"
    // The side pages: 0 "Smoothing Groups", 1 the UV remapper (filled by
    // the remapper's own panel).
    std::array<QPushButton*, 2> CmdTriSide{};
    std::array<QGroupBox*, 2> TriSide{};
    QListWidget* SmoothList = nullptr;
};

struct EditorWidgets {
    VertexEditorWidgets vertex;
    TriangleEditorWidgets triangle;
};

// Fills the vertex frame and the triangle frame (their layouts end in a
// stretch; the controls go before it) and puts the triangle editor's side
// pages into `row` after the triangle frame, hidden.
EditorWidgets BuildEditorPanels(QGroupBox* vertexFrame, QGroupBox* triangleFrame, QBoxLayout* row);

// Lets through only the keys `allowed` accepts among the keys that type a
// character (backspace included); keys that only move the caret pass.
// Every character key, let through or not, calls `typed` first, the way
// each key typed into an editor field enables its "Apply" button.
class FieldKeyFilter : public QObject {
    Q_OBJECT
public:
    FieldKeyFilter(std::function<bool(char32_t)> allowed, std::function<void()> typed, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool(char32_t)> allowed_;
    std::function<void()> typed_;
};

} // namespace mobrix::app
