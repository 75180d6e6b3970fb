// The camera dolly's ride: its pace on the sine of its phase, the restarts of phase and
// parameter, and where it stands and looks on the circuit.
#include <gtest/gtest.h>

#include <cmath>

#include "app/camera_dolly.h"

namespace {
// A square circuit of four segments around the origin.
Ferguson SquareCircuit() {
    Ferguson circuit;
    circuit.SetPoints({D3DXVECTOR3(-100, 0, -100), D3DXVECTOR3(100, 0, -100),
                       D3DXVECTOR3(100, 0, 100), D3DXVECTOR3(-100, 0, 100)});
    return circuit;
}

TEST(CameraDolly, PaceFollowsTheSineOfItsPhaseAboveAFloor) {
    const Ferguson circuit = SquareCircuit();
    CameraDolly dolly;
    // Phase near 0: the sine is below 0.1, so the dolly crawls at 0.1 * 3 * 0.2 = 0.06 per s.
    dolly.Ride(circuit, 0.5f);
    EXPECT_FLOAT_EQ(dolly.m_fPhase, 0.05f);
    EXPECT_FLOAT_EQ(dolly.m_fParameter, 0.03f);

    dolly.m_fPhase = 1.5f;
    dolly.m_fParameter = 1.0f;
    dolly.Ride(circuit, 0.2f);
    EXPECT_FLOAT_EQ(dolly.m_fParameter, 1.0f + std::sin(1.52f) * 0.6f * 0.2f);

    // Beyond 3 pi / 2 the phase restarts at 0, where the floor holds the pace.
    dolly.m_fPhase = 4.71f;
    dolly.m_fParameter = 2.0f;
    dolly.Ride(circuit, 1.0f);
    EXPECT_EQ(dolly.m_fPhase, 0.0f);
    EXPECT_FLOAT_EQ(dolly.m_fParameter, 2.06f);
}

TEST(CameraDolly, ParameterRestartsAtTheCircuitsEndAndTheDollyFacesAhead) {
    const Ferguson circuit = SquareCircuit();
    CameraDolly dolly;
    dolly.m_fParameter = 3.99f;
    dolly.Ride(circuit, 1.0f);
    EXPECT_EQ(dolly.m_fParameter, 0.0f);
    EXPECT_EQ(dolly.Position(), D3DXVECTOR3(-100, 0, -100));
    EXPECT_EQ(dolly.m_vAhead, D3DXVECTOR3(100, 0, -100));
    // Facing the look-ahead point: the third row points along +x.
    EXPECT_NEAR(dolly.m_instance.m_matWorld._31, 1.0f, 1e-6f);
    EXPECT_NEAR(dolly.m_instance.m_matWorld._33, 0.0f, 1e-6f);

    // A huge raw step (a stalled frame) restarts the circuit rather than leaving it.
    dolly.m_fParameter = 1.0f;
    dolly.Ride(circuit, 100.0f);
    EXPECT_EQ(dolly.m_fParameter, 0.0f);

    // An empty circuit leaves the dolly where it stood.
    const D3DXVECTOR3 standing = dolly.Position();
    dolly.Ride(Ferguson(), 0.1f);
    EXPECT_EQ(dolly.Position(), standing);
}

}  // namespace
