// The sound-stream calls over FFmpeg (decoding) and SDL2 (output).
//
// Output: one SDL audio device at the rate given to FSOUND_Init (44100 Hz
// for the viewer), signed 16-bit native-endian, interleaved stereo, 1024
// frames a buffer. Every playing stream is added at unit gain into a 32-bit
// sum, which is clamped to 16 bits, so a lone 16-bit file at the device rate
// comes out sample for sample.
//
// Threads: the calls come from the GUI thread; the SDL audio callback mixes
// on SDL's audio thread; each open stream decodes on a thread of its own
// (sound_stream.h). The mixer lock guards the channel table and the set of
// open streams and is held by the callback for one buffer; each stream's own
// lock guards its ring and is never held while FFmpeg works. Lock order:
// mixer, then stream.
#include "sound/fsound.h"

#include <SDL.h>
#include <dlfcn.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/file_case.h"
#include "platform/paths.h"
#include "sound/sound_decoder.h"
#include "sound/sound_stream.h"

struct FSOUND_STREAM : SoundStream {
  using SoundStream::SoundStream;
};

namespace {

constexpr int defaultRate = 44100;
constexpr int outputChannels = 2;
constexpr Uint16 deviceBufferFrames = 1024;
// About 0.75 s at 44100 Hz: rides over a decoder thread that is held up for
// a while without costing much for the handful of open streams.
constexpr size_t streamBufferFrames = 1 << 15;
constexpr int mostChannels = 1024;

struct Mixer {
  SDL_AudioDeviceID device = 0;  // GUI thread only
  int rate = defaultRate;

  std::mutex lock;
  std::vector<FSOUND_STREAM*> channels;  // null where free
  std::unordered_set<FSOUND_STREAM*> openStreams;
  std::vector<int32_t> sum;  // the callback's scratch, sized before the device starts
};

// Never destroyed: SDL's audio thread may still be mixing while the process
// runs its exit handlers.
Mixer& mixer() {
  static Mixer* instance = new Mixer;
  return *instance;
}

int16_t saturate(int32_t value) {
  return int16_t(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

void mixAudio(void*, Uint8* stream, int bytes) {
  Mixer& m = mixer();
  int16_t* out = reinterpret_cast<int16_t*>(stream);
  size_t frames = size_t(std::max(bytes, 0)) / (outputChannels * sizeof(int16_t));
  size_t blockFrames = m.sum.size() / outputChannels;

  std::lock_guard<std::mutex> guard(m.lock);
  while (frames > 0) {
    size_t block = std::min(frames, blockFrames);
    std::fill(m.sum.begin(), m.sum.begin() + block * outputChannels, 0);
    for (FSOUND_STREAM*& playing : m.channels) {
      if (playing && playing->mixInto(m.sum.data(), block)) {
        playing->channel = -1;  // played to its end: no loop
        playing = nullptr;
      }
    }
    for (size_t i = 0; i < block * outputChannels; ++i) out[i] = saturate(m.sum[i]);
    out += block * outputChannels;
    frames -= block;
  }
}

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Without a sound card ALSA's library prints its failed configuration lookups
// on stderr while SDL probes it. The handler is process-wide; the handle stays
// open so that the setting holds however often SDL loads and unloads ALSA.
void silenceAlsaErrors() {
  static bool done = false;
  if (done) return;
  done = true;
  void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
  if (!alsa) return;
  using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetErrorHandler = int (*)(ErrorHandler);
  auto setHandler = reinterpret_cast<SetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (setHandler) setHandler(ignoreAlsaError);
}

// Caller holds the mixer lock.
bool isOpen(const Mixer& m, FSOUND_STREAM* stream) {
  return stream && m.openStreams.count(stream) != 0;
}

}  // namespace

bool FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int) {
  Mixer& m = mixer();
  if (m.device) return true;

  av_log_set_level(AV_LOG_QUIET);
  silenceAlsaErrors();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;

  int rate = mixRate >= 8000 && mixRate <= 192000 ? mixRate : defaultRate;
  SDL_AudioSpec wanted{};
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = outputChannels;
  wanted.samples = deviceBufferFrames;
  wanted.callback = mixAudio;
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts to whatever the hardware wants.
  SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (!device) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }

  {
    std::lock_guard<std::mutex> guard(m.lock);
    m.channels.assign(std::clamp(maxSoftwareChannels, 1, mostChannels), nullptr);
    m.sum.assign(size_t(std::max<int>(obtained.samples, deviceBufferFrames)) * outputChannels, 0);
  }
  m.rate = rate;
  m.device = device;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void FSOUND_Close() {
  Mixer& m = mixer();
  if (!m.device) return;
  // Returns once the callback has run for the last time.
  SDL_CloseAudioDevice(m.device);
  m.device = 0;

  std::vector<FSOUND_STREAM*> streams;
  {
    std::lock_guard<std::mutex> guard(m.lock);
    streams.assign(m.openStreams.begin(), m.openStreams.end());
    m.openStreams.clear();
    m.channels.clear();
  }
  for (FSOUND_STREAM* stream : streams) delete stream;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int, int, int) {
  // Mode, offset and length: every stream is the whole file, played as is.
  Mixer& m = mixer();
  if (!m.device || !name || !*name) return nullptr;

  auto decoder = std::make_unique<SoundDecoder>();
  if (!decoder->open(nativePath(findFileIgnoringCase(name)), m.rate)) return nullptr;
  auto stream = std::make_unique<FSOUND_STREAM>(std::move(decoder), streamBufferFrames);
  if (!stream->startDecoding()) return nullptr;

  std::lock_guard<std::mutex> guard(m.lock);
  m.openStreams.insert(stream.get());
  return stream.release();
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
  Mixer& m = mixer();
  std::lock_guard<std::mutex> guard(m.lock);
  if (!isOpen(m, stream)) return -1;
  if (stream->channel >= 0) return stream->channel;  // already playing

  int chosen = -1;
  if (channel == -1) {
    auto free = std::find(m.channels.begin(), m.channels.end(), nullptr);
    if (free != m.channels.end()) chosen = int(free - m.channels.begin());
  } else if (channel >= 0 && channel < int(m.channels.size())) {
    // A named channel is taken over; whatever played there stops.
    if (FSOUND_STREAM* previous = m.channels[channel]) previous->channel = -1;
    chosen = channel;
  }
  if (chosen < 0) return -1;

  // A stream that has played to its end starts again from the beginning.
  if (stream->atEnd()) stream->rewindTo(0);
  m.channels[chosen] = stream;
  stream->channel = chosen;
  return chosen;
}

bool FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int milliseconds) {
  Mixer& m = mixer();
  std::lock_guard<std::mutex> guard(m.lock);
  if (!isOpen(m, stream) || milliseconds < 0) return false;
  stream->rewindTo(milliseconds);
  return true;
}

bool FSOUND_Stream_Stop(FSOUND_STREAM* stream) {
  Mixer& m = mixer();
  std::lock_guard<std::mutex> guard(m.lock);
  if (!isOpen(m, stream)) return false;
  if (stream->channel >= 0) {
    m.channels[stream->channel] = nullptr;
    stream->channel = -1;
  }
  return true;
}

bool FSOUND_Stream_Close(FSOUND_STREAM* stream) {
  Mixer& m = mixer();
  {
    std::lock_guard<std::mutex> guard(m.lock);
    if (!isOpen(m, stream)) return false;
    m.openStreams.erase(stream);
    if (stream->channel >= 0) m.channels[stream->channel] = nullptr;
  }
  // Out of the mixer's reach now; joining the decoder must not hold up the
  // callback.
  delete stream;
  return true;
}
