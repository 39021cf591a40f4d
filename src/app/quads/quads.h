#pragma once
// The textured rectangles every drawing part shares. Each issues one
// GL_QUADS quad with its texture coordinates and vertices in a fixed order
// and changes no other GL state.

// A region of the 256 x 256 overlay atlas in pixels (left, top, right,
// bottom counted from the top-left); left > right or top > bottom mirrors.
void drawAtlasQuad(float x0, float y0, float x1, float y1, int left, int top, int right,
                   int bottom);

// The page rectangle (-0.5, -0.375)-(0.5, 0.375) at z = 0, texture (0, 0) to
// (sMax, tMax), counter-clockwise from the lower left.
void drawSlideQuad(float sMax, float tMax);

void drawTexturedQuad2D(float x0, float y0, float x1, float y1, float s0, float t0, float s1,
                        float t1);

// Left edge at (xa, za), right edge at (xc, zc), from y = yb to y = ye.
void drawTexturedQuad3D(float xa, float yb, float za, float xc, float ye, float zc, float s0,
                        float t0, float s1, float t1);

// As drawTexturedQuad3D, with the left normal before the left edge and the
// right normal before the right edge.
void drawLitQuad3D(float xa, float yb, float za, float xc, float ye, float zc, float s0, float t0,
                   float s1, float t1, float nxL, float nyL, float nzL, float nxR, float nyR,
                   float nzR);
