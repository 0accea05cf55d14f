#pragma once
// frmGlobe, Trimlet's only window: the part list, the triangle flag rows,
// the vertex-set choice and the help panel beside the 3D scene.

#include "Scene.h"
#include "SceneView.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QWidget>

namespace trimlet {

class TrimletApp;

// A list that tells when a mouse button is released over it, after the
// release has changed its selection.
class FlagList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
signals:
    void released();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class GlobeWindow : public QWidget {
    Q_OBJECT
public:
    explicit GlobeWindow(TrimletApp& app);

    Scene& GetScene() { return scene_; }
    SceneView* View() { return view_; }

    // Shows the drawing surface, which makes the OpenGL context.
    void CreateDevice();
    // One row per part, the names with blanks trimmed.
    void FillPartList(const std::vector<std::string>& names);
    // Loads one part into the scene; false when the program was ended.
    bool LoadPart(int part);
    // Removes every mesh and loads each part whose row is selected or
    // current, in part order.
    void RebuildMeshes();

    // The commands of the keys.
    void FuseSelectedParts();
    enum class NormalKind { Radial, FromFaces };
    void GenerateNormals(NormalKind kind);
    void Save();
    // Runs the command of a typed character; false when it has none.
    bool RunKey(const QString& text);
    // The same for a key press, which also knows the keys without a
    // character (Home).
    bool RunKey(const QKeyEvent& event);

    QListWidget* PartList;
    FlagList* smoothing;
    QComboBox* VertType;
    QLabel* Picture1;
    QFrame* TopLine;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowFlagsOfCurrentFace();
    void ApplyFlags();
    void PartListClicked();
    void RebuildAfterClick();
    void VertTypeChosen(int row);

    TrimletApp& app_;
    Scene scene_;
    SceneView* view_;
    bool rebuildPending_ = false;
};

// The 31 rows of the triangle flag list; row r stands for the bit value 2^r.
QStringList FlagRowTexts();

// The lines of the help panel.
QStringList HelpLines();

} // namespace trimlet
