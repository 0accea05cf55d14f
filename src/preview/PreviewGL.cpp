#include "PreviewGL.h"

#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include <algorithm>
#include <limits>

namespace mobrix::preview {

namespace {

const char* const kVertexShader = R"(
#version 120
attribute vec3 position;
attribute vec2 texCoord;
attribute vec3 normal;
uniform mat4 transform;
uniform mat4 modelView;
varying vec2 uv;
varying vec3 eyePosition;
varying vec3 eyeNormal;
void main()
{
    gl_Position = transform * vec4(position, 1.0);
    eyePosition = (modelView * vec4(position, 1.0)).xyz;
    eyeNormal = mat3(modelView) * normal;
    uv = texCoord;
}
)";

// White corners modulated by the texture: the texture's own colour. Lit, a
// light at the eye (the origin of eye space) with a little ambient light;
// a corner without a normal takes its triangle's plane, found from how the
// position changes across the pixels. Both sides of a triangle are lit
// alike, since files disagree about which way their normals point.
const char* const kFragmentShader = R"(
#version 120
uniform sampler2D picture;
uniform bool lit;
uniform float strength;
varying vec2 uv;
varying vec3 eyePosition;
varying vec3 eyeNormal;
const float ambient = 0.2;
void main()
{
    vec3 colour = texture2D(picture, uv).rgb;
    if (lit) {
        vec3 n = eyeNormal;
        if (dot(n, n) < 1e-12)
            n = cross(dFdx(eyePosition), dFdy(eyePosition));
        float facing = 0.0;
        if (dot(n, n) > 0.0 && dot(eyePosition, eyePosition) > 0.0)
            facing = abs(dot(normalize(n), normalize(-eyePosition)));
        colour *= ambient + (1.0 - ambient) * facing;
    }
    gl_FragColor = vec4(colour * strength, 1.0);
}
)";

// The parts that are only shown are drawn at this share of their colour.
constexpr float kOtherPartStrength = 0.55f;

constexpr float kBackground = 100.0f / 255.0f; // RGB(100, 100, 100)

} // namespace

PreviewGL::PreviewGL(QWidget* parent) : QOpenGLWidget(parent)
{
    setObjectName("PreviewGL");
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setDepthBufferSize(24);
    setFormat(format);
    setMinimumSize(16, 16);
}

PreviewGL::~PreviewGL()
{
    // The base class destroys the context after this object is gone; the
    // objects are freed now, while the context can still be made current.
    disconnect(contextGoing_);
    FreeGlObjects();
}

bool PreviewGL::OpenGLAvailable()
{
    QOpenGLContext context;
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    const bool current = surface.isValid() && context.makeCurrent(&surface);
    if (current)
        context.doneCurrent();
    return current;
}

QString PreviewGL::NoOpenGLMessage()
{
    return QStringLiteral("The 3D preview needs OpenGL, which is not available.");
}

void PreviewGL::SetModel(const CarModel* model)
{
    model_ = model;
    ModelReplaced();
}

void PreviewGL::SetShownParts(std::vector<bool> shown, int current)
{
    shown_ = std::move(shown);
    current_ = current;
    update();
}

bool PreviewGL::SetTexture(const QString& path)
{
    return SetTexture(path.isEmpty() ? QImage() : QImage(path));
}

bool PreviewGL::SetTexture(const QImage& image)
{
    texture_ = image;
    textureStale_ = true;
    SetUp();
    return !texture_.isNull();
}

void PreviewGL::SetLighting(bool on)
{
    lighting_ = on;
    update();
}

void PreviewGL::SetShowOtherParts(bool on)
{
    showOtherParts_ = on;
    update();
}

void PreviewGL::SetFillMode(FillMode mode)
{
    fill_ = mode;
    SetUp();
}

void PreviewGL::ModelReplaced()
{
    meshStale_ = true;
    SetUp();
}

void PreviewGL::MeshChanged()
{
    meshStale_ = true;
    update();
}

void PreviewGL::VerticesMoved(int first, int count)
{
    if (!model_ || meshStale_)
        return update();
    if (!mesh_.Fits(*model_))
        return MeshChanged();
    const std::vector<TableRun> runs = RewriteMovedCorners(*model_, first, count, mesh_);
    if (!runs.empty() && corners_.isCreated() && context()) {
        makeCurrent();
        UploadRuns(runs);
        doneCurrent();
    }
    update();
}

