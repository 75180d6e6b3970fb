#include "world/ferguson.h"

#include "world/fpp_format.h"
#include "world/misc_resource.h"

HRESULT Ferguson::InitDeviceObjects(const char* resourceName) {
    ResourceBytes bytes;
    HRESULT hr = ReadMiscResource(resourceName, "\t\tFindResource...\n", &bytes);
    if (FAILED(hr)) return hr;
    std::vector<D3DXVECTOR3> points;
    hr = ReadFpp(bytes, resourceName, &points);
    if (FAILED(hr)) return hr;
    SetPoints(points);
    return S_OK;
}

void Ferguson::SetPoints(const std::vector<D3DXVECTOR3>& points) {
    m_nCount = static_cast<int>(points.size());
    const size_t n = points.size();
    for (auto* array : {&m_curveA, &m_curveB, &m_curveC, &m_curveD, &m_aheadA, &m_aheadB,
                        &m_aheadC, &m_aheadD, &m_nextPoints})
        array->assign(n, D3DXVECTOR3());
    m_points = points;

    D3DXVECTOR3 sum;
    for (const D3DXVECTOR3& p : m_points) sum += p;
    // An empty circuit keeps its centre at the origin rather than 0 * (1 / 0).
    m_vCentre = n ? sum * (1.0f / static_cast<float>(m_nCount)) : D3DXVECTOR3();
    Rebuild();
}

namespace {
// Cubic coefficients of the segment from p0 to p1 with tangents p1 - p0 and p2 - p1.
void SegmentCoefficients(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2,
                         D3DXVECTOR3* a, D3DXVECTOR3* b, D3DXVECTOR3* c, D3DXVECTOR3* d) {
    const D3DXVECTOR3 t0 = p1 - p0;
    const D3DXVECTOR3 t1 = p2 - p1;
    *a = p0 * 2.0f - p1 * 2.0f + t0 + t1;
    *b = p0 * -3.0f + p1 * 3.0f - t0 * 2.0f - t1;
    *c = t0;
    *d = p0;
}
}  // namespace

void Ferguson::Rebuild() {
    const int n = m_nCount;
    for (int i = 0; i < n; ++i) m_nextPoints[i] = m_points[(i + 1) % n];
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        const int k = (i + 2) % n;  // a true modulo, so that a one-point circuit stays in range
        SegmentCoefficients(m_points[i], m_points[j], m_points[k], &m_curveA[i], &m_curveB[i],
                            &m_curveC[i], &m_curveD[i]);
        SegmentCoefficients(m_nextPoints[i], m_nextPoints[j], m_nextPoints[k], &m_aheadA[i],
                            &m_aheadB[i], &m_aheadC[i], &m_aheadD[i]);
    }
}

HRESULT Ferguson::Evaluate(float t, D3DXVECTOR3* position, D3DXVECTOR3* ahead) const {
    if (!(static_cast<float>(m_nCount) > t) || !(t >= 0.0f)) return S_OK;
    const int i = static_cast<int>(t);
    const float u = t - static_cast<float>(i);
    const float u2 = u * u;
    const float u3 = u2 * u;
    *position = m_curveA[i] * u3 + m_curveB[i] * u2 + m_curveC[i] * u + m_curveD[i];
    *ahead = m_aheadA[i] * u3 + m_aheadB[i] * u2 + m_aheadC[i] * u + m_aheadD[i];
    return S_OK;
}

void Ferguson::Translate(float x, float y, float z) {
    if (m_nCount <= 0) return;
    const D3DXVECTOR3 delta(x - m_vCentre.x, y - m_vCentre.y, z - m_vCentre.z);
    m_vCentre += delta;
    for (D3DXVECTOR3& p : m_points) p += delta;
    Rebuild();
}

HRESULT Ferguson::DeleteDeviceObjects() {
    for (auto* array : {&m_curveA, &m_curveB, &m_curveC, &m_curveD, &m_aheadA, &m_aheadB,
                        &m_aheadC, &m_aheadD, &m_points, &m_nextPoints})
        std::vector<D3DXVECTOR3>().swap(*array);
    m_nCount = 0;  // so that nothing can index the freed arrays
    return S_OK;
}
