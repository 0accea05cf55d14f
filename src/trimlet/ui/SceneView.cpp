#include "SceneView.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <QSurfaceFormat>
#include <QVector3D>

#include <array>

namespace trimlet {

namespace {

const char* const kVertexShader = R"(
#version 120
attribute vec3 position;
attribute vec3 normal;
attribute vec4 colour;
uniform mat4 modelViewProjection;
uniform mat3 rotation;
uniform vec3 towardsLight;
uniform vec3 lightColour;
uniform vec3 ambientColour;
uniform float lit;
varying vec4 shade;
void main()
{
    gl_Position = modelViewProjection * vec4(position, 1.0);
    vec3 light = vec3(1.0);
    if (lit > 0.5) {
        vec3 n = rotation * normal;
        float len = length(n);
        float facing = len > 1e-6 ? max(dot(n / len, towardsLight), 0.0) : 0.0;
        light = min(ambientColour + lightColour * facing, vec3(1.0));
    }
    shade = vec4(colour.rgb * light, colour.a);
}
)";

const char* const kFragmentShader = R"(
#version 120
varying vec4 shade;
void main()
{
    gl_FragColor = shade;
}
)";

// The scene's two lights, fixed to the camera: a dim ambient light and a
// directional light from above left behind the viewer. Both are white.
constexpr float kAmbient = 0.3f;
constexpr float kDirectional = 0.7f;
const QVector3D kTowardsLight = QVector3D(-0.4f, 0.6f, -1.0f).normalized();

} // namespace

SceneView::SceneView(Scene& scene, QWidget* parent) : QOpenGLWidget(parent), scene_(scene)
{
    setObjectName("SceneView");
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setDepthBufferSize(24);
    setFormat(format);
    setMouseTracking(true); // Ctrl moves pick without a button
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(160, 120);
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (running_ && !released_)
            update();
    });
}

SceneView::~SceneView()
{
    // The base class destroys the context after this object is gone; the
    // objects are freed now, while the context can still be made current.
    disconnect(contextGoing_);
    ReleaseGl();
}

void SceneView::SetRunning(bool running)
{
    running_ = running;
    if (running_)
        update();
}

void SceneView::ReleaseGl()
{
    released_ = true;
    running_ = false;
    FreeGlObjects();
}

void SceneView::FreeGlObjects()
{
    if (!program_ && !vertices_.isCreated() && !edges_.isCreated())
        return;
    makeCurrent();
    DestroyGlObjects();
    doneCurrent();
}

void SceneView::DestroyGlObjects()
{
    program_.reset();
    vertices_.destroy();
    edges_.destroy();
    uploadedRevision_ = kNothingUploaded;
}

void SceneView::initializeGL()
{
    initializeOpenGLFunctions();
    deviceFailed_ = false;
    uploadedRevision_ = kNothingUploaded;
    program_ = std::make_unique<QOpenGLShaderProgram>();
    const bool built = program_->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) &&
                       program_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader);
    program_->bindAttributeLocation("position", 0);
    program_->bindAttributeLocation("normal", 1);
    program_->bindAttributeLocation("colour", 2);
    if (!built || !program_->link() || !vertices_.create() || !edges_.create()) {
        deviceFailed_ = true;
        DestroyGlObjects(); // the context is current here
        return;
    }
    SetFixedUniforms();
    disconnect(contextGoing_);
    contextGoing_ = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &SceneView::FreeGlObjects);
}

void SceneView::SetFixedUniforms()
{
    program_->bind();
    program_->setUniformValue("towardsLight", kTowardsLight);
    program_->setUniformValue("lightColour", QVector3D(kDirectional, kDirectional, kDirectional));
    program_->setUniformValue("ambientColour", QVector3D(kAmbient, kAmbient, kAmbient));
    program_->release();
}

void SceneView::resizeGL(int width, int height)
{
    viewWidth_ = width;
    viewHeight_ = height;
    if (deviceReady_) {
        const QWidget* top = window();
        if (!(top && top->isMinimized()))
            emit ViewportResized(width, height);
        return;
    }
    deviceReady_ = !deviceFailed_;
}

void SceneView::Upload()
{
    const VertexStream stream = BuildVertexStream(scene_);
    opaqueVertices_ = stream.opaqueVertices;
    transparentVertices_ = stream.transparentVertices;
    const std::vector<std::uint32_t>& edges = stream.edges;
    edgeIndices_ = static_cast<int>(edges.size());

    vertices_.bind();
    vertices_.allocate(stream.data.data(), static_cast<int>(stream.data.size() * sizeof(float)));
    edges_.bind();
    edges_.allocate(edges.data(), static_cast<int>(edges.size() * sizeof(std::uint32_t)));
    uploadedRevision_ = scene_.GeometryRevision();
}

