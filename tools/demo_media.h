#pragma once
// Sound and video files for the demo presentation.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "canvas.h"

namespace demo {

// 16-bit mono PCM WAV.
bool writeWav(const std::string& path, const std::vector<int16_t>& samples, int sampleRate);

// An AVI clip: Motion-JPEG frames (each drawn by frame(i), all of the given
// size) and the samples as 16-bit mono PCM sound of the same length.
bool writeAvi(const std::string& path, int width, int height, int framesPerSecond, int frameCount,
              const std::function<art::Canvas(int frame)>& frame,
              const std::vector<int16_t>& samples, int sampleRate);

}  // namespace demo
