#include "model/obj_parser.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "model/obj_reader.h"

namespace {

// Where recoveries stop: what may follow the element that failed.
constexpr TokenSet afterNumber{TokInt, TokFloat, TokName, TokOptS, TokOptMm, TokEndl, TokEof};
constexpr TokenSet afterName{TokInt, TokName, TokEndl, TokEof};
constexpr TokenSet lineEnd{TokEndl, TokEof};

// atof of a TINT or TFLOAT text. Short decimals take the exact path (both
// mantissa and power of ten are exact doubles, so one rounding, as strtod);
// the rest go through strtod.
double toDouble(const char* text) {
  static const double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* p = text;
  bool negative = *p == '-';
  if (negative) ++p;
  uint64_t mantissa = 0;
  int digits = 0, exponent = 0;
  for (; *p >= '0' && *p <= '9'; ++p, ++digits) mantissa = mantissa * 10 + uint64_t(*p - '0');
  if (*p == '.')
    for (++p; *p >= '0' && *p <= '9'; ++p, ++digits, --exponent)
      mantissa = mantissa * 10 + uint64_t(*p - '0');
  if (*p != 0 || digits > 15) return std::atof(text);  // an exponent, or too long
  double value = exponent < -22 ? std::atof(text) : double(mantissa) / powers[-exponent];
  return negative ? -value : value;
}

// Doubles beyond the float range become infinities, as the hardware does.
inline float toFloat(double value) {
  if (value > FLT_MAX) return INFINITY;
  if (value < -FLT_MAX) return -INFINITY;
  return float(value);
}

// atoi, saturating instead of overflowing.
int64_t toInteger(const char* p) {
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (value < (int64_t(1) << 40)) value = value * 10 + (*p - '0');
  return negative ? -value : value;
}

inline int toInt(const char* text) {
  int64_t value = toInteger(text);
  return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : int(value);
}

// A file index (1-based, or negative from the end) into a list of count.
inline bool resolve(int64_t index, size_t count, uint32_t& resolved) {
  if (index > 0 && uint64_t(index) <= count) {
    resolved = uint32_t(index - 1);
    return true;
  }
  if (index < 0 && uint64_t(-index) <= count) {
    resolved = uint32_t(int64_t(count) + index);
    return true;
  }
  return false;
}

inline bool near(float a, float b) {
  return std::fabs(a - b) < 1.1920929e-7f;
}

}  // namespace

int32_t& SmoothingVertices::slot(uint32_t position, int group) {
  if ((used + 1) * 2 > entries.size()) grow();
  const uint64_t key = uint64_t(position) << 32 | uint32_t(group);
  const size_t mask = entries.size() - 1;
  uint64_t hash = (key ^ (key >> 31)) * 0x9E3779B97F4A7C15ull;
  size_t i = size_t(hash ^ (hash >> 29)) & mask;
  while (entries[i].key != key && entries[i].vertex != -2) i = (i + 1) & mask;
  if (entries[i].vertex == -2) {
    entries[i] = {key, -1};
    ++used;
  }
  return entries[i].vertex;
}

// Entries with vertex -2 are free.
void SmoothingVertices::grow() {
  std::vector<Entry> old(std::max<size_t>(16, entries.size() * 2), Entry{0, -2});
  old.swap(entries);
  used = 0;
  for (const Entry& entry : old)
    if (entry.vertex != -2)
      slot(uint32_t(entry.key >> 32), int(uint32_t(entry.key))) = entry.vertex;
}

ParserOBJ::ParserOBJ(OBJLexer& lexer, fast_Mesh* mesh, const std::string& directory)
    : lexer(lexer), directory(directory), mesh(mesh) {}

void ParserOBJ::setMaterial(fast_Material* material) {
  currentMaterial = material;
  placement = dynamic_cast<objMaterial*>(material);
}

void ParserOBJ::syntaxError(std::initializer_list<int> expected) {
  std::cerr << "line " << lexer.line() << ": syntax error at \"" << lexer.text() << "\" missing";
  if (expected.size() == 1) {
    std::cerr << ' ' << tokenName(*expected.begin());
  } else {
    std::cerr << " {";
    for (int token : expected) std::cerr << ' ' << tokenName(token);
    std::cerr << " }";
  }
  std::cerr << '\n';
}

