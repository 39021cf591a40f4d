#pragma once
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class SharedGLContext;
struct PreparedPicture;

// A thread with a GL context of its own, sharing textures with the
// window's, that uploads the workers' prepared pictures, so that the GUI
// thread only binds them. Without such a context nothing is uploaded and
// the GUI thread does it as before.
class TextureUploader {
 public:
  // On the GUI thread, with the window's context current.
  TextureUploader();
  ~TextureUploader();
  TextureUploader(const TextureUploader&) = delete;
  TextureUploader& operator=(const TextureUploader&) = delete;

  bool available() const { return running; }
  // From a worker; blocks until the picture is in a texture of its own
  // (true) or cannot be (false: no context, GL refuses its size, stopped).
  bool upload(PreparedPicture& picture);
  // Finishes the upload under way, refuses the rest and lets the context go.
  void stop();

 private:
  struct Request {
    PreparedPicture* picture;
    bool done = false, uploaded = false;
  };
  void work();

  std::unique_ptr<SharedGLContext> context;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Request*> requests;
  bool running = false, stopping = false;
  std::thread thread;
};