void PreviewGL::RotatePreview(int dx, int dy)
{
    world_ = TurnWorld(world_, float(dx), float(dy));
    update();
}

// What setting the preview up again does to its state: the model faces the
// camera as at the start.
void PreviewGL::SetUp()
{
    world_ = Mat4{};
    update();
}

void PreviewGL::Fail(const QString& reason)
{
    if (failed_)
        return;
    failed_ = true;
    emit PreviewFailed(reason);
}

void PreviewGL::initializeGL()
{
    initializeOpenGLFunctions();
    program_ = std::make_unique<QOpenGLShaderProgram>();
    const bool built = program_->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) &&
                       program_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader);
    program_->bindAttributeLocation("position", 0);
    program_->bindAttributeLocation("texCoord", 1);
    program_->bindAttributeLocation("normal", 2);
    if (!built || !program_->link() || !corners_.create() || !indices_.create() || !edges_.create()) {
        DestroyGlObjects(); // the context is current here
        Fail(QStringLiteral("The 3D preview could not set up OpenGL."));
        return;
    }
    meshStale_ = true;
    textureStale_ = true;
    disconnect(contextGoing_);
    contextGoing_ = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &PreviewGL::FreeGlObjects);
}

void PreviewGL::FreeGlObjects()
{
    if (!program_ && !corners_.isCreated() && textureId_ == 0)
        return;
    makeCurrent();
    DestroyGlObjects();
    doneCurrent();
}

void PreviewGL::DestroyGlObjects()
{
    program_.reset();
    corners_.destroy();
    indices_.destroy();
    edges_.destroy();
    if (textureId_ != 0 && QOpenGLContext::currentContext())
        glDeleteTextures(1, &textureId_);
    textureId_ = 0;
    meshStale_ = true;
    textureStale_ = true;
}

void PreviewGL::resizeGL(int width, int height)
{
    projection_ = PreviewProjection(width, height);
    SetUp();
}

void PreviewGL::UploadMesh()
{
    mesh_ = model_ ? BuildPreviewMesh(*model_) : PreviewMesh{};
    // Buffer sizes are ints; a model beyond them is not drawn at all rather
    // than drawn from truncated buffers.
    constexpr auto kLimit = std::size_t(std::numeric_limits<int>::max());
    const std::size_t indexLimit = kLimit / sizeof(std::uint32_t);
    if (mesh_.corners.size() > kLimit / sizeof(PreviewVertex) || mesh_.indices.size() > indexLimit ||
        mesh_.edges.size() > indexLimit)
        mesh_ = PreviewMesh{};
    corners_.bind();
    corners_.setUsagePattern(QOpenGLBuffer::DynamicDraw);
    corners_.allocate(mesh_.corners.data(), static_cast<int>(mesh_.corners.size() * sizeof(PreviewVertex)));
    indices_.bind();
    indices_.allocate(mesh_.indices.data(), static_cast<int>(mesh_.indices.size() * sizeof(std::uint32_t)));
    edges_.bind();
    edges_.allocate(mesh_.edges.data(), static_cast<int>(mesh_.edges.size() * sizeof(std::uint32_t)));
    drawableIndices_ = static_cast<std::int64_t>(mesh_.indices.size());
    drawableEdges_ = static_cast<std::int64_t>(mesh_.edges.size());
    meshStale_ = false;
}

void PreviewGL::UploadRuns(const std::vector<TableRun>& runs)
{
    corners_.bind();
    for (const TableRun& run : runs) {
        corners_.write(static_cast<int>(run.first * std::int64_t(sizeof(PreviewVertex))),
                       &mesh_.corners[static_cast<std::size_t>(run.first)],
                       static_cast<int>(run.count * std::int64_t(sizeof(PreviewVertex))));
    }
}

void PreviewGL::UploadTexture()
{
    if (textureId_ == 0)
        glGenTextures(1, &textureId_);
    glBindTexture(GL_TEXTURE_2D, textureId_);
    // Row 0 of the image is its top row and goes to TV 0, so a V of 1 lands
    // on the top of the picture.
    static const QImage white = [] {
        QImage image(1, 1, QImage::Format_RGBA8888);
        image.fill(Qt::white);
        return image;
    }();
    QImage image = texture_.isNull() ? white : texture_.convertToFormat(QImage::Format_RGBA8888);
    // A picture larger than the renderer takes is shown smaller rather
    // than not at all.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (largest > 0 && (image.width() > largest || image.height() > largest))
        image = image.scaled(std::min(image.width(), largest), std::min(image.height(), largest),
                             Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width(), image.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.constBits());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    textureStale_ = false;
}