// Skips to a token that may follow; after a recovery that skipped nothing,
// the next one skips exactly one token, so a reader never loops in place.
void ParserOBJ::recover(TokenSet follow) {
  if (skipOneNext) {
    advance();
    skipOneNext = false;
    return;
  }
  bool skipped = false;
  for (; !follow.has(la); skipped = true) advance();  // every follow set holds Eof
  skipOneNext = !skipped;
}

void ParserOBJ::operandError(std::initializer_list<int> expected, TokenSet follow) {
  syntaxError(expected);
  recover(follow);
}

float ParserOBJ::number() {
  if (!isNumber(la)) {
    operandError({TokInt, TokFloat}, afterNumber);
    return 0;
  }
  float value = toFloat(toDouble(lexer.text()));
  advance();
  return value;
}

void ParserOBJ::numbers(float* values, int count) {
  for (int i = 0; i < count; ++i) values[i] = number();
}

std::string ParserOBJ::name() {
  if (la != TokName) {
    operandError({TokName}, afterName);
    return "";
  }
  std::string text(lexer.text(), size_t(lexer.length()));
  advance();
  return text;
}

bool ParserOBJ::want(int token) {
  if (la != token) {
    syntaxError({token});
    return false;
  }
  advance();
  return true;
}

int ParserOBJ::wantOneOf(std::initializer_list<int> tokens) {
  for (int token : tokens)
    if (la == token) {
      advance();
      return token;
    }
  syntaxError(tokens);
  return 0;
}

bool ParserOBJ::wantAll(std::initializer_list<int> tokens) {
  for (int token : tokens)
    if (!want(token)) return false;
  return true;
}

void ParserOBJ::skipAll(TokenSet tokens) {
  while (tokens.has(la)) advance();
}

void ParserOBJ::readModel() {
  advance();
  currentGroup = mesh->findOrCreateGroup("");
  setMaterial(mesh->findMaterial(""));
  smoothingGroup = 0;
  if (!readItems(false)) return;
  mesh->finish();
  mesh->normalizeNormals();
}

// Items are statements ended by a line end (or the end of input) and empty
// lines. False after an error that ends the file.
bool ParserOBJ::readItems(bool library) {
  for (;;) {
    if (la == TokEndl) {
      advance();
      continue;
    }
    Outcome outcome = library ? libraryStatement() : modelStatement();
    if (outcome == NotStatement) break;
    if (outcome == Failed) {
      if (library) return false;
      recover(lineEnd);
    }
    if (la == TokEndl) {
      advance();
    } else if (la != TokEof) {
      syntaxError({TokEof, TokEndl});
      return false;
    }
  }
  if (la == TokEof) return true;
  syntaxError({TokEof});
  return false;
}

