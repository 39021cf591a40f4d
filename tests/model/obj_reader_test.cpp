// The model reader on model and material files written here: tokens, faces,
// error recovery with its messages, and material libraries with textures.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "model/mesh.h"
#include "model/obj_reader.h"
#include "support/captured_stream.h"
#include "support/test_files.h"

namespace {

struct Reading {
  std::unique_ptr<fast_Mesh> mesh;
  std::string errors, log, out;
};

Reading readModel(const std::string& text, const std::string& directory = "") {
  CapturedStream errors(std::cerr), log(std::clog), out(std::cout);
  std::istringstream stream(text);
  NoAction_ProgressBase progress;
  std::unique_ptr<fast_Mesh> mesh(loadOBJ(directory, stream, progress));
  return {std::move(mesh), errors.text(), log.text(), out.text()};
}

// Groups and materials unless just the unnamed one, the vertex count and
// the triangles by the x of their corners: the four positions below have
// x = 1, 2, 3, 4.
std::string describe(const fast_Mesh& mesh) {
  std::ostringstream text;
  auto names = [&](const char* what, const auto& list) {
    std::string all;
    for (const auto* item : list) all += " [" + item->name + "]";
    if (all != " []") text << what << all << "; ";
  };
  names("groups", mesh.groups);
  names("materials", mesh.materials);
  text << "vertices " << mesh.vertices.size() << ";";
  for (const fast_Material* material : mesh.materials)
    for (size_t i = 0; i < material->triangles.size(); ++i)
      text << (i % 3 ? " " : " |") << mesh.vertices[material->triangles[i]].x;
  return text.str();
}

const std::string quad = "v 1 0 0\nv 2 0 0\nv 3 1 0\nv 4 3 1\n";  // lines 1-4

const char* const nameToken = "~[\\ \\t\\n\\r@]+";

}  // namespace

TEST(ObjReader, SmoothingGroupsShadeSmoothlyAndGivenNormalsStay) {
  // Vertex 0 is shared by faces that are not coplanar: their unit normals
  // (0, 0, 1) and (1, -2, 3) / sqrt(14) summed, then made unit; the
  // degenerate face adds nothing.
  Reading smooth = readModel(quad + "s 1\nf 1 2 3\nf 1 3 4\nf 1 2 2\n");
  const fast_Vertex& shared = smooth.mesh->vertices[0];
  const float r = std::sqrt(14.0f), sum[3] = {1 / r, -2 / r, 1 + 3 / r},
              length = std::hypot(sum[0], sum[1], sum[2]),
              normal[3] = {shared.nx, shared.ny, shared.nz};
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(normal[i], sum[i] / length, 1e-6) << i;

  Reading given = readModel(quad + "vn 0 1 0\nf 1//1 2//1 3//1\n");
  const fast_Vertex& corner = given.mesh->vertices[2];
  EXPECT_EQ((std::vector<float>{corner.nx, corner.ny, corner.nz}), (std::vector<float>{0, 1, 0}));
  EXPECT_EQ(corner.u, unsetTexCoord);

  Reading claimed = readModel(quad + "vt 0.25 0.5\ns 0\nf 1 2 3\nf 1/1 2/1 3/1\n");
  // A vertex still without a texture coordinate takes the first one given.
  EXPECT_EQ(claimed.mesh->vertices.size(), 3u);
  EXPECT_EQ(claimed.mesh->vertices[0].u, 0.25f);
}

