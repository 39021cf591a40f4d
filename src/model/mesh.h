#pragma once
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "texture/texture.h"
#include "texture/texture_data.h"

// One record of a mesh's vertex array, exactly GL's interleaved
// GL_T2F_N3F_V3F layout, so the array goes to GL as it stands.
struct fast_Vertex {
  float u, v;        // texture coordinate
  float nx, ny, nz;  // normal, not unit length while a model is read
  float x, y, z;     // position, in the model file's units
};
static_assert(sizeof(fast_Vertex) == 32, "fast_Vertex must be eight packed floats");

// u and v of a vertex read without a texture coordinate, until a later face
// gives it one.
constexpr float unsetTexCoord = 3.4028235e38f;

// Normals shorter than this are left as they are rather than divided.
constexpr double normalEpsilon = 2.220446e-16;

class fast_Group;
class fast_Material;

// The vertex array, and the GL buffer object it was uploaded to (0: none).
class fast_Vertices : public std::vector<fast_Vertex> {
 public:
  virtual ~fast_Vertices();  // deletes the buffer object
  // Hands the array to GL: into a static buffer object when the vertex
  // buffer extension is there, else as client memory.
  void upload();

  uint32_t bufferId = 0;
};

// A line primitive; constructing one lists it in its group and material.
class fast_Line {
 public:
  fast_Line(const float start[3], const float end[3], fast_Group* group, fast_Material* material);
  virtual ~fast_Line();

  float start[3], end[3];
  fast_Group* group;
  fast_Material* material;
};

// A point primitive; constructing one lists it in its group and material.
class fast_Point {
 public:
  fast_Point(const float position[3], fast_Group* group, fast_Material* material);
  virtual ~fast_Point();

  float position[3];
  fast_Group* group;
  fast_Material* material;
};

// Colours (RGBA), shininess, the triangles drawn with them, and the diffuse
// texture. diffuse[3] is the opacity: below 1 the material is translucent.
class fast_Material {
 public:
  explicit fast_Material(const std::string& name);
  virtual ~fast_Material();
  fast_Material(const fast_Material&) = delete;
  fast_Material& operator=(const fast_Material&) = delete;

  // Loads the diffuse texture's pixels once; a failure is a log line.
  void loadTexture(const std::string& path);
  // Makes the GL texture from the loaded pixels once; a failure is a log line.
  void uploadTexture();
  // Sets the colours and texture and draws the triangles; mode 0 draws
  // ambient and diffuse at half alpha, mode 1 as stored.
  void draw(int mode);

  std::string name;
  float ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
  float diffuse[4] = {0.6f, 0.6f, 0.6f, 1.0f};
  float specular[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  float shininess = 0;  // "Ns", in the file's own scale
  std::vector<uint32_t> triangles;
  std::vector<fast_Line*> lines;    // not owned
  std::vector<fast_Point*> points;  // not owned
  TextureData textureData;
  Texture texture;
};

// The owned materials in draw order; the first is the default material "".
class fast_Materials : public std::list<fast_Material*> {
 public:
  fast_Materials();
  virtual ~fast_Materials();
  fast_Materials(const fast_Materials&) = delete;
  fast_Materials& operator=(const fast_Materials&) = delete;

  // flags bit 0: every material translucent; bit 1: no face culling.
  void draw(int flags);
};

// The triangles (and primitives) read while a "g" group was current.
class fast_Group {
 public:
  explicit fast_Group(const std::string& name);
  virtual ~fast_Group();  // deletes its lines and points
  fast_Group(const fast_Group&) = delete;
  fast_Group& operator=(const fast_Group&) = delete;

  std::string name;
  std::vector<uint32_t> triangles;
  std::vector<fast_Line*> lines;    // owned
  std::vector<fast_Point*> points;  // owned
};

class fast_Groups : public std::vector<fast_Group*> {
 public:
  fast_Groups() = default;
  virtual ~fast_Groups();
  fast_Groups(const fast_Groups&) = delete;
  fast_Groups& operator=(const fast_Groups&) = delete;
};

// One loaded model: every triangle is listed once in one material and once
// in one group, with indices into the one vertex array.
class fast_Mesh {
 public:
  fast_Mesh();
  virtual ~fast_Mesh();
  fast_Mesh(const fast_Mesh&) = delete;
  fast_Mesh& operator=(const fast_Mesh&) = delete;

  // Building, for the readers.
  int addVertex(const float position[3], const float normal[3], const float texcoord[2]);
  // Appends to the group, then to the material; a triangle that names a
  // vertex not in the array (or no group or material) is left out.
  void addTriangle(uint32_t i0, uint32_t i1, uint32_t i2, fast_Group* group,
                   fast_Material* material);
  void addFaceNormal(uint32_t i0, uint32_t i1, uint32_t i2);
  void normalizeNormals();
  // Drops empty materials and groups; opaque materials first, then by
  // falling opacity, stably.
  void finish();
  void addMaterial(fast_Material* material);  // takes ownership
  // The first material of that name; else, with a line on std::clog, the
  // first material of the list (null when the list is empty).
  fast_Material* findMaterial(const std::string& name);
  fast_Group* findOrCreateGroup(const std::string& name);

  // GL, with the window's context current: prepareGL once, then draw.
  void prepareGL();
  void draw(int flags);

  fast_Vertices vertices;
  fast_Materials materials;
  fast_Groups groups;

 private:
  // Triangles and face normals with an index beyond the vertex array are
  // dropped: the renderer would read past the array.
  bool holdsVertices(uint32_t i0, uint32_t i1, uint32_t i2) const;
};
