// The flock's simulation: one Update per frame, the steering of one bird, its somersault and
// its move. Every formula is evaluated in 32-bit floats in the order it is written, left to
// right, and this file is built without floating-point contraction, so that another
// implementation of the same rules follows the flight frame for frame.
#include <cmath>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "flock/actor_pose.h"
#include "flock/boids.h"
#include "platform/system/lcg_random.h"
#include "world/background_object.h"

namespace {
constexpr float kLoopIntervalSpread = 14.0f;  // seconds, times (r2 - r1)
constexpr float kLoopIntervalBase = 70.0f;    // seconds
constexpr float kFullTurn = 6.2831855f;       // radians
constexpr float kProbeLength = 35.0f;         // world units of the obstacle look-ahead
constexpr float kPitchAcceleration = 1.0f;    // radians per second squared
constexpr float kPitchRateLimit = 0.25f;      // radians per second
constexpr float kPitchLimit = 0.25f;          // radians
constexpr float kPitchDeadZone = 0.1f;        // |s.y| below this levels the pitch
constexpr float kPitchRateRest = 0.01f;       // radians per second
constexpr float kPitchRateDecay = 20.0f;      // radians per second squared
constexpr float kTurnDeadZone = 0.1f;         // |c.y| below this keeps the yaw rate
constexpr float kStragglerJump = 5000.0f;     // world units from the centroid
constexpr float kWorldLimit = 20000.0f;       // world units from the origin
constexpr float kLevelRate = 0.7f;            // per second, while levelling for a loop
constexpr float kLevelTolerance = 0.05f;      // radians

// |v| in floats, summed x, y, z.
float Length(const D3DXVECTOR3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

Lanes Splat(float v) {
    return Lanes{v, v, v, v};
}

// Square roots of four lanes, each correctly rounded as std::sqrt's.
Lanes SquareRoot(Lanes v) {
#if defined(__SSE__)
    return _mm_sqrt_ps(v);
#else
    return Lanes{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
}
}  // namespace

void Boids::Update(const D3DXVECTOR3& target, BackGroundObject& obstacles1,
                   BackGroundObject& obstacles2, float dt) {
    if (!m_pBoids || !m_pPairData)
        return;
    m_vTarget = target;

    D3DXVECTOR3 sum;
    for (int i = 0; i < m_nBoids; ++i)
        sum += m_pBoids[i].vPos;
    m_vCenter = sum * (1.0f / static_cast<float>(m_nBoids));

    for (int i = 0; i < m_nBoids; ++i) {
        Boid& b = m_pBoids[i];
        b.vSeparation = b.vAlignment = b.vCohesion = b.vToCenter = D3DXVECTOR3();
        b.nNeighbours = 0;
        b.bAvoiding = 0;
    }

    // The partners' unmoved positions and headings, four birds to a block, and their sums from
    // zero; the lanes past the last bird are never used.
    for (int block = 0; block * 4 < m_nBoids; ++block)
        m_pPairData[block] = PairLanes();
    for (int i = 0; i < m_nBoids; ++i) {
        PairLanes& l = m_pPairData[i / 4];
        const Boid& b = m_pBoids[i];
        l.x[i % 4] = b.vPos.x;
        l.y[i % 4] = b.vPos.y;
        l.z[i % 4] = b.vPos.z;
        l.hx[i % 4] = b.vDir.x;
        l.hy[i % 4] = b.vDir.y;
        l.hz[i % 4] = b.vDir.z;
    }

    if (m_bLoop) {
        m_fLoopTimer += 1.0f * dt;
        if (m_fLoopTimer > m_fLoopInterval) {
            const float r1 = RandomFractionF();
            const float r2 = RandomFractionF();
            m_fLoopInterval = (r2 - r1) * kLoopIntervalSpread + kLoopIntervalBase;
            m_fLoopTimer = 0.0f;
            for (int i = 0; i < m_nBoids; ++i) {
                m_pBoids[i].bLoop = 1;
                m_pBoids[i].bLoopStarted = 0;
            }
        }
    }

    for (int i = 0; i < m_nBoids; ++i) {
        Boid& b = m_pBoids[i];
        GatherPairs(i);

        b.vToTarget = m_vTarget - b.vPos;
        D3DXVec3Normalize(&b.vToTarget, &b.vToTarget);

        if (m_bAvoidObstacles) {
            LookAhead(i, obstacles1);
            LookAhead(i, obstacles2);
        }

        const D3DXVECTOR3 toCenter = m_vCenter - b.vPos;
        const float centerDistance = Length(toCenter);
        b.vToCenter = centerDistance > 0.0f ? toCenter / centerDistance : D3DXVECTOR3();

        if (b.nNeighbours > 0) {
            const float count = static_cast<float>(b.nNeighbours);
            b.vCohesion = b.vCohesion / count;
            const D3DXVECTOR3 w = b.vCohesion - b.vPos;
            const float wLength = Length(w);
            b.vCohesion = wLength > 0.0f ? w / wLength : D3DXVECTOR3();

            b.vAlignment = b.vAlignment / count;
            const float l = Length(b.vAlignment);
            if (l > 0.0f)
                b.vAlignment = (b.vAlignment / l - b.vDir) / l;
        }

        if (b.bLoop)
            LoopBoid(i, dt);
        else
            SteerBoid(i, dt);
    }
}

// Every pair (i, j > i) once, with both birds unmoved: a pair nearer than the radius adds to
// both birds. A pair so close that 1 / (dist * dist * 0.3) is not finite (two birds at one
// point) has no direction to push along: it counts as neighbours and for cohesion, but adds no
// separation or alignment, so that no infinity or NaN enters a bird.
//
// Four partners j are taken at a time from m_pPairData, lane by lane: each lane rounds exactly
// as the scalar formula would, bird j's sums (kept in its lane until its own turn) take the
// pairs in i order and bird i's sums take them in j order, as one pair after the other would.
void Boids::GatherPairs(int i) {
    Boid& a = m_pBoids[i];
    const PairLanes& own = m_pPairData[i / 4];
    const int ownLane = i % 4;
    D3DXVECTOR3 separation(own.sx[ownLane], own.sy[ownLane], own.sz[ownLane]);
    D3DXVECTOR3 alignment(own.ax[ownLane], own.ay[ownLane], own.az[ownLane]);
    D3DXVECTOR3 cohesion(own.cx[ownLane], own.cy[ownLane], own.cz[ownLane]);
    int32_t neighbours = own.n[ownLane];

    const D3DXVECTOR3 pos = a.vPos, dir = a.vDir;
    const Lanes px = Splat(pos.x), py = Splat(pos.y), pz = Splat(pos.z);
    const Lanes hx = Splat(dir.x), hy = Splat(dir.y), hz = Splat(dir.z);
    const Lanes radius = Splat(m_fRadius), zero = Splat(0.0f);
    for (int block = (i + 1) / 4; block * 4 < m_nBoids; ++block) {
        PairLanes& l = m_pPairData[block];
        const IntLanes j = IntLanes{0, 1, 2, 3} + block * 4;
        const Lanes dx = px - l.x, dy = py - l.y, dz = pz - l.z;
        const Lanes dist = SquareRoot(dx * dx + dy * dy + dz * dz);
        const IntLanes near = (dist < radius) & (j > i) & (j < m_nBoids);
        const Lanes k = Splat(1.0f) / (dist * dist * Splat(0.3f));
        const IntLanes pushes = near & ((k - k) == zero);  // k finite
        const Lanes pushX = dx * k, pushY = dy * k, pushZ = dz * k;
        const Lanes toAx = l.hx / dist, toAy = l.hy / dist, toAz = l.hz / dist;
        l.sx = pushes ? l.sx - pushX : l.sx;
        l.sy = pushes ? l.sy - pushY : l.sy;
        l.sz = pushes ? l.sz - pushZ : l.sz;
        l.ax = pushes ? l.ax + hx / dist : l.ax;
        l.ay = pushes ? l.ay + hy / dist : l.ay;
        l.az = pushes ? l.az + hz / dist : l.az;
        l.cx = near ? l.cx + px : l.cx;
        l.cy = near ? l.cy + py : l.cy;
        l.cz = near ? l.cz + pz : l.cz;
        l.n = near ? l.n + 1 : l.n;
        for (int lane = 0; lane < 4; ++lane) {
            if (!near[lane])
                continue;
            if (pushes[lane]) {
                separation += D3DXVECTOR3(pushX[lane], pushY[lane], pushZ[lane]);
                alignment += D3DXVECTOR3(toAx[lane], toAy[lane], toAz[lane]);
            }
            cohesion += D3DXVECTOR3(l.x[lane], l.y[lane], l.z[lane]);
            ++neighbours;
        }
    }
    a.vSeparation = separation;
    a.vAlignment = alignment;
    a.vCohesion = cohesion;
    a.nNeighbours = neighbours;
}

// The probe from the bird 35 units along its heading against one obstacle set: the first
// instance ahead, within the set's radius and hit by the probe gives its face normal.
void Boids::LookAhead(int i, BackGroundObject& obstacles) {
    Boid& b = m_pBoids[i];
    if (!obstacles.m_pBackGroundObj)
        return;
    const D3DXVECTOR3 probeEnd = b.vPos + b.vDir * kProbeLength;
    for (int n = 0; n < obstacles.m_nCount; ++n) {
        ModelInstance& obstacle = obstacles.m_pBackGroundObj[n];
        const D3DXVECTOR3 c(obstacle.m_matWorld._41, obstacle.m_matWorld._42,
                            obstacle.m_matWorld._43);
        obstacle.m_vPosition = c;
        const D3DXVECTOR3 v = b.vPos - c;
        if (D3DXVec3Dot(&v, &b.vDir) > 0.0f)
            continue;
        D3DXVECTOR3 normal;
        if (Length(v) < obstacles.m_fQueryRadius &&
            obstacle.HitSegment(b.vPos, probeEnd, &normal)) {
            b.vToTarget = normal;
            b.bAvoiding = 1;
            return;
        }
    }
}

void Boids::SteerBoid(int i, float dt) {
    Boid& b = m_pBoids[i];
    const float dC = Length(m_vCenter - b.vPos);
    const float dO = Length(b.vPos);
    const float dT = Length(m_vTarget - b.vPos);

    D3DXVECTOR3 s;
    if (dC > m_fRadius)
        s = m_fCenterWeight * b.vToCenter;
    else if (dT > m_fRadius)
        s = m_fTargetWeight * b.vToTarget;
    else
        s = m_fSeparation * b.vSeparation + m_fAlignment * b.vAlignment +
            m_fCohesion * b.vCohesion + m_fCenterWeight * b.vToCenter +
            m_fTargetWeight * b.vToTarget;
    const float sLength = Length(s);
    if (sLength > 1.0f)
        s = s / sLength;

    if (b.bAvoiding)
        b.fSpeed -= m_fSpeed * 0.8f * dt;

    if (s.y > kPitchDeadZone) {
        if (b.fPitchRate < kPitchRateLimit)
            b.fPitchRate += kPitchAcceleration * dt;
    } else if (s.y < -kPitchDeadZone) {
        if (b.fPitchRate > -kPitchRateLimit)
            b.fPitchRate -= kPitchAcceleration * dt;
    } else {
        if (b.fPitchRate > kPitchRateRest)
            b.fPitchRate -= kPitchRateDecay * dt;
        else if (b.fPitchRate < -kPitchRateRest)
            b.fPitchRate += kPitchRateDecay * dt;
        else
            b.fPitchRate = 0.0f;
        b.fPitch -= b.fPitch * dt;
    }
    b.fPitch += b.fPitchRate * dt;
    b.fPitch = std::fmin(std::fmax(b.fPitch, -kPitchLimit), kPitchLimit);

    D3DXVECTOR3 h(s.x, 0.0f, s.z);
    const float hLength = Length(h);
    if (hLength > 0.0f)
        D3DXVec3Normalize(&h, &h);
    D3DXVECTOR3 f = b.vDir;
    const float fLength = Length(f);
    if (fLength > 0.0f)
        D3DXVec3Normalize(&f, &f);
    const float p = D3DXVec3Dot(&h, &f);
    if (p > 0.0f)
        b.fSpeed += 0.5f * m_fSpeed * dt;
    else
        b.fSpeed -= 0.5f * m_fSpeed * dt;

    const float cy = f.z * h.x - f.x * h.z;
    float yawAcceleration = 2.0f * std::fmax(1.0f - p, 0.25f);
    float yawRateLimit = 1.0f;
    if (b.bAvoiding) {
        yawAcceleration = 4.0f;
        yawRateLimit = 6.0f;
    }
    if (cy > kTurnDeadZone) {
        if (b.fYawRate > -yawRateLimit)
            b.fYawRate -= yawAcceleration * dt;
    } else if (cy < -kTurnDeadZone) {
        if (b.fYawRate < yawRateLimit)
            b.fYawRate += yawAcceleration * dt;
    }
    b.fYaw += b.fYawRate * dt;
    b.fRoll = -0.3f * b.fYawRate;

    if (b.fSpeed > m_fSpeed)
        b.fSpeed -= 0.3f * m_fSpeed * dt;
    if (b.fSpeed < m_fSpeed)
        b.fSpeed += 0.3f * m_fSpeed * dt;
    b.fSpeed = std::fmin(std::fmax(b.fSpeed, m_fSpeed / 2.0f), 2.0f * m_fSpeed);

    MoveBoid(i, dt);

    if (dC > kStragglerJump)
        b.vPos = m_vCenter;
    if (dO > kWorldLimit)
        b.vPos = D3DXVECTOR3();
}

void Boids::LoopBoid(int i, float dt) {
    Boid& b = m_pBoids[i];
    if (!b.bLoopStarted) {
        if (b.fPitch > kLevelTolerance)
            b.fPitch -= std::fabs(b.fPitch) * kLevelRate * dt;
        else if (b.fPitch < -kLevelTolerance)
            b.fPitch += std::fabs(b.fPitch) * kLevelRate * dt;
        else if (b.fRoll > kLevelTolerance)
            b.fRoll -= std::fabs(b.fRoll) * kLevelRate * dt;
        else if (b.fRoll < -kLevelTolerance)
            b.fRoll += std::fabs(b.fRoll) * kLevelRate * dt;
        else
            b.bLoopStarted = 1;
    } else {
        b.fLoopAngle += b.fLoopRate * dt;
        if (b.fLoopAngle > kFullTurn) {
            b.fLoopAngle = -RandomFractionF() * kLoopDelay;
            b.bLoop = 0;
        }
        b.fPitch = std::fmax(b.fLoopAngle, 0.0f);
        b.fRoll = -std::fmin(std::fmax(2.0f * b.fLoopAngle, 0.0f), kFullTurn);
    }
    MoveBoid(i, dt);
}

void Boids::MoveBoid(int i, float dt) {
    Boid& b = m_pBoids[i];
    PoseActor(b.fYaw, b.fPitch, b.fRoll, b.vPos, &b.m_matWorld);
    b.vDir = ActorHeading(b.m_matWorld);
    b.vPos += b.vDir * b.fSpeed * 100.0f * dt;
}