TEST(ObjReader, FacesBecomeFansOfSharedOrOwnVerticesAndErrorsAreRecoveredFrom) {
  const std::string name = nameToken;
  const struct {
    std::string text, mesh, errors = "";
  } cases[] = {
      {quad + "f 1 2 3 4\n", "vertices 4; |1 2 3 |1 3 4"},
      {quad + "f -3 -2 -1", "vertices 3; |2 3 4"},
      {quad + "vt 0 0\nf 1/1 2/1 3/1\nf 1/1 3/1 4/1\n", "vertices 6; |1 2 3 |1 3 4"},
      {quad + "vt 0 0\ns 1\nf 1/1 2/1 3/1\ns off\nf 1/1 3/1 4/1\n", "vertices 6; |1 2 3 |1 3 4"},
      {quad + "vn 0 0 1\nf 1//1 2//1 3//1\nf 1//1 3//1 4//1\r\n", "vertices 4; |1 2 3 |1 3 4"},
      {quad + "f 1 2 9 3 x\n", "vertices 3; |1 2 3",
       "line 5: index out of range at \"9\"\nline 5: index out of range at \"x\"\n"},
      {quad + "f 1/1 2//5 3 4\n", "groups; materials; vertices 2;",
       "line 5: index out of range at \"1/1\"\nline 5: index out of range at \"2//5\"\n"},
      {quad + "f 1 2 3.0\nf 1 3 4\n", "vertices 4; |1 3 4",
       "line 5: syntax error at \"3.0\" missing { TINT " + name + " }\n"},
      // A missing operand counts as 0 or "" and the statement goes on.
      {"v 1 2\nv 2 0 0\nv 3 1 0\nf 1 2 3\n", "vertices 3; |1 2 3",
       "line 2: syntax error at \"\n\" missing { TINT TFLOAT }\n"},
      // The operand error skips nothing, so the file-level one follows.
      {quad + "usemtl 7\nf 1 2 3\n", "vertices 0;",
       "line 5: syntax error at \"7\" missing " + name +
           "\nline 5: syntax error at \"7\" missing { Eof ENDL }\n"},
      // ... and the next recovery then skips exactly one token.
      {quad + "vt 1\nvt 1\nf 1 2 3\n", "vertices 0;",
       "line 6: syntax error at \"\n\" missing { TINT TFLOAT }\n"
       "line 7: syntax error at \"\n\" missing { TINT TFLOAT }\n"
       "line 7: syntax error at \"f\" missing { Eof ENDL }\n"},
      // A statement error drops the line; reading goes on.
      {quad + "s 1.5\nbevel maybe\ndeg 3\ndeg 3.0\nf 1 2 3\n", "vertices 3; |1 2 3",
       "line 5: syntax error at \"1.5\" missing { TINT off }\n"
       "line 6: syntax error at \"maybe\" missing { off on }\n"
       "line 7: syntax error at \"3\" missing TFLOAT\n"},
      // File-level errors end the reading unfinished.
      {quad + "f 1 2 3\nKe 1\nf 1 3 4\n", "vertices 3; |1 2 3",
       "line 6: syntax error at \"Ke\" missing Eof\n"},
      {quad + "f 1 2 3 # corner\nf 1 3 4\n", "vertices 3; |1 2 3",
       "line 6: syntax error at \"f\" missing { Eof ENDL }\n"},
      // Harmless: comments of their own, no final line end, a last comment
      // without one, groups, ignored statements.
      {"# start\n" + quad + "g\nf 1 2 3\ng a b\nf 1 3 4\nl 1 2\nmg off 1.0\n# end",
       "groups [] [b]; vertices 6; |1 2 3 |1 3 4",
       "invalid token near line 12 (text was '# end')\n"},
  };
  for (const auto& c : cases) {
    Reading reading = readModel(c.text);
    EXPECT_EQ(describe(*reading.mesh), c.mesh) << c.text;
    EXPECT_EQ(reading.errors, c.errors) << c.text;
  }
  EXPECT_EQ(readModel("v 1 2\nf 1 1 1\n").mesh->vertices[0].y, 2);
  EXPECT_EQ(
      readModel(quad + "g " + std::string(3000, 'x') + "\nf 1 2 3\n").mesh->groups[0]->name.size(),
      1999u);
}

namespace {

std::string describeMaterials(const fast_Mesh& mesh) {
  std::ostringstream text;
  for (const fast_Material* m : mesh.materials)
    text << "[" << m->name << " Kd " << m->diffuse[0] << " " << m->diffuse[1] << " "
         << m->diffuse[2] << " " << m->diffuse[3] << " Ns " << m->shininess
         << (m->textureData.hasPixels ? " textured" : "") << "]";
  // Then the texture coordinates of the first vertex, when it has them.
  const fast_Vertex* first = mesh.vertices.empty() ? nullptr : &mesh.vertices[0];
  if (first && first->u != unsetTexCoord) text << " uv " << first->u << " " << first->v;
  return text.str();
}

struct LibraryCase {
  std::string library, model, materials, errors = "", log = "";
};

}  // namespace

