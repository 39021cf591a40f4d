#include "app/quads/quads.h"

#include <GL/gl.h>

void drawAtlasQuad(float x0, float y0, float x1, float y1, int left, int top, int right,
                   int bottom) {
  const float sLeft = left / 256.0f, sRight = right / 256.0f;
  const float tTop = 1.0f - top / 256.0f, tBottom = 1.0f - bottom / 256.0f;
  glBegin(GL_QUADS);
  glTexCoord2f(sLeft, tBottom);
  glVertex2f(x0, y0);
  glTexCoord2f(sRight, tBottom);
  glVertex2f(x1, y0);
  glTexCoord2f(sRight, tTop);
  glVertex2f(x1, y1);
  glTexCoord2f(sLeft, tTop);
  glVertex2f(x0, y1);
  glEnd();
}

void drawSlideQuad(float sMax, float tMax) {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(-0.5f, -0.375f, 0);
  glTexCoord2f(sMax, 0);
  glVertex3f(0.5f, -0.375f, 0);
  glTexCoord2f(sMax, tMax);
  glVertex3f(0.5f, 0.375f, 0);
  glTexCoord2f(0, tMax);
  glVertex3f(-0.5f, 0.375f, 0);
  glEnd();
}

void drawTexturedQuad2D(float x0, float y0, float x1, float y1, float s0, float t0, float s1,
                        float t1) {
  glBegin(GL_QUADS);
  glTexCoord2f(s0, t0);
  glVertex2f(x0, y0);
  glTexCoord2f(s1, t0);
  glVertex2f(x1, y0);
  glTexCoord2f(s1, t1);
  glVertex2f(x1, y1);
  glTexCoord2f(s0, t1);
  glVertex2f(x0, y1);
  glEnd();
}

void drawTexturedQuad3D(float xa, float yb, float za, float xc, float ye, float zc, float s0,
                        float t0, float s1, float t1) {
  glBegin(GL_QUADS);
  glTexCoord2f(s0, t0);
  glVertex3f(xa, ye, za);
  glTexCoord2f(s1, t0);
  glVertex3f(xc, ye, zc);
  glTexCoord2f(s1, t1);
  glVertex3f(xc, yb, zc);
  glTexCoord2f(s0, t1);
  glVertex3f(xa, yb, za);
  glEnd();
}

void drawLitQuad3D(float xa, float yb, float za, float xc, float ye, float zc, float s0, float t0,
                   float s1, float t1, float nxL, float nyL, float nzL, float nxR, float nyR,
                   float nzR) {
  glBegin(GL_QUADS);
  glNormal3f(nxL, nyL, nzL);
  glTexCoord2f(s0, t1);
  glVertex3f(xa, yb, za);
  glTexCoord2f(s0, t0);
  glVertex3f(xa, ye, za);
  glNormal3f(nxR, nyR, nzR);
  glTexCoord2f(s1, t0);
  glVertex3f(xc, ye, zc);
  glTexCoord2f(s1, t1);
  glVertex3f(xc, yb, zc);
  glEnd();
}
