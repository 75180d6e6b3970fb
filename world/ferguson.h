// The closed camera circuit: one cubic Ferguson (Hermite) segment per control point of an FPP
// resource, with forward-chord tangents, so the curve is C1 at every joint.
// Owns: the points, the next points, the circuit's and the look-ahead curve's coefficients.
// Does not: move itself; the frame shifts it onto the flock centre with Translate.
#pragma once

#include <vector>

#include "platform/system/d3dx_math.h"

class Ferguson {
public:
    // Reads the FPP resource of type MISC and builds the circuit. 0, or E_FAIL (traced).
    HRESULT InitDeviceObjects(const char* resourceName);
    // Builds the circuit from points in circuit order (what InitDeviceObjects does after reading).
    void SetPoints(const std::vector<D3DXVECTOR3>& points);
    // Position and look-ahead (one segment further) at t = segment + fraction; writes both
    // only when 0 <= t < N. Returns 0.
    HRESULT Evaluate(float t, D3DXVECTOR3* position, D3DXVECTOR3* ahead) const;
    // Shifts every point so the centroid lands on (x, y, z), then rebuilds. N <= 0: nothing.
    void Translate(float x, float y, float z);
    // Recomputes the next points and all coefficients from the points.
    void Rebuild();
    // Frees every array and empties the circuit. Returns 0.
    HRESULT DeleteDeviceObjects();

    int Count() const { return m_nCount; }
    const D3DXVECTOR3& Centre() const { return m_vCentre; }
    const std::vector<D3DXVECTOR3>& Points() const { return m_points; }

private:
    int m_nCount = 0;
    std::vector<D3DXVECTOR3> m_curveA, m_curveB, m_curveC, m_curveD;
    std::vector<D3DXVECTOR3> m_aheadA, m_aheadB, m_aheadC, m_aheadD;
    std::vector<D3DXVECTOR3> m_points;
    std::vector<D3DXVECTOR3> m_nextPoints;
    D3DXVECTOR3 m_vCentre;
};