TEST(MtlReader, ReadsEveryLibraryInOrderWithItsColoursTexturesAndTheirPlacement) {
  testfiles::TempDir dir;
  std::filesystem::create_directory(dir.file("sub"));
  for (const char* name : {"tex.png", "sub/tex.png"})
    ASSERT_TRUE(testfiles::writePng(dir.file(name), testfiles::solidPicture(4, 4, 9, 9, 9), 1));
  const std::string faces = quad + "vt 0.25 0.75\nf 1/1 2/1 3/1\n";
  const LibraryCase cases[] = {
      {"newmtl red\nKd 1 0 0\nnewmtl glass\nKd 1 0 0 0.5\nNs 1000\n",
       quad + "usemtl glass\nf 1 2 3\nusemtl red\nf 1 3 4\n",
       "[red Kd 1 0 0 1 Ns 0][glass Kd 1 0 0 0.5 Ns 1000]"},
      {"newmtl m\nmap_Kd -o 0.5 1 0 -s 2 4 1 tex.png\n", "usemtl m\n" + faces,
       "[m Kd 0.6 0.6 0.6 1 Ns 0 textured] uv 1.5 1"},
      {"newmtl m\nmap_Kd -mm 0.0 1.0 sub\\tex.png\n", "usemtl m\n" + faces,
       "[m Kd 0.6 0.6 0.6 1 Ns 0 textured] uv 0.25 -0.75"},
      // Before the first "newmtl": the model's material; placement dropped.
      {"Kd 0 0 1\nmap_Kd -s 2 2 tex.png\n", faces, "[ Kd 0 0 1 1 Ns 0 textured] uv 0.25 0.75"},
      // Errors beyond an operand end the library, keeping what came before.
      {"newmtl m\nKd 0 1 0\nmap_Kd -mm 0 1 tex.png\nKd 1 1 1\n", "usemtl m\n" + faces,
       "[m Kd 0 1 0 1 Ns 0] uv 0.25 -0.75", "line 3: syntax error at \"0\" missing TFLOAT\n"},
      {"newmtl m\nTr 0.5\nKd 0 1 0\n", "usemtl m\n" + faces,
       "[m Kd 0.6 0.6 0.6 1 Ns 0] uv 0.25 -0.75", "line 2: syntax error at \"Tr\" missing Eof\n"},
      // Names need not be unique: "usemtl" takes the first.
      {"newmtl m\nKd 1 0 0\nnewmtl m\nKd 0 1 0\nNs 1 2\n", quad + "usemtl m\nf 1 2 3\nKe\n",
       "[ Kd 0.6 0.6 0.6 1 Ns 0][m Kd 1 0 0 1 Ns 0][m Kd 0 1 0 1 Ns 1]",
       "line 5: syntax error at \"2\" missing { Eof ENDL }\n"
       "line 8: syntax error at \"Ke\" missing Eof\n"},
      {"newmtl m\nmap_Kd none.png\n", "usemtl m\n" + faces + "usemtl c\nf 1 2 3\n",
       "[ Kd 0.6 0.6 0.6 1 Ns 0][m Kd 0.6 0.6 0.6 1 Ns 0] uv 0.25 -0.75", "",
       "can't load texture data (material \"m\", file " + dir.file("none.png") +
           "): can't open png file\nMaterial \"c\" does not exist, you'll get a default material "
           "instead\n"},
  };
  // Every library is read, in order, found in any letter case or reported.
  for (const LibraryCase& c : cases) {
    testfiles::writeText(dir.file("A.MTL"), c.library);
    Reading reading = readModel("mtllib none.mtl models/a.mtl\n" + c.model, dir.path() + "/");
    EXPECT_EQ(describeMaterials(*reading.mesh), c.materials) << c.library;
    EXPECT_EQ(reading.errors, c.errors) << c.library;
    EXPECT_EQ(reading.out, "loading material file: " + dir.file("none.mtl") +
                               "\nloading material file: " + dir.file("a.mtl") + "\n");
    EXPECT_EQ(reading.log, "can't open material file " + dir.file("none.mtl") +
                               " - visuals may not look as expected\n" + c.log);
  }
}
