#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The byte source the picture decoders read from.
class ImageStream {
 public:
  virtual ~ImageStream() = default;
  // fread semantics: returns the number of whole items read.
  virtual size_t read(void* buffer, size_t size, size_t count) = 0;
  // fseek semantics (SEEK_SET, SEEK_CUR, SEEK_END); 0 on success.
  virtual int seek(long offset, int origin) = 0;
  virtual long tell() = 0;
  // One byte, or EOF.
  virtual int getc() = 0;
};

// A file opened "rb"; closes the file when destroyed if it opened it.
class FileImageStream : public ImageStream {
 public:
  explicit FileImageStream(const std::string& path);  // separators '\' or '/'
  explicit FileImageStream(FILE* file);               // not closed by us
  ~FileImageStream() override;
  bool isOpen() const { return file != nullptr; }

  size_t read(void* buffer, size_t size, size_t count) override;
  int seek(long offset, int origin) override;
  long tell() override;
  int getc() override;

 private:
  FILE* file = nullptr;
  bool ownsFile = false;
};

// Bytes in memory, not copied: they must outlive the stream.
class MemoryImageStream : public ImageStream {
 public:
  MemoryImageStream(const void* data, size_t size);

  size_t read(void* buffer, size_t size, size_t count) override;
  int seek(long offset, int origin) override;
  long tell() override;
  int getc() override;

 private:
  const uint8_t* data;
  size_t size;
  size_t position = 0;
};
