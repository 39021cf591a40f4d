// Material libraries: the second start rule of ParserOBJ, and the texture
// files their materials name.
#include <fstream>
#include <iostream>

#include "model/obj_parser.h"
#include "platform/file_case.h"
#include "platform/paths.h"

void fast_Material::loadTexture(const std::string& path) {
  if (textureData.hasPixels) return;
  const char* reason = nullptr;
  bool loaded = false;
  try {
    loaded = textureData.load(path, true);
  } catch (const char* message) {
    reason = message;
  } catch (...) {
  }
  if (loaded) return;
  std::clog << "can't load texture data (material \"" << name << "\", file " << path << ")";
  if (reason) std::clog << ": " << reason;
  std::clog << std::endl;
}

// "mtllib" names lose everything up to their first separator and are looked
// for in the model's directory.
void ParserOBJ::readLibraryFile(const std::string& operand) {
  size_t separator = operand.find_first_of("/\\");
  std::string path =
      directory + (separator == std::string::npos ? operand : operand.substr(separator + 1));
  std::cout << "loading material file: " << path << std::endl;
  std::filebuf file;
  if (!file.open(nativePath(findFileIgnoringCase(path)), std::ios_base::in)) {
    std::clog << "can't open material file " << path << " - visuals may not look as expected"
              << std::endl;
    return;
  }
  OBJLexer libraryLexer(&file);
  ParserOBJ library(libraryLexer, mesh, directory);
  library.readLibrary(currentMaterial);
}

bool ParserOBJ::readLibrary(fast_Material* current) {
  advance();
  setMaterial(current);
  return readItems(true);
}

void ParserOBJ::colour(float rgba[4]) {
  numbers(rgba, 3);
  rgba[3] = isNumber(la) ? number() : 1.0f;
}

ParserOBJ::Outcome ParserOBJ::libraryStatement() {
  const int statement = la;
  switch (statement) {
    case TokNewmtl:
    case TokKa:
    case TokKd:
    case TokKs:
    case TokNs:
    case TokMapKd:
    case TokD:
    case TokNi:
    case TokMapKa:
    case TokMapKs:
    case TokMapD:
    case TokRefl:
    case TokBump:
    case TokIllum:
    case TokSharpness:
    case TokTf:
      advance();
      break;
    default:
      return NotStatement;
  }
  // Statements before the first "newmtl" go to the model's current material.
  fast_Material scratch("");
  fast_Material& material = currentMaterial ? *currentMaterial : scratch;
  switch (statement) {
    case TokNewmtl: {
      objMaterial* created = new objMaterial(name());
      mesh->addMaterial(created);
      setMaterial(created);
      return Done;
    }
    case TokKa:
      colour(material.ambient);
      return Done;
    case TokKd:
      colour(material.diffuse);
      return Done;
    case TokKs:
      colour(material.specular);
      return Done;
    case TokNs:
      material.shininess = number();
      return Done;
    case TokMapKd:
      return mapKd();
    case TokD:
    case TokNi:
      number();
      return Done;
    case TokIllum:
      return want(TokInt) ? Done : Failed;
    case TokSharpness:
      return want(TokFloat) ? Done : Failed;
    case TokTf:
      return wantAll({TokFloat, TokFloat, TokFloat}) ? Done : Failed;
    default:  // the other maps and "refl", "bump"
      name();
      return Done;
  }
}

// ["-o" u v [w]] ["-s" u v [w]] ["-mm" base gain] file, options in that order.
ParserOBJ::Outcome ParserOBJ::mapKd() {
  if (la == TokOptO) {
    advance();
    float offset[2];
    numbers(offset, 2);
    if (isNumber(la)) number();
    if (placement) {
      placement->offsetU = offset[0];
      placement->offsetV = offset[1];
    }
  }
  if (la == TokOptS) {
    advance();
    float scale[2];
    numbers(scale, 2);
    if (isNumber(la)) number();
    // A shrinking scale is taken as the growing one it stands for.
    for (float& s : scale)
      if (s < 1) s = 1 / s;
    if (placement) {
      placement->scaleU = scale[0];
      placement->scaleV = scale[1];
    }
  }
  if (la == TokOptMm) {
    advance();
    if (!wantAll({TokFloat, TokFloat})) return Failed;
  }
  std::string file = name();
  if (currentMaterial) currentMaterial->loadTexture(nativePath(directory + file));
  return Done;
}