ParserOBJ::Outcome ParserOBJ::modelStatement() {
  const int statement = la;
  switch (statement) {
    case TokV:
    case TokVn:
    case TokVt:
    case TokF:
    case TokS:
    case TokG:
    case TokUsemtl:
    case TokMtllib:
    case TokR:
    case TokO:
    case TokShadowObj:
    case TokTraceObj:
    case TokVp:
    case TokCstype:
    case TokDeg:
    case TokBmat:
    case TokParm:
    case TokStep:
    case TokP:
    case TokCurv2:
    case TokSp:
    case TokL:
    case TokCurv:
    case TokSurf:
    case TokTrim:
    case TokHole:
    case TokScrv:
    case TokEnd:
    case TokCon:
    case TokMg:
    case TokBevel:
    case TokCInterp:
    case TokDInterp:
    case TokLod:
    case TokMaplib:
    case TokUsemap:
    case TokCtech:
    case TokStech:
      advance();
      break;
    default:
      return NotStatement;
  }
  switch (statement) {
    case TokV: {
      PositionRecord record{{0, 0, 0}, -1, -1, 0, -1};
      numbers(record.position, 3);
      positions.push_back(record);
      return Done;
    }
    case TokVn: {
      Normal normal;
      numbers(normal.n, 3);
      normals.push_back(normal);
      return Done;
    }
    case TokVt: {
      Texcoord texcoord;
      numbers(texcoord.t, 2);
      if (isNumber(la)) number();
      texcoords.push_back(texcoord);
      return Done;
    }
    case TokF:
      return face();
    case TokS:
      if (la == TokInt) {
        smoothingGroup = toInt(lexer.text());
        advance();
        return Done;
      }
      if (la != TokOff) return wantOneOf({TokInt, TokOff}) ? Done : Failed;
      smoothingGroup = 0;
      advance();
      return Done;
    case TokG: {
      std::string group;
      for (; la == TokName || la == TokInt; advance()) group.assign(lexer.text(), lexer.length());
      currentGroup = mesh->findOrCreateGroup(group);
      return Done;
    }
    case TokUsemtl:
      setMaterial(mesh->findMaterial(name()));
      return Done;
    case TokMtllib:
      readLibraryFile(name());
      for (; la == TokName; advance()) readLibraryFile(std::string(lexer.text(), lexer.length()));
      return Done;
    case TokR:
    case TokO:
    case TokShadowObj:
    case TokTraceObj:
      name();
      return Done;
    case TokMaplib:
      name();
      skipAll({TokName});
      return Done;
    case TokVp:
      if (!wantAll({TokFloat, TokFloat})) return Failed;
      if (la == TokFloat) advance();
      return Done;
    case TokDeg:
      if (!want(TokFloat)) return Failed;
      if (la == TokFloat) advance();
      return Done;
    case TokStep:
      if (!want(TokInt)) return Failed;
      if (la == TokInt) advance();
      return Done;
    case TokCstype:
      if (la == TokRat) {
        advance();
        return wantOneOf({TokBmatrix, TokBezier, TokBspline, TokCardinal, TokTaylor}) ? Done
                                                                                      : Failed;
      }
      return wantOneOf({TokRat, TokBmatrix, TokBezier, TokBspline, TokCardinal, TokTaylor})
                 ? Done
                 : Failed;
    case TokBmat:
    case TokParm:
      if (!wantOneOf({TokV, TokU}) || !want(TokFloat)) return Failed;
      skipAll({TokFloat});
      return Done;
    case TokP:
    case TokCurv2:
    case TokSp:
      if (!want(TokInt)) return Failed;
      skipAll({TokInt});
      return Done;
    case TokL:
      if (!wantOneOf({TokInt, TokName})) return Failed;
      skipAll({TokInt, TokName});
      return Done;
    case TokCurv:
      if (!want(TokFloat)) return Failed;
      skipAll({TokFloat});
      return Done;
    case TokSurf:
      if (!wantAll({TokFloat, TokFloat, TokFloat, TokFloat}) || !wantOneOf({TokInt, TokName}))
        return Failed;
      skipAll({TokInt, TokName});
      return Done;
    case TokTrim:
    case TokHole:
    case TokScrv:
      if (!wantAll({TokFloat, TokFloat, TokInt})) return Failed;
      while (la == TokFloat)
        if (!wantAll({TokFloat, TokFloat, TokInt})) return Failed;
      return Done;
    case TokEnd:
      return Done;
    case TokCon:
      return wantAll({TokInt, TokFloat, TokFloat, TokInt, TokInt, TokFloat, TokFloat, TokInt})
                 ? Done
                 : Failed;
    case TokMg:
      return wantOneOf({TokInt, TokOff}) && want(TokFloat) ? Done : Failed;
    case TokBevel:
    case TokCInterp:
    case TokDInterp:
      return wantOneOf({TokOff, TokOn}) ? Done : Failed;
    case TokLod:
      return want(TokInt) ? Done : Failed;
    case TokUsemap:
      return wantOneOf({TokOff, TokName}) ? Done : Failed;
    case TokCtech:
      switch (wantOneOf({TokCurv, TokCparm, TokCspace})) {
        case TokCurv:
          return wantAll({TokFloat, TokFloat}) ? Done : Failed;
        case 0:
          return Failed;
        default:
          return want(TokFloat) ? Done : Failed;
      }
    case TokStech:
      switch (wantOneOf({TokCurv, TokCspace, TokCparma, TokCparmb})) {
        case TokCurv:
        case TokCparma:
          return wantAll({TokFloat, TokFloat}) ? Done : Failed;
        case 0:
          return Failed;
        default:
          return want(TokFloat) ? Done : Failed;
      }
    default:
      return NotStatement;
  }
}

// A polygon, as the fan (c0, c1, c2), (c0, c2, c3), ... of its corners.
ParserOBJ::Outcome ParserOBJ::face() {
  // Most files list their positions first, and most positions become one
  // vertex or more: growing the vertex array to that at once saves copies.
  if (mesh->vertices.empty()) mesh->vertices.reserve(positions.size());
  cornerCount = 0;
  missingNormal = false;
  for (int operand = 0;; ++operand) {
    if (la == TokInt || la == TokName) {
      faceVertex();
      advance();
    } else if (operand < 3) {
      operandError({TokInt, TokName}, afterName);  // the corner is left out
    } else {
      return Done;
    }
  }
}

