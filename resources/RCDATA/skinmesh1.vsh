vs.1.1
; Skinning with one bone per vertex, toon ramp coordinate and vertex fog.
; Inputs: v0 position, v2 blend indices (D3DCOLOR), v3 normal, v5 colour, v7 texture coordinates.
; Constants: c0 = (1.0, 0.5, 0.0, 765.01), c1 light in model space, c2-c5 projection rows,
; c7 = (-1 / fog end, 1.0, 0.0, 0.0), palette slot j in c[9 + 3j] to c[11 + 3j].

; Bone offsets: the colour encoding delivers the index bytes as third, second, first, fourth;
; .zyxw puts them back in order and 765.01 turns byte b into 3b (plus less than 0.01).
mul r1, v2.zyxw, c0.w

; The bone: position and normal through its 4x3 world-view matrix.
mov a0.x, r1.x
m4x3 r4, v0, c[a0.x + 9]
m3x3 r5, v3, c[a0.x + 9]

; Position: w = 1, then through the projection.
mov r4.w, c0.x
m4x4 oPos, r4, c2

; Normal to unit length.
dp3 r5.w, r5, r5
rsq r5.w, r5.w
mul r5.xyz, r5, r5.w

; Ramp coordinate u = (n . light + 1) * 0.5.
dp3 r8.x, r5, c1
add r8.x, r8.x, c0.x
mul oT0.x, r8.x, c0.y

; The mesh's texture coordinates and the vertex colour pass through.
mov oT1, v7
mov oD0, v5

; Fog: view depth of the position through the bone, 1 - depth / fog end.
dp4 r8.y, v0, c[a0.x + 11]
mad oFog.x, r8.y, c7.x, c7.y
