#include "images/codec/image_stream.h"

#include <cstring>

#include "platform/paths.h"

FileImageStream::FileImageStream(const std::string& path)
    : file(openFile(path, "rb")), ownsFile(true) {}

FileImageStream::FileImageStream(FILE* file) : file(file), ownsFile(false) {}

FileImageStream::~FileImageStream() {
  if (file && ownsFile) std::fclose(file);
}

size_t FileImageStream::read(void* buffer, size_t size, size_t count) {
  return file ? std::fread(buffer, size, count, file) : 0;
}

int FileImageStream::seek(long offset, int origin) {
  return file ? std::fseek(file, offset, origin) : -1;
}

long FileImageStream::tell() {
  return file ? std::ftell(file) : -1;
}

int FileImageStream::getc() {
  return file ? std::getc(file) : EOF;
}

MemoryImageStream::MemoryImageStream(const void* data, size_t size)
    : data(static_cast<const uint8_t*>(data)), size(size) {}

size_t MemoryImageStream::read(void* buffer, size_t itemSize, size_t count) {
  if (itemSize == 0 || count == 0 || position >= size) return 0;
  size_t whole = (size - position) / itemSize;
  if (whole > count) whole = count;
  std::memcpy(buffer, data + position, whole * itemSize);
  position += whole * itemSize;
  return whole;
}

int MemoryImageStream::seek(long offset, int origin) {
  long long base = 0;
  if (origin == SEEK_CUR)
    base = (long long)position;
  else if (origin == SEEK_END)
    base = (long long)size;
  else if (origin != SEEK_SET)
    return -1;
  long long target = base + offset;
  if (target < 0) return -1;
  position = size_t(target);  // past the end is allowed, as for files
  return 0;
}

long MemoryImageStream::tell() {
  return long(position);
}

int MemoryImageStream::getc() {
  return position < size ? data[position++] : EOF;
}
