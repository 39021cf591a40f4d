#include "images/texture_uploader.h"

#include "images/prepared_picture.h"
#include "images/slide_texture.h"
#include "platform/shared_gl_context.h"

TextureUploader::TextureUploader() : context(SharedGLContext::forCurrentContext()) {
  if (!context) return;
  std::unique_lock<std::mutex> lock(mutex);
  bool started = false;
  thread = std::thread([this, &started] {
    const bool current = context->makeCurrent();
    {
      std::lock_guard<std::mutex> hold(mutex);
      running = current;
      started = true;
    }
    changed.notify_all();
    if (current) work();
  });
  changed.wait(lock, [&] { return started; });
}

TextureUploader::~TextureUploader() {
  stop();
}

bool TextureUploader::upload(PreparedPicture& picture) {
  Request request{&picture};
  std::unique_lock<std::mutex> lock(mutex);
  if (!running || stopping) return false;
  requests.push_back(&request);
  changed.notify_all();
  changed.wait(lock, [&] { return request.done; });
  return request.uploaded;
}

void TextureUploader::work() {
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    changed.wait(lock, [&] { return stopping || !requests.empty(); });
    if (stopping) break;
    Request* request = requests.front();
    requests.pop_front();
    lock.unlock();
    const bool uploaded = uploadPreparedPicture(*request->picture);
    lock.lock();
    request->uploaded = uploaded;
    request->done = true;
    changed.notify_all();
  }
  // Those still waiting upload on the GUI thread instead.
  for (Request* request : requests) request->done = true;
  requests.clear();
  changed.notify_all();
  lock.unlock();
  context->release();
}

void TextureUploader::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
  }
  changed.notify_all();
  if (thread.joinable()) thread.join();
  {
    std::lock_guard<std::mutex> lock(mutex);
    running = false;
  }
  context.reset();
}