void SceneView::BindAttributes()
{
    constexpr int stride = VertexStream::kFloatsPerVertex * sizeof(float);
    vertices_.bind();
    program_->enableAttributeArray(0);
    program_->enableAttributeArray(1);
    program_->enableAttributeArray(2);
    program_->setAttributeBuffer(0, GL_FLOAT, 0, 3, stride);
    program_->setAttributeBuffer(1, GL_FLOAT, 3 * sizeof(float), 3, stride);
    program_->setAttributeBuffer(2, GL_FLOAT, 6 * sizeof(float), 4, stride);
}

void SceneView::BlendOverOpaque()
{
    // Colours mix by their alpha, but the picture itself stays opaque: the
    // window shows it over whatever lies behind, so an alpha below 1 left
    // in it would tint the scene.
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
}

void SceneView::DrawRange(GLenum mode, int first, int count, bool lit)
{
    if (count <= 0)
        return;
    program_->setUniformValue("lit", lit ? 1.0f : 0.0f);
    glDrawArrays(mode, first, count);
}

void SceneView::DrawWireframe()
{
    if (edgeIndices_ <= 0)
        return;
    // Flat and unlit: every edge in its face's colour.
    program_->setUniformValue("lit", 0.0f);
    edges_.bind();
    glDrawElements(GL_LINES, edgeIndices_, GL_UNSIGNED_INT, nullptr);
}

void SceneView::paintGL()
{
    glClearColor(0, 0, 0, 1);
    if (!running_ || released_ || !program_) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    scene_.Advance(1.0);
    // Turning and moving the model change only its transform; the buffers
    // are built again only when the geometry or the colours changed.
    if (uploadedRevision_ != scene_.GeometryRevision())
        Upload();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);

    program_->bind();
    const Mat4 mvp = Projection(scene_.CameraLens(), viewWidth_, viewHeight_) * scene_.ModelMatrix();
    program_->setUniformValue("modelViewProjection", QMatrix4x4(mvp.m.data()).transposed());
    const Mat3& r = scene_.Orientation();
    std::array<float, 9> rotation{};
    for (std::size_t i = 0; i < rotation.size(); ++i)
        rotation[i] = static_cast<float>(r.m[i]);
    // QMatrix3x3 takes rows; the stored matrix is by columns.
    program_->setUniformValue("rotation", QMatrix3x3(rotation.data()).transposed());
    BindAttributes();

    if (scene_.ShowSolid) {
        // Solid faces sit a little behind their edges, so a wireframe pass
        // over them stays visible.
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1, 1);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        DrawRange(GL_TRIANGLES, 0, opaqueVertices_, true);
        glEnable(GL_BLEND);
        BlendOverOpaque();
        glDepthMask(GL_FALSE);
        DrawRange(GL_TRIANGLES, opaqueVertices_, transparentVertices_, true);
        glDepthMask(GL_TRUE);
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
    if (scene_.ShowWireframe) {
        glEnable(GL_BLEND);
        BlendOverOpaque();
        glDepthFunc(GL_LEQUAL);
        DrawWireframe();
        glDepthFunc(GL_LESS);
    }
    glDisable(GL_BLEND);
    program_->release();
}

void SceneView::mousePressEvent(QMouseEvent* event)
{
    lastX_ = static_cast<int>(event->position().x());
    lastY_ = static_cast<int>(event->position().y());
    QOpenGLWidget::mousePressEvent(event);
}

void SceneView::mouseMoveEvent(QMouseEvent* event)
{
    const int x = static_cast<int>(event->position().x());
    const int y = static_cast<int>(event->position().y());
    if (event->buttons() & Qt::LeftButton) {
        scene_.Turn(lastX_, lastY_, x, y);
        lastX_ = x;
        lastY_ = y;
    } else if (event->buttons() == Qt::NoButton && (event->modifiers() & Qt::ControlModifier)) {
        // Moving over the face that is already current changes nothing; its
        // flag rows stay as the user may have just set them.
        const auto face = scene_.Pick(x, y, width(), height());
        if (face && face != scene_.CurrentFace()) {
            scene_.SetCurrentFace(*face);
            emit FacePicked();
        }
    }
    QOpenGLWidget::mouseMoveEvent(event);
}

void SceneView::wheelEvent(QWheelEvent* event)
{
    constexpr int kNotch = 120;
    wheelTurned_ += event->angleDelta().y();
    for (; wheelTurned_ >= kNotch; wheelTurned_ -= kNotch)
        scene_.MoveCloser();
    for (; wheelTurned_ <= -kNotch; wheelTurned_ += kNotch)
        scene_.MoveAway();
    event->accept();
}

} // namespace trimlet
