#pragma once
// The 3D device: draws the scene with OpenGL (GLSL 1.20 level, so Mesa's
// software rasteriser runs it) and turns mouse moves into turning and
// picking. The render loop is a chain of frames: while it runs, every
// finished frame asks for the next.

#include "Scene.h"

#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>

#include <memory>

namespace trimlet {

class SceneView : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT
public:
    SceneView(Scene& scene, QWidget* parent);
    ~SceneView() override;

    // Starts or stops the render loop.
    void SetRunning(bool running);
    bool Running() const { return running_; }
    // True once the OpenGL context exists and has its first size.
    bool DeviceReady() const { return deviceReady_; }
    bool DeviceFailed() const { return deviceFailed_; }
    // The program's own release: frees every OpenGL object; nothing is
    // drawn afterwards.
    void ReleaseGl();

signals:
    // The drawing surface changed size after the device was set up.
    void ViewportResized(int width, int height);
    // A Ctrl move over the scene made a face current.
    void FacePicked();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // The wheel moves the model as "+" and "-" do, one step a notch.
    void wheelEvent(QWheelEvent* event) override;

private:
    // Frees the OpenGL objects of the current context, when there are any.
    // Also run when the context goes away (the widget moved to another
    // window, say); a new context then builds them again.
    void FreeGlObjects();
    void DestroyGlObjects();
    void SetFixedUniforms();
    void Upload();
    void BlendOverOpaque();
    void DrawRange(GLenum mode, int first, int count, bool lit);
    void DrawWireframe();
    void BindAttributes();

    Scene& scene_;
    bool running_ = false;
    bool deviceReady_ = false;
    bool deviceFailed_ = false;
    bool released_ = false;
    std::unique_ptr<QOpenGLShaderProgram> program_;
    QOpenGLBuffer vertices_{QOpenGLBuffer::VertexBuffer};
    QOpenGLBuffer edges_{QOpenGLBuffer::IndexBuffer};
    QMetaObject::Connection contextGoing_;
    // What the buffers hold: the scene's geometry revision, or none.
    static constexpr std::uint64_t kNothingUploaded = ~std::uint64_t{0};
    std::uint64_t uploadedRevision_ = kNothingUploaded;
    int viewWidth_ = 1;
    int viewHeight_ = 1;
    int wheelTurned_ = 0; // eighths of a degree not yet made into steps
    int opaqueVertices_ = 0;
    int transparentVertices_ = 0;
    int edgeIndices_ = 0;
    int lastX_ = 0;
    int lastY_ = 0;
};

} // namespace trimlet
