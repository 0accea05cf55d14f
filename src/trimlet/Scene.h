#pragma once
// The scene of the viewer, free of any drawing interface: the shown parts
// as meshes hanging in one model frame in front of the camera, the turning
// of that frame, the picked ("current") face, the face colours and picking.
// The window draws it with OpenGL.

#include "PartFile.h"
#include "SceneMath.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trimlet {

struct FaceColour {
    float r = 1, g = 1, b = 1, a = 1;
    friend bool operator==(const FaceColour&, const FaceColour&) = default;
};

// The bit value of a triangle's flags that marks a semi-transparent face.
inline constexpr std::int32_t kSemiTransparent = 8;

// White for an ordinary face, pale blue at half alpha for a semi-transparent
// one; the current face is red, at half alpha when semi-transparent.
FaceColour FaceColourFor(std::int32_t flags, bool current);

// One shown part: its data as read from its part file and the positions and
// normals of the shown vertex set, placed at the part's position.
struct SceneMesh {
    std::string fileName;
    PartFile data;
    std::vector<Vec3> points;
    std::vector<Vec3> normals;
};

struct FaceRef {
    int mesh = -1;
    int face = -1;
    friend bool operator==(const FaceRef&, const FaceRef&) = default;
};

class Scene {
public:
    static constexpr int kStartDistance = 15;

    // Which vertex and normal set the meshes show (0, 1 or 2).
    int VertexSet() const { return vertexSet_; }
    void SetVertexSet(int set);

    void ClearMeshes();
    void AddMesh(std::string fileName, PartFile data);
    // Takes new data for a shown part (after its normals or flags changed).
    void ReplaceMeshData(int mesh, PartFile data);
    const std::vector<SceneMesh>& Meshes() const { return meshes_; }
    // The shown mesh of a part file, or -1.
    int MeshOfFile(const std::string& fileName) const;

    // The model frame: `distance` in front of the camera, turned by the mouse.
    // Moving and turning it change only the transform, not the geometry.
    // The distance never drops below NearestDistance(): closer, the camera
    // would be inside the shown meshes and see nothing, with no way back.
    int Distance() const { return distance_; }
    void SetDistance(int distance);
    // One step nearer ("+", the wheel turned forwards) or farther ("-").
    void MoveCloser() { SetDistance(distance_ - 1); }
    void MoveAway() { SetDistance(distance_ + 1); }
    // The nearest distance at which every shown vertex, however the model
    // is turned, still lies beyond the lens's front plane.
    int NearestDistance() const;
    // Places the unturned model so that a sphere of `modelRadius` around
    // its origin (and every shown mesh) fits the window's shorter side; the
    // camera's start. With nothing to fit the start distance stays 15.
    void FitCamera(double modelRadius);
    // Back to the start of FitCamera: unturned, at the start distance.
    void ResetCamera();
    int StartDistance() const { return startDistance_; }
    // A mouse move from (x0, y0) to (x, y) with the left button held: a turn
    // about the model's own X axis by (y0 - y) / 50 radians, then about its Y
    // axis by (x0 - x) / 50 radians.
    void Turn(int x0, int y0, int x, int y);
    const Mat3& Orientation() const { return orientation_; }
    Mat4 ModelMatrix() const;
    // The back plane moves out with the model, so a large model placed far
    // away is not cut off.
    Lens CameraLens() const;

    // The nearest face under a window position, from either side.
    std::optional<FaceRef> Pick(double px, double py, int width, int height) const;

    // The current face stays current by part file and index while meshes
    // are rebuilt, as long as its part is shown and still has that face.
    std::optional<FaceRef> CurrentFace() const;
    void SetCurrentFace(const FaceRef& face);
    void ForgetCurrentFace();

    // Counts up on every change of the meshes, the shown vertex set or the
    // face colours: what the drawing code must send again. The model
    // frame's transform is not part of it.
    std::uint64_t GeometryRevision() const { return geometryRevision_; }

    // One step of the render loop. The frames carry no motion of their own,
    // so a step only counts the frame.
    void Advance(double delta);
    std::uint64_t FramesAdvanced() const { return frames_; }

    bool ShowSolid = true;
    bool ShowWireframe = false;

private:
    void Place(SceneMesh& mesh) const;
    // After the shown meshes changed: their extent, and the camera moved out
    // when it is now inside them.
    void MeasureShownMeshes();

    std::vector<SceneMesh> meshes_;
    int vertexSet_ = 0;
    int distance_ = kStartDistance;
    int startDistance_ = kStartDistance;
    double shownRadius_ = 0; // the farthest shown vertex from the model's origin
    Mat3 orientation_;
    Lens lens_;
    std::string currentFile_;
    int currentFace_ = -1;
    std::uint64_t geometryRevision_ = 0;
    std::uint64_t frames_ = 0;
};

// The vertices the drawing code sends: per corner of every face its
// position, normal and face colour (10 floats), opaque faces first, then the
// half-transparent ones, which are drawn last without writing depth. The
// wireframe draws `edges`, pairs of those vertices: every edge of a mesh
// once, in the colour of the first face that has it.
struct VertexStream {
    static constexpr int kFloatsPerVertex = 10;
    std::vector<float> data;
    int opaqueVertices = 0;
    int transparentVertices = 0;
    std::vector<std::uint32_t> edges;
};

VertexStream BuildVertexStream(const Scene& scene);

} // namespace trimlet
