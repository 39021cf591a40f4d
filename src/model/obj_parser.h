#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "model/mesh.h"
#include "model/obj_lexer.h"

// A set of token kinds, for what a parse expects and where a recovery stops.
class TokenSet {
 public:
  constexpr TokenSet(std::initializer_list<int> tokens) {
    for (int token : tokens) bits[token / 64] |= uint64_t(1) << (token % 64);
  }
  constexpr bool has(int token) const { return (bits[token / 64] >> (token % 64)) & 1; }

 private:
  uint64_t bits[2] = {0, 0};
};

// A growable array in blocks of doubling size (64, 128, 256, ... entries):
// growing never moves what it holds, so the reader's lists cost no copies,
// and a small file only a small block.
template <class T>
class BlockArray {
 public:
  void push_back(const T& value) {
    if (count == capacity) {
      blocks.emplace_back(new T[firstBlock << blocks.size()]);
      capacity = (capacity << 1) + firstBlock;
    }
    (*this)[count++] = value;
  }
  // Block b holds the entries from firstBlock * (2^b - 1) on.
  T& operator[](size_t i) {
    const size_t scaled = (i >> firstShift) + 1;
    const unsigned block = 63 - unsigned(__builtin_clzll(scaled));
    return blocks[block][i - ((size_t(1) << block) - 1) * firstBlock];
  }
  size_t size() const { return count; }

 private:
  static constexpr unsigned firstShift = 6;
  static constexpr size_t firstBlock = size_t(1) << firstShift;
  std::vector<std::unique_ptr<T[]>> blocks;
  size_t count = 0, capacity = 0;
};

// Vertices made for (position, smoothing group) pairs beyond each position's
// first: an open-addressed table, so a huge group number costs one entry,
// not a table of that size.
class SmoothingVertices {
 public:
  int32_t& slot(uint32_t position, int group);  // -1 until a vertex is stored

 private:
  struct Entry {
    uint64_t key;
    int32_t vertex;
  };
  void grow();
  std::vector<Entry> entries;
  size_t used = 0;
};

// Recursive-descent reader of model files and, with another start rule, of
// material libraries, with one token of lookahead over an OBJLexer.
class ParserOBJ {
 public:
  // A material from a library: the diffuse texture's placement of "map_Kd".
  class objMaterial : public fast_Material {
   public:
    explicit objMaterial(const std::string& name) : fast_Material(name) {}
    float offsetU = 0, offsetV = 0, scaleU = 1, scaleV = 1;
  };

  ParserOBJ(OBJLexer& lexer, fast_Mesh* mesh, const std::string& directory);

  // Reads the whole model; finishes the mesh only when the file ended cleanly.
  void readModel();
  // Reads a library whose first statements apply to current; false when an
  // error ended it early.
  bool readLibrary(fast_Material* current);

 private:
  enum Outcome { Done, Failed, NotStatement };

  Outcome modelStatement();
  Outcome libraryStatement();
  bool readItems(bool library);
  Outcome face();
  void faceVertex();
  uint32_t findOrMakeVertex(uint32_t position, const float normal[3], const float texcoord[2],
                            bool hasTexcoord);
  Outcome mapKd();
  void readLibraryFile(const std::string& operand);
  void setMaterial(fast_Material* material);

  // Matching; the level of a failure decides the recovery.
  void advance() { la = lexer.next(); }
  float number();      // a missing number counts as 0
  std::string name();  // a missing name counts as ""
  void numbers(float* values, int count);
  void colour(float rgba[4]);
  bool want(int token);                              // false: the statement failed
  int wantOneOf(std::initializer_list<int> tokens);  // the token matched, else 0
  bool wantAll(std::initializer_list<int> tokens);
  void skipAll(TokenSet tokens);
  void syntaxError(std::initializer_list<int> expected);
  void operandError(std::initializer_list<int> expected, TokenSet follow);
  void recover(TokenSet follow);

  OBJLexer& lexer;
  int la = TokInvalid;
  bool skipOneNext = false;  // the last recovery skipped nothing

  std::string directory;
  fast_Mesh* mesh;
  fast_Group* currentGroup = nullptr;
  fast_Material* currentMaterial = nullptr;
  objMaterial* placement = nullptr;  // currentMaterial when it is an objMaterial
  int smoothingGroup = 0;

  struct PositionRecord {
    float position[3];
    int32_t firstMade, lastMade;  // chain of madeVertices links, -1: none
    // The first smoothing group a vertex was made in here (0: none yet) and
    // that vertex; further groups go to bySmoothingGroup.
    int32_t smoothingGroup, smoothVertex;
  };
  struct MadeLink {
    uint32_t vertex;
    int32_t next;
  };
  struct Normal {
    float n[3];
  };
  struct Texcoord {
    float t[2];
  };
  BlockArray<PositionRecord> positions;
  BlockArray<MadeLink> madeVertices;
  SmoothingVertices bySmoothingGroup;
  BlockArray<Normal> normals;
  BlockArray<Texcoord> texcoords;

  uint32_t corner[3] = {0, 0, 0};
  uint8_t cornerCount = 0;
  bool missingNormal = false;
};
