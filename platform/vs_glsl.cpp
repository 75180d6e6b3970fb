#include "platform/vs_glsl.h"

std::string TranslateVertexShaderToGlsl(const VsProgram&, const VsDeclaration&) {
    return std::string();
}
