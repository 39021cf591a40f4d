#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A fixed-size FIFO of interleaved stereo 16-bit frames between a stream's
// decoder thread and the mixer. Not locked itself: the owning stream guards
// it with its mutex.
class SampleRing {
 public:
  explicit SampleRing(size_t capacityFrames);

  size_t capacity() const { return capacityFrames; }
  size_t size() const { return count; }
  size_t freeFrames() const { return capacityFrames - count; }
  bool empty() const { return count == 0; }

  // Appends up to frames frames from stereo; returns how many fitted.
  size_t write(const int16_t* stereo, size_t frames);
  // Takes up to frames frames off the front and adds them into mix (two
  // values a frame); returns how many there were.
  size_t addTo(int32_t* mix, size_t frames);
  void clear() { head = count = 0; }

 private:
  size_t capacityFrames;
  std::vector<int16_t> samples;
  size_t head = 0;  // first frame to read
  size_t count = 0;
};
