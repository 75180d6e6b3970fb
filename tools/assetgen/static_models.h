// The static .X models of the scene: pillars, obstacles, the dammy bird and whale, and the
// unused DACHURA01.X. Each is a list of display meshes (drawn) and dammy meshes (collision
// hulls, closed and wound outward) with vertices baked in model space.
// Owns: the shapes, colours and sizes of these models and their .X text.
// Does not: place them in the world (placements.h) or write files (asset_output.h).
// Needs: mesh_builder.h for the shapes, x_writer.h for the text.
#pragma once

#include <string>
#include <vector>

#include "tools/assetgen/mesh_data.h"

// One mesh of a model; its name contains "display" (drawn) or "dammy" (collision).
struct NamedMesh {
    std::string name;
    MeshData mesh;
};

// A model as it is written: one root frame (identity transform) holding the meshes in order.
struct StaticModel {
    std::string fileName;  // resource name under MODEL, e.g. "PILLAR01.X"
    std::string frameName;
    std::vector<NamedMesh> meshes;
};

// Every static model, in resource-name order.
std::vector<StaticModel> BuildStaticModels();
// The model's .X text.
std::string StaticModelText(const StaticModel& model);
// True for the names the loader takes as collision meshes (checked after "display").
bool IsDisplayMeshName(const std::string& name);
bool IsDammyMeshName(const std::string& name);
