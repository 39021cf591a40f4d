// The fixed-function renderer of meshes: two lights, one interleaved vertex
// array per mesh (a static buffer object when the driver has them), one
// indexed draw per material.
#include <GL/glew.h>

#include <algorithm>
#include <iostream>

#include "model/mesh.h"

namespace {

struct Light {
  GLenum name;
  GLfloat position[4], spotDirection[3];
};

// Positions in eye coordinates: prepareGL sets them under an identity
// model-view matrix, so they stay put whatever the model's placement.
const Light lights[] = {
    {GL_LIGHT0, {7, 5, 3, 1}, {5, 0, -3}},
    {GL_LIGHT1, {-5, 0, 3, 1}, {0.4f, 0.4f, 0.4f}},
};

void setLight(const Light& light) {
  const GLfloat ambient[4] = {0.35f, 0.35f, 0.35f, 1};
  const GLfloat diffuse[4] = {0.55f, 0.55f, 0.55f, 1};
  const GLfloat specular[4] = {1, 1, 1, 1};
  glLightfv(light.name, GL_POSITION, light.position);
  glLightfv(light.name, GL_AMBIENT, ambient);
  glLightfv(light.name, GL_DIFFUSE, diffuse);
  glLightfv(light.name, GL_SPECULAR, specular);
  glLightfv(light.name, GL_SPOT_DIRECTION, light.spotDirection);
  glLightf(light.name, GL_SPOT_EXPONENT, 0);
}

// Points the interleaved arrays at the vertices: at offset 0 of the buffer
// object when there is one, else at the system copy. The array buffer is
// unbound afterwards (the pointers keep it), so that later client-memory
// arrays of other code are not read from it.
void pointArraysAt(const fast_Vertices& vertices) {
  if (vertices.bufferId != 0) {
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, vertices.bufferId);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, nullptr);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  } else {
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, vertices.data());
  }
}

bool hasAlphaChannel(int format) {
  return format == GL_RGBA || format == GL_LUMINANCE_ALPHA;
}

void setClientArrays(bool enabled) {
  for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY})
    enabled ? glEnableClientState(array) : glDisableClientState(array);
}

}  // namespace

fast_Vertices::~fast_Vertices() {
  if (bufferId != 0) glDeleteBuffersARB(1, &bufferId);
}

void fast_Vertices::upload() {
  if (GLEW_ARB_vertex_buffer_object) {
    if (bufferId == 0) glGenBuffersARB(1, &bufferId);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, bufferId);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, GLsizeiptrARB(size() * sizeof(fast_Vertex)), data(),
                    GL_STATIC_DRAW_ARB);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  }
  pointArraysAt(*this);
}

void fast_Material::uploadTexture() {
  if (!textureData.hasPixels || texture.exists()) return;
  bool created = false;
  const char* reason = nullptr;
  try {
    created = texture.create(&textureData, false);
  } catch (const char* message) {
    reason = message;
  } catch (...) {
  }
  if (created) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return;
  }
  std::clog << "can't load texture into context (material \"" << name << "\")";
  if (reason) std::clog << ": " << reason;
  std::clog << std::endl;
}

void fast_Material::draw(int mode) {
  const float k = shininess * 0.0071428571f;  // "Ns" / 140
  const bool stored = mode != 0;
  GLfloat ambientColour[4] = {ambient[0], ambient[1], ambient[2], stored ? ambient[3] : 0.5f};
  GLfloat diffuseColour[4] = {diffuse[0], diffuse[1], diffuse[2], stored ? diffuse[3] : 0.5f};
  const GLfloat specularColour[4] = {specular[0] * k, specular[1] * k, specular[2] * k,
                                     stored ? specular[3] : 0.5f};
  // GL refuses exponents outside 0..128; an "Ns" above 1024 would leave the
  // previous material's.
  const GLfloat exponent = std::clamp(128 - shininess * 0.125f, 0.0f, 128.0f);

  if (texture.exists()) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.textureName);
    std::fill(ambientColour, ambientColour + 3, 0.3f);
    ambientColour[3] = ambient[3];
    std::fill(diffuseColour, diffuseColour + 3, 0.9f);
    diffuseColour[3] = diffuse[3];
    if (hasAlphaChannel(textureData.format)) {
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GREATER, 0.25f);
    } else {
      glDisable(GL_ALPHA_TEST);
    }
  } else {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
  }
  glMaterialfv(GL_FRONT, GL_AMBIENT, ambientColour);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuseColour);
  glMaterialfv(GL_FRONT, GL_SPECULAR, specularColour);
  glMaterialf(GL_FRONT, GL_SHININESS, exponent);
  glDrawElements(GL_TRIANGLES, GLsizei(triangles.size()), GL_UNSIGNED_INT, triangles.data());
}

void fast_Materials::draw(int flags) {
  const bool allTranslucent = flags & 1, noCulling = flags & 2;
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHT1);
  noCulling ? glDisable(GL_CULL_FACE) : glEnable(GL_CULL_FACE);
  glFrontFace(GL_CCW);
  glShadeModel(GL_SMOOTH);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  setClientArrays(true);
  for (fast_Material* material : *this) {
    if (allTranslucent || material->diffuse[3] < 1.0f) {
      glDisable(GL_CULL_FACE);
      glDepthMask(GL_FALSE);
      glEnable(GL_BLEND);
    } else {
      if (!noCulling) glEnable(GL_CULL_FACE);
      glDepthMask(GL_TRUE);
      glDisable(GL_BLEND);
    }
    material->draw(flags & 1);
  }
  setClientArrays(false);
  glDepthMask(GL_TRUE);
}

void fast_Mesh::prepareGL() {
  // The lights go in under an identity model-view matrix whatever matrix
  // the caller left current; both stay as they were.
  GLint callersMode = GL_MODELVIEW;
  glGetIntegerv(GL_MATRIX_MODE, &callersMode);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  for (const Light& light : lights) setLight(light);
  vertices.upload();
  for (fast_Material* material : materials) material->uploadTexture();
  glPopMatrix();
  glMatrixMode(GLenum(callersMode));
}

void fast_Mesh::draw(int flags) {
  pointArraysAt(vertices);
  materials.draw(flags);
}
