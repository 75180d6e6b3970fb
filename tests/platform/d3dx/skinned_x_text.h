// Small skinned .X texts for the skin-mesh, skinned-mesh and GPU tests: a tube bent by a chain
// of bones, with the skin templates declared in the file as the resources declare them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace skintest {

constexpr const char* kSkinTemplates =
    "template XSkinMeshHeader {\n <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>\n"
    " WORD nMaxSkinWeightsPerVertex;\n WORD nMaxSkinWeightsPerFace;\n WORD nBones;\n}\n"
    "template SkinWeights {\n <6F0D123B-BAD2-4167-A0D0-80224F25FABB>\n"
    " STRING transformNodeName;\n DWORD nWeights;\n array DWORD vertexIndices[nWeights];\n"
    " array FLOAT weights[nWeights];\n Matrix4x4 matrixOffset;\n}\n";

inline std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

inline std::string Translation(double x, double y, double z) {
    return "1,0,0,0,0,1,0,0,0,0,1,0," + Number(x) + "," + Number(y) + "," + Number(z) + ",1";
}

constexpr int kTubeSides = 6;
constexpr double kTubeSegment = 1.0;  // length of one bone along z

// A tube along +z of `bones` segments, bone k ("Bone<k>") a child of bone k - 1, each one
// segment long. Ring r (r = 0 .. bones) sits at z = r; inner rings are weighted 0.7 to bone r
// and 0.3 to bone r - 1, the end rings 1.0 to the first and the last bone. When animated, every
// bone turns about x by up to 0.06 radians over 4800 ticks and back.
inline std::string TubeModel(int bones, bool animated = true, double radius = 0.3) {
    const int rings = bones + 1;
    const int vertices = rings * kTubeSides;
    const int faces = bones * kTubeSides * 2;
    std::string x = "xof 0302txt 0064\n";
    x += kSkinTemplates;
    x += "Frame Tube {\n FrameTransformMatrix { " + Translation(0, 0, 0) + ";; }\n";
    x += " Mesh TubeSkin {\n  " + std::to_string(vertices) + ";\n";
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < kTubeSides; ++s) {
            const double a = 2.0 * M_PI * s / kTubeSides;
            x += "  " + Number(radius * std::cos(a)) + ";" + Number(radius * std::sin(a)) + ";" +
                 Number(r * kTubeSegment) + ";" +
                 (r + 1 == rings && s + 1 == kTubeSides ? ";\n" : ",\n");
        }
    std::string faceList = "  " + std::to_string(faces) + ";\n";
    int written = 0;
    for (int r = 0; r < bones; ++r)
        for (int s = 0; s < kTubeSides; ++s) {
            const int a = r * kTubeSides + s, b = r * kTubeSides + (s + 1) % kTubeSides;
            const int c = a + kTubeSides, d = b + kTubeSides;
            // Seen from outside, clockwise: (a, c, d) and (a, d, b).
            for (int t = 0; t < 2; ++t) {
                ++written;
                faceList += "  3;" + std::to_string(a) + "," + std::to_string(t == 0 ? c : d) +
                            "," + std::to_string(t == 0 ? d : b) + ";" +
                            (written == faces ? ";\n" : ",\n");
            }
        }
    x += faceList;
    x += "  MeshNormals {\n   " + std::to_string(vertices) + ";\n";
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < kTubeSides; ++s) {
            const double a = 2.0 * M_PI * s / kTubeSides;
            x += "   " + Number(std::cos(a)) + ";" + Number(std::sin(a)) + ";0.0;" +
                 (r + 1 == rings && s + 1 == kTubeSides ? ";\n" : ",\n");
        }
    x += faceList;
    x += "  }\n  MeshMaterialList {\n   1;\n   " + std::to_string(faces) + ";\n";
    for (int f = 0; f < faces; ++f)
        x += std::string("   0") + (f + 1 == faces ? ";;\n" : ",\n");
    x += "   Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n  }\n";
    x += "  XSkinMeshHeader { 2; 6; " + std::to_string(bones) + "; }\n";
    for (int b = 0; b < bones; ++b) {
        std::string indices, weights;
        int count = 0;
        for (int r = 0; r < rings; ++r) {
            double w = 0.0;
            if (r == 0 || r == bones)
                w = b == std::min(r, bones - 1) ? 1.0 : 0.0;
            else
                w = b == r ? 0.7 : b == r - 1 ? 0.3 : 0.0;
            if (w == 0.0)
                continue;
            for (int s = 0; s < kTubeSides; ++s) {
                indices += (count ? "," : "") + std::to_string(r * kTubeSides + s);
                weights += (count ? "," : "") + Number(w);
                ++count;
            }
        }
        x += "  SkinWeights {\n   \"Bone" + std::to_string(b) + "\";\n   " + std::to_string(count) +
             ";\n   " + indices + ";\n   " + weights + ";\n   " +
             Translation(0, 0, -b * kTubeSegment) + ";;\n  }\n";
    }
    x += " }\n";
    // The bone chain, each frame inside the one before.
    for (int b = 0; b < bones; ++b)
        x += std::string(" Frame Bone") + std::to_string(b) + " {\n  FrameTransformMatrix { " +
             Translation(0, 0, b == 0 ? 0.0 : kTubeSegment) + ";; }\n";
    for (int b = 0; b < bones; ++b)
        x += " }\n";
    x += "}\n";
    if (animated) {
        x += "AnimationSet Bend {\n";
        for (int b = 0; b < bones; ++b) {
            const double half = (b % 2 ? -0.01 : 0.01) * (1.0 + (b % 3));
            x += " Animation {\n  { Bone" + std::to_string(b) +
                 " }\n  AnimationKey {\n   0;\n   3;\n";
            x += "   0;4;1.0,0.0,0.0,0.0;;,\n";
            x += "   2400;4;" + Number(std::cos(half)) + "," + Number(std::sin(half)) +
                 ",0.0,0.0;;,\n";
            x += "   4800;4;1.0,0.0,0.0,0.0;;;\n  }\n }\n";
        }
        x += "}\n";
    }
    return x;
}

}  // namespace skintest
