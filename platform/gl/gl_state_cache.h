// GlStateCache: the OpenGL state the device's draws and clears set, as last applied, so that each
// call issues only what differs. A bypass switch issues every call, so the diffing can be tested.
// Owns: the cached values and the change counting. Does not: decide what the state should be
// (platform/gl/gl_device.cpp maps Direct3D states onto it) or touch any other GL state.
// Needs: a current GL 4.5 context; GlStateCache::Forget after the context changed.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

struct DeviceCounters;

class GlStateCache {
  public:
    static constexpr int kTextureUnits = 2;

    explicit GlStateCache(DeviceCounters* counters) : m_pCounters(counters) {}
    // Forgets everything: the next call of each setter reaches GL.
    void Forget();
    void SetBypass(bool bypass) { m_bBypass = bypass; }
    bool Bypass() const { return m_bBypass; }

    void DrawFramebuffer(GLuint framebuffer);
    void Viewport(GLint x, GLint y, GLsizei width, GLsizei height);
    void Program(GLuint program);
    void VertexArray(GLuint vertexArray);
    void Texture(int unit, GLuint texture);
    void Sampler(int unit, GLuint sampler);
    void DepthTest(bool enable);
    void DepthMask(bool write);
    void DepthFunc(GLenum func);
    void Cull(bool enable);
    void CullFace(GLenum face);
    void Blend(bool enable);
    void BlendFunc(GLenum source, GLenum destination);
    void BlendEquation(GLenum equation);
    void PolygonMode(GLenum mode);
    void ColorMask(bool alpha);  // red, green and blue are always written
    void Scissor(bool enable);

  private:
    template <typename T>
    struct Item {
        T value{};
        bool known = false;
    };
    // true when `value` must reach GL; records it as applied and counts the change.
    template <typename T>
    bool Update(Item<T>* item, const T& value);
    void Toggle(Item<bool>* item, GLenum capability, bool enable);

    DeviceCounters* m_pCounters;
    bool m_bBypass = false;
    Item<GLuint> m_drawFramebuffer;
    Item<GLint> m_viewport[4];
    Item<GLuint> m_program;
    Item<GLuint> m_vertexArray;
    Item<GLuint> m_textures[kTextureUnits];
    Item<GLuint> m_samplers[kTextureUnits];
    Item<bool> m_depthTest;
    Item<bool> m_depthMask;
    Item<GLenum> m_depthFunc;
    Item<bool> m_cull;
    Item<GLenum> m_cullFace;
    Item<bool> m_blend;
    Item<GLenum> m_blendSource;
    Item<GLenum> m_blendDestination;
    Item<GLenum> m_blendEquation;
    Item<GLenum> m_polygonMode;
    Item<bool> m_colorMaskAlpha;
    Item<bool> m_scissor;
};
