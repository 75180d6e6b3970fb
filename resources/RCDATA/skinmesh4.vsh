vs.1.1
; Skinning with four bones per vertex, toon ramp coordinate and vertex fog.
; Inputs: v0 position, v1.xyz first three weights, v2 blend indices (D3DCOLOR), v3 normal,
; v5 colour, v7 texture coordinates.
; Constants: c0 = (1.0, 0.5, 0.0, 765.01), c1 light in model space, c2-c5 projection rows,
; c7 = (-1 / fog end, 1.0, 0.0, 0.0), palette slot j in c[9 + 3j] to c[11 + 3j].

; Bone offsets: the colour encoding delivers the index bytes as third, second, first, fourth;
; .zyxw puts them back in order and 765.01 turns byte b into 3b (plus less than 0.01).
mul r1, v2.zyxw, c0.w

; Last weight: 1 - (v1.x + v1.y + v1.z).
dp3 r2.w, v1, c0.x
add r2.w, c0.x, -r2.w

; First bone, weighted by v1.x.
mov a0.x, r1.x
m4x3 r4, v0, c[a0.x + 9]
m3x3 r5, v3, c[a0.x + 9]
mul r4.xyz, r4, v1.x
mul r5.xyz, r5, v1.x

; Second bone, weighted by v1.y.
mov a0.x, r1.y
m4x3 r6, v0, c[a0.x + 9]
m3x3 r7, v3, c[a0.x + 9]
mad r4.xyz, r6, v1.y, r4
mad r5.xyz, r7, v1.y, r5

; Third bone, weighted by v1.z.
mov a0.x, r1.z
m4x3 r6, v0, c[a0.x + 9]
m3x3 r7, v3, c[a0.x + 9]
mad r4.xyz, r6, v1.z, r4
mad r5.xyz, r7, v1.z, r5

; Fourth bone, weighted by the last weight.
mov a0.x, r1.w
m4x3 r6, v0, c[a0.x + 9]
m3x3 r7, v3, c[a0.x + 9]
mad r4.xyz, r6, r2.w, r4
mad r5.xyz, r7, r2.w, r5

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

; Fog: view depth of the unblended position through the last bone, 1 - depth / fog end.
dp4 r8.y, v0, c[a0.x + 11]
mad oFog.x, r8.y, c7.x, c7.y
