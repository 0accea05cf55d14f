#pragma once
// The textured, depth-buffered 3D preview of the fourth view, drawn with
// OpenGL (GLSL 1.20 level, so Mesa's software rasteriser runs it).
//
// The camera is fixed: the eye at (0, 0, -2 × ZHalfSize) looking at
// (0, 0, 1) with up (0, 1, 0), a 60 degree perspective with near plane 1 and
// far plane 100000, left-handed so the picture is not mirrored against the
// orthographic views. Corners are white; the texture, when there is one, is
// laid on with TU = U, TV = 1 - V. With the lighting on (the default), a
// light at the eye and a little ambient light shade the solid picture by
// the model's normals, or by each triangle's plane in a part without
// normals, so shape and depth read with and without a texture; off, the
// corners are unlit and the picture is flat white or the texture's own
// colour. The wireframe is never lit. The background is RGB(100, 100, 100).
// The parts shown in the part list and the current part are drawn; with
// "Show Other Parts" the rest are drawn too, dimmed and behind them.
// Dragging with the left button turns the model about the screen's fixed
// axes, 50 pixels to a radian.
//
// The whole model lives in one vertex buffer (corners shared by the
// triangles that use them) with one index buffer for the triangles and one
// for their edges, built once and drawn with one call per part. Wireframe
// draws each edge once, as lines, which looks as filling with lines does
// and costs half as much. The owner tells the preview what changed:
//  - ModelReplaced(): another model (open, new, conversion); sets up again;
//  - MeshChanged(): anything else about the mesh changed (counts, triangles,
//    texture coordinates, part ranges or positions); the buffers are rebuilt;
//  - VerticesMoved(first, count): only the positions of Vertices
//    [first, first + count) changed; only the corners placed from them are
//    rewritten in the buffer, so the tighter the range the less is copied.
// Setting a texture, a fill mode, or a new size sets the preview up again,
// which also turns the model back to its start.

#include "PreviewMath.h"
#include "PreviewVertices.h"

#include <QImage>
#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>

#include <memory>
#include <vector>

namespace mobrix::preview {

// "Wireframe" and "Solid" of the "3D View" menu.
enum class FillMode { Wireframe, Solid };

class PreviewGL : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT
public:
    explicit PreviewGL(QWidget* parent = nullptr);
    ~PreviewGL() override;

    // Whether an OpenGL context can be had at all. Qt cannot show an OpenGL
    // widget without one (the window's own drawing fails), so the window
    // asks this before it creates or shows the preview, and on false shows
    // NoOpenGLMessage() in the status line and leaves the preview off.
    static bool OpenGLAvailable();
    static QString NoOpenGLMessage();

    // The model to show (not owned; it must outlive the preview or be
    // replaced first). Same as ModelReplaced() for the new model.
    void SetModel(const CarModel* model);
    // Which parts the part list selects (index = part) and its current entry.
    void SetShownParts(std::vector<bool> shown, int current);
    // The texture image (any format QImage reads). An empty path or an
    // unreadable file gives untextured white. Returns true when it was read.
    bool SetTexture(const QString& path);
    bool SetTexture(const QImage& image);
    void SetFillMode(FillMode mode);
    FillMode Fill() const { return fill_; }
    // Neither of these turns the model back to its start.
    void SetLighting(bool on);
    void SetShowOtherParts(bool on);

    void ModelReplaced();
    void MeshChanged();
    void VerticesMoved(int first, int count);

    // Turns the model by a drag of (dx, dy) pixels and redraws.
    void RotatePreview(int dx, int dy);
    const Mat4& World() const { return world_; }

    // True when the shaders or buffers could not be made; the preview then
    // draws nothing and PreviewFailed has been sent once.
    bool Failed() const { return failed_; }

signals:
    // The preview cannot draw; `reason` is a line for the status bar.
    void PreviewFailed(const QString& reason);

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void SetUp();
    void Fail(const QString& reason);
    void FreeGlObjects();
    void DestroyGlObjects();
    void UploadMesh();
    void UploadTexture();
    void UploadRuns(const std::vector<TableRun>& runs);
    void DrawParts();
    // Draws the parts that are (or are not) current or selected; returns
    // whether it drew any.
    bool DrawPartsWhere(bool inHand);
    bool InHand(int part) const;

    const CarModel* model_ = nullptr;
    std::vector<bool> shown_;
    int current_ = -1;
    FillMode fill_ = FillMode::Solid;
    bool lighting_ = true;
    bool showOtherParts_ = false;
    QImage texture_;
    bool textureStale_ = true;

    PreviewMesh mesh_;
    bool meshStale_ = true; // the buffers must be built again before drawing
    std::int64_t drawableIndices_ = 0;
    std::int64_t drawableEdges_ = 0;

    Mat4 world_;
    Mat4 projection_;
    int lastX_ = 0;
    int lastY_ = 0;

    bool failed_ = false;
    std::unique_ptr<QOpenGLShaderProgram> program_;
    QOpenGLBuffer corners_{QOpenGLBuffer::VertexBuffer};
    QOpenGLBuffer indices_{QOpenGLBuffer::IndexBuffer};
    QOpenGLBuffer edges_{QOpenGLBuffer::IndexBuffer};
    GLuint textureId_ = 0;
    QMetaObject::Connection contextGoing_;
};

} // namespace mobrix::preview
