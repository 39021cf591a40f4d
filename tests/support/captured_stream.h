#pragma once
#include <ostream>
#include <sstream>
#include <string>

// Collects what is written to a standard stream (std::clog, std::cout)
// while it lives, instead of letting it through.
class CapturedStream {
 public:
  explicit CapturedStream(std::ostream& stream) : stream(stream) {
    saved = stream.rdbuf(buffer.rdbuf());
  }
  ~CapturedStream() { stream.rdbuf(saved); }
  CapturedStream(const CapturedStream&) = delete;
  CapturedStream& operator=(const CapturedStream&) = delete;

  std::string text() const { return buffer.str(); }

 private:
  std::ostream& stream;
  std::ostringstream buffer;
  std::streambuf* saved = nullptr;
};