void PreviewGL::paintGL()
{
    glClearColor(kBackground, kBackground, kBackground, 1.0f);
    glClearDepthf(1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!program_ || !model_)
        return;
    // A command that changed the counts without saying so still gets
    // buffers that fit.
    if (meshStale_ || !mesh_.Fits(*model_))
        UploadMesh();
    if (textureStale_)
        UploadTexture();

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);

    program_->bind();
    const Mat4 modelView = world_ * PreviewView(model_->Header.ZHalfSize);
    const Mat4 transform = modelView * projection_ * DepthToGl();
    // Rows of a row-vector matrix are the columns of its column-vector
    // form: the array goes in as it is.
    glUniformMatrix4fv(program_->uniformLocation("transform"), 1, GL_FALSE, transform.m.data());
    glUniformMatrix4fv(program_->uniformLocation("modelView"), 1, GL_FALSE, modelView.m.data());
    // Lines have no plane to light them by; the wireframe stays unlit.
    program_->setUniformValue("lit", lighting_ && fill_ == FillMode::Solid);
    program_->setUniformValue("picture", 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textureId_);

    corners_.bind();
    for (int a = 0; a < 3; ++a)
        program_->enableAttributeArray(a);
    program_->setAttributeBuffer(0, GL_FLOAT, 0, 3, sizeof(PreviewVertex));
    program_->setAttributeBuffer(1, GL_FLOAT, 3 * sizeof(float), 2, sizeof(PreviewVertex));
    program_->setAttributeBuffer(2, GL_FLOAT, 5 * sizeof(float), 3, sizeof(PreviewVertex));
    DrawParts();
    for (int a = 0; a < 3; ++a)
        program_->disableAttributeArray(a);
    corners_.release();
    program_->release();
}

bool PreviewGL::InHand(int part) const
{
    return part == current_ || (static_cast<std::size_t>(part) < shown_.size() && shown_[static_cast<std::size_t>(part)]);
}

// The parts only shown go first, dimmed; the depth buffer is then cleared,
// so that they lie behind the current and selected parts and never hide
// them.
void PreviewGL::DrawParts()
{
    const bool wireframe = fill_ == FillMode::Wireframe;
    QOpenGLBuffer& buffer = wireframe ? edges_ : indices_;
    buffer.bind();
    if (showOtherParts_) {
        program_->setUniformValue("strength", kOtherPartStrength);
        if (DrawPartsWhere(false))
            glClear(GL_DEPTH_BUFFER_BIT);
    }
    program_->setUniformValue("strength", 1.0f);
    DrawPartsWhere(true);
    buffer.release();
}

bool PreviewGL::DrawPartsWhere(bool inHand)
{
    const bool wireframe = fill_ == FillMode::Wireframe;
    const std::int64_t drawable = wireframe ? drawableEdges_ : drawableIndices_;
    bool drew = false;
    const int parts = UsablePartCount(model_->Header);
    for (int p = 0; p < parts; ++p) {
        if (InHand(p) != inHand)
            continue;
        const TableRun run = wireframe ? PartEdges(mesh_, p) : PartIndices(*model_, p);
        if (run.count > 0 && run.first + run.count <= drawable) {
            const auto offset = static_cast<std::uintptr_t>(run.first) * sizeof(std::uint32_t);
            glDrawElements(wireframe ? GL_LINES : GL_TRIANGLES, static_cast<GLsizei>(run.count), GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(offset));
            drew = true;
        }
    }
    return drew;
}

void PreviewGL::mousePressEvent(QMouseEvent* event)
{
    lastX_ = static_cast<int>(event->position().x());
    lastY_ = static_cast<int>(event->position().y());
    QOpenGLWidget::mousePressEvent(event);
}

void PreviewGL::mouseMoveEvent(QMouseEvent* event)
{
    const int x = static_cast<int>(event->position().x());
    const int y = static_cast<int>(event->position().y());
    if (event->buttons() & Qt::LeftButton) {
        RotatePreview(x - lastX_, y - lastY_);
        lastX_ = x;
        lastY_ = y;
    }
    QOpenGLWidget::mouseMoveEvent(event);
}

} // namespace mobrix::preview
