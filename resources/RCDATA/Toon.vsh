vs.1.0
; Toon shading of the static models: ramp coordinate from the lighting term, vertex fog.
; Inputs: v0 position, v3 normal, v5 colour, v8 second texture coordinates.
; Constants: c0-c3 world-view-projection rows, c4-c7 world-view rows,
; c12 = (0.0, 0.5, 1.0, -1.0), c13 light in model space, c14 = (-1 / fog end, 1.0, 0.0, 0.0).

; Position through world, view and projection.
m4x4 oPos, v0, c0

; Normal to unit length (model space, where the light is).
dp3 r0.w, v3, v3
rsq r0.w, r0.w
mul r0.xyz, v3, r0.w

; Ramp coordinate u = (n . light + 1) * 0.5.
dp3 r1.x, r0, c13
add r1.x, r1.x, c12.z
mul oT0.x, r1.x, c12.y

; The mesh's second texture coordinates and the vertex colour pass through.
mov oT1, v8
mov oD0, v5

; Fog: view depth through world and view, 1 - depth / fog end.
dp4 r1.y, v0, c6
mad oFog.x, r1.y, c14.x, c14.y
