// The CPU interpreter of vs 1.x programs: the plain reference that the GPU translation is
// compared against.
// Semantics: rcp and rsq of 0 give the largest float (rsq of |x|), exact 1.0 for 1.0; log of 0
// gives minus the largest float; expp and logp in their vs 1.1 partial-precision forms; lit with
// its power clamp; mov to a0.x rounds to nearest; c[a0.x + n] outside c0-c95 reads zero; `def`
// constants override the given constants. Registers start at zero; unwritten outputs as the
// GLSL interface gives them (diffuse 1, specular 0, fog 1, texture coordinates 0, 0, 0, 1).
// Does not: check the program (CheckVertexShader does); an unchecked one never crashes it.
// Needs: platform/vshader/vs_program.h.
#pragma once

#include "platform/system/d3dx_math.h"
#include "platform/vshader/vs_program.h"

// Runs `program` on one vertex with inputs v0-v15 and constants c0-c95.
VsVertexOutput RunVertexShader(const VsProgram& program, const D3DXVECTOR4 inputs[kVsInputCount],
                               const D3DXVECTOR4 constants[kVsConstCount]);
