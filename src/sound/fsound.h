#pragma once
// The six sound-stream calls the viewer makes. They decode any file FFmpeg
// can read (WAV, MP3, Ogg, FLAC, the sound track of an AVI) and mix up to the
// channel count given to FSOUND_Init on SDL2's audio device.
//
// A stream plays from its current position; Stop keeps the position and
// SetTime(s, 0) rewinds. A null stream means "no sound": every call but Init
// and Open is only made with a stream that is not null.

struct FSOUND_STREAM;

// FMOD's normal sample mode (16-bit, signed, mono), the mode the viewer opens
// every stream with.
constexpr unsigned int FSOUND_NORMAL = 0x130;

// Opens the output device. Returns false (and leaves every later Open
// answering null) when there is no audio device.
bool FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);

// Opens name (separators '\' or '/') for streaming. Null, silently, when the
// file cannot be opened or has no sound, or when Init failed or was never
// called. Only this call may block, and only for as long as opening takes.
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int offset, int length);

// Starts (or resumes) the stream on a free channel; channel -1 lets the
// mixer choose. Returns the channel, or -1 when none is free.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);

bool FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int milliseconds);
bool FSOUND_Stream_Stop(FSOUND_STREAM* stream);
bool FSOUND_Stream_Close(FSOUND_STREAM* stream);

// Shuts the device down and closes every stream still open (the viewer
// leaves this to process exit; tests use it).
void FSOUND_Close();
