// Model reading: loadOBJ against tinyobjloader on the same files in the same
// run, each reading in a fresh process, with the peak heap while loadOBJ reads against the finished
// mesh.
//
//   obj_read_bench [file.obj ...]
//
// Without files it writes two models of 1 M triangles into a temporary
// folder: one with positions, texture coordinates and normals, one without
// normals inside smoothing groups.
#include <malloc.h>
#include <sys/wait.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "model/mesh.h"
#include "model/obj_reader.h"
#include "platform/paths.h"
#include "support/test_files.h"

// Live and peak heap bytes, over every allocation of the process.
namespace {
std::atomic<size_t> liveBytes{0}, peakBytes{0};
}

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  size_t live = liveBytes += malloc_usable_size(p);
  size_t peak = peakBytes;
  while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
  }
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  liveBytes -= malloc_usable_size(p);
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  operator delete(p);
}

namespace {

// The reading thread's processor time: the machine may be shared, and both
// readers are single-threaded.
struct Clock {
  using time_point = double;
  static double now() {
    timespec time;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) * 1e-9;
  }
};

// A grid of columns x rows quads as triangle pairs, in two groups with a
// material each.
void writeGrid(const std::string& path, int columns, int rows, bool normals) {
  std::ofstream out(path);
  out << "mtllib grid.mtl\n";
  char line[256];
  for (int y = 0; y <= rows; ++y)
    for (int x = 0; x <= columns; ++x) {
      float fx = float(x) / columns, fy = float(y) / rows;
      std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\nvt %.6f %.6f\n", fx, fy, 0.1f * fx * fy,
                    fx, fy);
      out << line;
      if (normals) out << "vn 0 0 1\n";
    }
  if (!normals) out << "s 1\n";
  for (int y = 0; y < rows; ++y) {
    if (y == 0 || y == rows / 2)
      out << (y == 0 ? "g lower\nusemtl stone\n" : "g upper\nusemtl glass\n");
    for (int x = 0; x < columns; ++x) {
      int a = y * (columns + 1) + x + 1, b = a + 1, c = a + columns + 1, d = c + 1;
      if (normals)
        std::snprintf(line, sizeof line,
                      "f %d/%d/%d %d/%d/%d %d/%d/%d\nf %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b,
                      b, d, d, d, a, a, a, d, d, d, c, c, c);
      else
        std::snprintf(line, sizeof line, "f %d/%d %d/%d %d/%d\nf %d/%d %d/%d %d/%d\n", a, a, b, b,
                      d, d, a, a, d, d, c, c);
      out << line;
    }
  }
}

double seconds(double start) {
  return Clock::now() - start;
}

struct OwnRun {
  double seconds = 1e9;
  size_t vertices = 0, triangles = 0, groups = 0, materials = 0, meshBytes = 0, peak = 0;
};

// Runs read in a child process, so that every reading starts on a fresh
// heap as a viewer's first model does, whatever ran before; the best of
// three.
template <class Result>
Result bestInChildren(Result (*reader)(const std::string&), const std::string& path) {
  Result best;
  for (int repeat = 0; repeat < 3; ++repeat) {
    int channel[2];
    if (pipe(channel) != 0) break;
    pid_t child = fork();
    if (child == 0) {
      Result result = reader(path);
      ssize_t written = write(channel[1], &result, sizeof result);
      _exit(written == sizeof result ? 0 : 1);
    }
    close(channel[1]);
    Result result;
    if (::read(channel[0], &result, sizeof result) == sizeof result &&
        result.seconds < best.seconds)
      best = result;
    close(channel[0]);
    waitpid(child, nullptr, 0);
  }
  return best;
}

OwnRun readOwn(const std::string& path) {
  OwnRun run;
  std::ifstream file(path);
  NoAction_ProgressBase progress;
  std::stringstream quiet;
  std::streambuf* out = std::cout.rdbuf(quiet.rdbuf());
  const size_t before = liveBytes;
  peakBytes = before;
  double start = Clock::now();
  fast_Mesh* mesh = loadOBJ(directoryOf(path), file, progress);
  run.seconds = seconds(start);
  run.peak = peakBytes - before;
  std::cout.rdbuf(out);
  run.vertices = mesh->vertices.size();
  size_t indices = 0;
  for (const fast_Material* material : mesh->materials) indices += material->triangles.size();
  for (const fast_Group* group : mesh->groups) indices += group->triangles.size();
  run.triangles = indices / 6;
  run.groups = mesh->groups.size();
  run.materials = mesh->materials.size();
  run.meshBytes = run.vertices * sizeof(fast_Vertex) + indices * sizeof(uint32_t);
  delete mesh;
  return run;
}

struct BaselineRun {
  double seconds = 1e9;
};

BaselineRun readBaseline(const std::string& path) {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warnings, errors;
  double start = Clock::now();
  tinyobj::LoadObj(&attrib, &shapes, &materials, &warnings, &errors, path.c_str(),
                   directoryOf(path).c_str());
  return {seconds(start)};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files(argv + 1, argv + argc);
  testfiles::TempDir dir;
  if (files.empty()) {
    testfiles::writeText(dir.file("grid.mtl"),
                         "newmtl stone\nKd 0.5 0.5 0.5\nnewmtl glass\nKd 0.5 0.7 1 0.5\n");
    files = {dir.file("normals.obj"), dir.file("smooth.obj")};
    writeGrid(files[0], 1000, 500, true);
    writeGrid(files[1], 1000, 500, false);
  }
  for (const std::string& path : files) {
    const double megabytes = double(std::filesystem::file_size(path)) / 1e6;
    OwnRun own = bestInChildren(readOwn, path);
    double baseline = bestInChildren(readBaseline, path).seconds;
    std::printf(
        "%s: %zu vertices, %zu triangles, %zu groups, %zu materials, %.1f MB/s, tinyobjloader "
        "%.1f MB/s, ratio %.2f, peak %.1f MB\n",
        path.c_str(), own.vertices, own.triangles, own.groups, own.materials,
        megabytes / own.seconds, megabytes / baseline, baseline / own.seconds,
        double(own.peak) / 1e6);
    std::printf("  (mesh %.1f MB, peak / mesh %.2f)\n", double(own.meshBytes) / 1e6,
                double(own.peak) / double(own.meshBytes));
  }
  return 0;
}
