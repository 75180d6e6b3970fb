// Translation of a checked vs 1.x program into a GLSL 4.50 core vertex shader.
// Interface of every translated shader: `layout(location = N) in vec4 vN;` per declared
// register, `uniform vec4 c[96];`, `uniform vec4 uPositionFixup;` (added to xy times w), and the
// outputs vsPosition (oPos before the fixup), vsDiffuse, vsSpecular, vsFog, vsTexCoord0 and
// vsTexCoord1. Each instruction's GLSL follows a comment "// <line>: <assembly text>".
// Does not: compile or link (the device does). Needs: platform/vshader/vs_program.h, vs_declaration.h.
#pragma once

#include <string>

#include "platform/vshader/vs_declaration.h"
#include "platform/vshader/vs_program.h"

// GLSL "#version 450 core" vertex shader source for a program and its declaration.
std::string TranslateVertexShaderToGlsl(const VsProgram& program, const VsDeclaration& declaration);
