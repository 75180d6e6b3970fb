// Procedural geometry for the authored models: revolved profiles, boxes, gears, rings and
// convex hulls, all closed and wound as Direct3D expects (cross(Q - P, R - P) outward).
// Owns: the shape builders and small whole-mesh operations (append, transform, colour).
// Does not: write files or text (x_writer.h), or know which model uses which shape.
// Needs: mesh_data.h, platform/system/d3dx_math.h.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/system/d3dx_math.h"
#include "tools/assetgen/mesh_data.h"

// One point of a revolved profile: radius from the y axis and height, in model units.
// A crease splits the normals there (a hard edge in the toon bands); elsewhere the surface
// is smooth along the profile.
struct ProfilePoint {
    float radius = 0.0f;
    float y = 0.0f;
    bool crease = true;
};

// How a revolved profile is built.
struct LatheOptions {
    bool capBottom = true;    // flat cap on the first point when its radius is above 0
    bool capTop = true;       // flat cap on the last point when its radius is above 0
    bool faceted = false;     // flat facets around the axis (an octagon for 8 segments)
    float startAngle = 0.0f;  // angle of the first vertex column, radians from +x toward +z
};

// Revolves a profile, listed from bottom to top, about the y axis in `segments` steps.
// Ends with a radius of 0 close at a point; other ends get caps as the options say (leave
// out caps that another part covers). Texture coordinates: u around, v along the profile.
MeshData Lathe(const std::vector<ProfilePoint>& profile, int segments,
               const LatheOptions& options = LatheOptions());

// Axis-aligned box between two corners, flat-shaded (24 vertices, 12 triangles).
MeshData Box(const D3DXVECTOR3& minCorner, const D3DXVECTOR3& maxCorner);

// Prism over a closed outline in the x-z plane (either direction), from y0 to y1, with flat
// caps. The outline must be star-shaped about the mean of its points.
MeshData ExtrudeOutline(const std::vector<D3DXVECTOR2>& outline, float y0, float y1);

// A toothed gear lying in the x-z plane, centred on the origin, y from -halfThickness to
// +halfThickness: `teeth` trapezoid teeth between rootRadius and tipRadius, and a round
// hole of holeRadius when it is above 0 (the outline is then a flat ring).
MeshData Gear(int teeth, float rootRadius, float tipRadius, float holeRadius, float halfThickness);

// Flat ring (washer) in the x-z plane: radii inner < outer, y from -halfThickness to
// +halfThickness, flat-shaded faces.
MeshData FlatRing(float innerRadius, float outerRadius, float halfThickness, int segments);

// Torus about the y axis: tube of radius minor around a circle of radius major, smooth.
MeshData Torus(float majorRadius, float minorRadius, int majorSegments, int minorSegments);

// UV sphere with the given radii on x, y and z (an ellipsoid), smooth.
MeshData Ellipsoid(const D3DXVECTOR3& radii, int segments, int rings);

// Convex hull of a point set, as a closed mesh with outward faces and flat normals.
// Points closer than 1e-4 of the set's size to a hull face count as on it. Returns an empty
// mesh when the points span no volume.
MeshData ConvexHull(const std::vector<D3DXVECTOR3>& points);

// Appends src to dst, offsetting its indices; materials are merged by index (src's
// faceMaterials keep their values, so both meshes must agree on the material list).
void AppendMesh(MeshData* dst, const MeshData& src);
// Transforms positions (as points) and normals (renormalised) by a matrix. A mirroring
// matrix also reverses every face so that the winding stays outward.
void TransformMesh(MeshData* mesh, const D3DXMATRIX& matrix);
// Gives every vertex the same colour (0xAARRGGBB).
void PaintMesh(MeshData* mesh, D3DCOLOR colour);
// Gives every vertex a colour from its height: bottom colour at y0, top colour at y1,
// interpolated per channel in between and clamped outside.
void PaintMeshByHeight(MeshData* mesh, float y0, D3DCOLOR bottom, float y1, D3DCOLOR top);
// Gives the mesh one material and sets every face to it.
void SetSingleMaterial(MeshData* mesh, const MeshMaterial& material);

// Axis-aligned bounds of the positions; both zero for an empty mesh.
void MeshBounds(const MeshData& mesh, D3DXVECTOR3* minCorner, D3DXVECTOR3* maxCorner);
// Signed volume enclosed by the faces: positive when they are wound outward.
float MeshVolume(const MeshData& mesh);
// True when every directed edge appears once and its reverse once: the faces enclose a
// volume without holes, T-junctions or flipped faces (positions compared exactly, so
// vertices duplicated for creases count as one).
bool IsClosedSurface(const MeshData& mesh);