// One corner "p", "p/t", "p//n" or "p/t/n". A corner whose index lies outside
// its list is left out with a message.
void ParserOBJ::faceVertex() {
  const char* text = lexer.text();
  const char* end = text + lexer.length();
  int64_t positionIndex = toInteger(text), texcoordIndex = 0, normalIndex = 0;
  bool hasTexcoord = false, hasNormal = false;
  if (const char* slash = static_cast<const char*>(std::memchr(text, '/', size_t(end - text)))) {
    if (slash[1] != '/') {
      hasTexcoord = true;
      texcoordIndex = toInteger(slash + 1);
    }
    if (const char* second =
            static_cast<const char*>(std::memchr(slash + 1, '/', size_t(end - slash - 1)))) {
      hasNormal = true;
      normalIndex = toInteger(second + 1);
    }
  }
  uint32_t position = 0, texcoord = 0, normal = 0;
  if (!resolve(positionIndex, positions.size(), position) ||
      (hasTexcoord && !resolve(texcoordIndex, texcoords.size(), texcoord)) ||
      (hasNormal && !resolve(normalIndex, normals.size(), normal))) {
    std::cerr << "line " << lexer.line() << ": index out of range at \"" << text << "\"\n";
    return;
  }
  if (!hasNormal) missingNormal = true;

  float t[2] = {unsetTexCoord, unsetTexCoord};
  if (hasTexcoord) {
    t[0] = texcoords[texcoord].t[0];
    t[1] = texcoords[texcoord].t[1];
    if (placement) {
      t[0] = (t[0] + placement->offsetU) * placement->scaleU;
      t[1] = (placement->offsetV - t[1]) * placement->scaleV;
    }
  }
  float n[3] = {0, 0, 0};
  if (!missingNormal) std::memcpy(n, normals[normal].n, sizeof n);

  const uint32_t k = findOrMakeVertex(position, n, t, hasTexcoord);
  if (cornerCount < 2) {
    corner[cornerCount++] = k;
    return;
  }
  if (missingNormal) mesh->addFaceNormal(corner[0], corner[1], k);
  mesh->addTriangle(corner[0], corner[1], k, currentGroup, currentMaterial);
  corner[1] = k;
}

// Inside a smoothing group, corners without normals share one vertex per
// position; otherwise a vertex is shared when normal and texture coordinate
// agree, and one without a texture coordinate takes the first it is given.
uint32_t ParserOBJ::findOrMakeVertex(uint32_t position, const float normal[3],
                                     const float texcoord[2], bool hasTexcoord) {
  PositionRecord& record = positions[position];
  if (missingNormal && smoothingGroup > 0) {
    if (record.smoothingGroup == 0) record.smoothingGroup = smoothingGroup;
    int32_t& made = record.smoothingGroup == smoothingGroup
                        ? record.smoothVertex
                        : bySmoothingGroup.slot(position, smoothingGroup);
    if (made < 0) made = mesh->addVertex(record.position, normal, texcoord);
    return uint32_t(made);
  }
  for (int32_t link = record.firstMade; link >= 0; link = madeVertices[size_t(link)].next) {
    const uint32_t index = madeVertices[size_t(link)].vertex;
    fast_Vertex& vertex = mesh->vertices[index];
    if (near(vertex.nx, normal[0]) && near(vertex.ny, normal[1]) && near(vertex.nz, normal[2]) &&
        (!hasTexcoord || (near(vertex.u, texcoord[0]) && near(vertex.v, texcoord[1]))))
      return index;
    if (hasTexcoord && near(vertex.u, unsetTexCoord) && near(vertex.v, unsetTexCoord)) {
      vertex.u = texcoord[0];
      vertex.v = texcoord[1];
      return index;
    }
  }
  const uint32_t index = uint32_t(mesh->addVertex(record.position, normal, texcoord));
  const int32_t link = int32_t(madeVertices.size());
  madeVertices.push_back({index, -1});
  if (record.lastMade >= 0)
    madeVertices[size_t(record.lastMade)].next = link;
  else
    record.firstMade = link;
  record.lastMade = link;
  return index;
}

fast_Mesh* loadOBJ(const std::string& directory, std::istream& stream, ProgressBase& progress) {
  fast_Mesh* mesh = new fast_Mesh;
  OBJLexer lexer(stream.fail() ? nullptr : stream.rdbuf(), &progress);
  ParserOBJ parser(lexer, mesh, directory);
  parser.readModel();
  return mesh;
}
