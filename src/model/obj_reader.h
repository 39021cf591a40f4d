#pragma once
#include <istream>
#include <string>

class fast_Mesh;

// Where a model reader reports how far it has read. The readers call only
// progress, with the stream's read position.
class ProgressBase {
 public:
  virtual ~ProgressBase() = default;
  virtual void reset() = 0;
  virtual void progress(int position) = 0;
  virtual void setTotal(int total) = 0;
  virtual void done(int position) = 0;
};

class NoAction_ProgressBase : public ProgressBase {
 public:
  void reset() override {}
  void progress(int) override {}
  void setTotal(int) override {}
  void done(int) override {}
};

// Reads a Wavefront model from an open text stream into a new mesh, which
// the caller owns, also when the file had errors (then it holds what was
// read). directory ends with its separator and is put before the names of
// material libraries and textures. Syntax errors go to standard error.
fast_Mesh* loadOBJ(const std::string& directory, std::istream& stream, ProgressBase& progress);
