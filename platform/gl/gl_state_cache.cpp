#include "platform/gl/gl_state_cache.h"

#include "platform/gl/gl_counters.h"

template <typename T>
bool GlStateCache::Update(Item<T>* item, const T& value) {
    if (!m_bBypass && item->known && item->value == value)
        return false;
    item->value = value;
    item->known = true;
    ++m_pCounters->stateChanges;
    return true;
}

void GlStateCache::Toggle(Item<bool>* item, GLenum capability, bool enable) {
    if (!Update(item, enable))
        return;
    if (enable) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

void GlStateCache::Forget() {
    const bool bypass = m_bBypass;
    *this = GlStateCache(m_pCounters);
    m_bBypass = bypass;
}

void GlStateCache::DrawFramebuffer(GLuint framebuffer) {
    if (Update(&m_drawFramebuffer, framebuffer))
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
}

void GlStateCache::Viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    const GLint values[4] = {x, y, width, height};
    bool changed = false;
    for (int i = 0; i < 4; ++i) {
        changed |= m_bBypass || !m_viewport[i].known || m_viewport[i].value != values[i];
    }
    if (!changed)
        return;
    for (int i = 0; i < 4; ++i)
        m_viewport[i] = {values[i], true};
    ++m_pCounters->stateChanges;
    glViewport(x, y, width, height);
}

void GlStateCache::Program(GLuint program) {
    if (Update(&m_program, program))
        glUseProgram(program);
}

void GlStateCache::VertexArray(GLuint vertexArray) {
    if (Update(&m_vertexArray, vertexArray))
        glBindVertexArray(vertexArray);
}

void GlStateCache::Texture(int unit, GLuint texture) {
    if (!Update(&m_textures[unit], texture))
        return;
    ++m_pCounters->textureBinds;
    glBindTextureUnit(static_cast<GLuint>(unit), texture);
}

void GlStateCache::Sampler(int unit, GLuint sampler) {
    if (Update(&m_samplers[unit], sampler))
        glBindSampler(static_cast<GLuint>(unit), sampler);
}

void GlStateCache::DepthTest(bool enable) {
    Toggle(&m_depthTest, GL_DEPTH_TEST, enable);
}

void GlStateCache::DepthMask(bool write) {
    if (Update(&m_depthMask, write))
        glDepthMask(write ? GL_TRUE : GL_FALSE);
}

void GlStateCache::DepthFunc(GLenum func) {
    if (Update(&m_depthFunc, func))
        glDepthFunc(func);
}

void GlStateCache::Cull(bool enable) {
    Toggle(&m_cull, GL_CULL_FACE, enable);
}

void GlStateCache::CullFace(GLenum face) {
    if (Update(&m_cullFace, face))
        glCullFace(face);
}

void GlStateCache::Blend(bool enable) {
    Toggle(&m_blend, GL_BLEND, enable);
}

void GlStateCache::BlendFunc(GLenum source, GLenum destination) {
    const bool sourceChanged = Update(&m_blendSource, source);
    const bool destinationChanged = Update(&m_blendDestination, destination);
    if (sourceChanged || destinationChanged)
        glBlendFunc(source, destination);
}

void GlStateCache::BlendEquation(GLenum equation) {
    if (Update(&m_blendEquation, equation))
        glBlendEquation(equation);
}

void GlStateCache::PolygonMode(GLenum mode) {
    if (Update(&m_polygonMode, mode))
        glPolygonMode(GL_FRONT_AND_BACK, mode);
}

void GlStateCache::ColorMask(bool alpha) {
    if (Update(&m_colorMaskAlpha, alpha))
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, alpha);
}

void GlStateCache::Scissor(bool enable) {
    Toggle(&m_scissor, GL_SCISSOR_TEST, enable);
}
