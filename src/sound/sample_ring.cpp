#include "sound/sample_ring.h"

#include <algorithm>

SampleRing::SampleRing(size_t capacityFrames)
    : capacityFrames(std::max<size_t>(capacityFrames, 1)), samples(this->capacityFrames * 2) {}

size_t SampleRing::write(const int16_t* stereo, size_t frames) {
  size_t accepted = std::min(frames, freeFrames());
  size_t tail = (head + count) % capacityFrames;
  for (size_t done = 0; done < accepted;) {
    size_t run = std::min(accepted - done, capacityFrames - tail);
    std::copy(stereo + done * 2, stereo + (done + run) * 2, samples.begin() + tail * 2);
    done += run;
    tail = (tail + run) % capacityFrames;
  }
  count += accepted;
  return accepted;
}

size_t SampleRing::addTo(int32_t* mix, size_t frames) {
  size_t taken = std::min(frames, count);
  for (size_t done = 0; done < taken;) {
    size_t run = std::min(taken - done, capacityFrames - head);
    const int16_t* from = samples.data() + head * 2;
    int32_t* to = mix + done * 2;
    for (size_t i = 0; i < run * 2; ++i) to[i] += from[i];
    done += run;
    head = (head + run) % capacityFrames;
  }
  count -= taken;
  if (count == 0) head = 0;
  return taken;
}
