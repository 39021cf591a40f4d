#include "content/description_file.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/paths.h"

DescriptionKey::DescriptionKey(std::string name, std::string value)
    : keyName(std::move(name)), keyValue(std::move(value)) {}

double DescriptionKey::valueAsFloat() const {
  return std::strtod(keyValue.c_str(), nullptr);
}

int DescriptionKey::valueAsInt() const {
  // atoi's reading, but a number beyond int saturates instead of being
  // undefined.
  long number = std::strtol(keyValue.c_str(), nullptr, 10);
  if (number > INT_MAX) return INT_MAX;
  if (number < INT_MIN) return INT_MIN;
  return int(number);
}

DescriptionNode::DescriptionNode(std::string name) : sectionName(std::move(name)), named(true) {}

DescriptionNode::~DescriptionNode() {
  // Flatten the subtree into a work list: every node destroyed here has
  // already given up its children.
  std::vector<DescriptionNode> pending = std::move(children);
  while (!pending.empty()) {
    DescriptionNode last = std::move(pending.back());
    pending.pop_back();
    for (DescriptionNode& child : last.children) pending.push_back(std::move(child));
    last.children.clear();
  }
}

const DescriptionNode* DescriptionNode::findSection(const std::string& name) const {
  for (const DescriptionNode& section : children)
    if (section.named && section.sectionName == name) return &section;
  return nullptr;
}

const DescriptionKey* DescriptionNode::findKey(const std::string& name) const {
  for (const DescriptionKey& key : keys)
    if (key.name() == name) return &key;
  return nullptr;
}

namespace {

// Lines arrive as a text-mode read hands them out: CR LF becomes LF, and a
// line longer than 399 characters comes in pieces of at most 399, each of
// which counts as a line. Only one piece is held at a time.
constexpr size_t maxChunk = 399;

template <class ByteSource>
class ChunkReader {
 public:
  explicit ChunkReader(ByteSource& source) : source(source) {}

  // The next piece into chunk; false at the end of the text.
  bool next(std::string& chunk) {
    chunk.clear();
    while (chunk.size() < maxChunk) {
      int c = nextTextByte();
      if (c == EOF) break;
      chunk.push_back(char(c));
      if (c == '\n') break;
    }
    return !chunk.empty();
  }

 private:
  int nextTextByte() {
    int c = pending != NoPending ? pending : source.get();
    pending = NoPending;
    if (c != '\r') return c;
    int following = source.get();
    if (following == '\n') return '\n';
    pending = following;  // a lone CR stays part of the line
    return c;
  }

  static constexpr int NoPending = -2;
  ByteSource& source;
  int pending = NoPending;
};

struct FileBytes {
  FILE* file;
  int get() { return std::getc(file); }
};

struct MemoryBytes {
  const std::string& text;
  size_t position = 0;
  int get() { return position < text.size() ? (unsigned char)text[position++] : EOF; }
};

// Reads every piece into root; the number of the first bad line, or 0.
template <class ByteSource>
int readTree(ByteSource& source, DescriptionNode& root) {
  ChunkReader<ByteSource> reader(source);
  std::string line;
  int lineNumber = 0;
  // The open sections from the root down; each is the last child of the one
  // before it. Only the innermost one's lists grow (a new child or key),
  // which moves none of the sections held here; a section leaves the stack
  // before its parent's child list can grow again. So this is the walk of
  // depth times the last child from the root, without repeating it.
  std::vector<DescriptionNode*> open{&root};
  DescriptionNode* current = &root;
  while (reader.next(line)) {
    ++lineNumber;
    if (line == "\n") continue;
    if (line.back() == '\n') line.pop_back();

    size_t equals = line.find('=');
    if (equals != std::string::npos) {
      current->keys.emplace_back(line.substr(0, equals), line.substr(equals + 1));
      continue;
    }
    if (line.size() < 2 || line.front() != '<' || line.back() != '>') return lineNumber;
    std::string tag = line.substr(1, line.size() - 2);
    if (!tag.empty() && tag.front() == '/') {
      if (open.size() == 1 || !current->hasName(tag.substr(1))) return lineNumber;
      open.pop_back();
    } else {
      current->children.emplace_back(std::move(tag));
      open.push_back(&current->children.back());
    }
    current = open.back();
  }
  return 0;
}

}  // namespace

bool DescriptionFile::parse(const std::string& path) {
  children.clear();
  keys.clear();
  badLine = -1;
  FILE* file = openFile(path, "rb");
  if (!file) return false;
  // A directory opens for reading here but is no file to parse; the slide
  // list loader relies on this failure to take its argument as a folder.
  struct stat status;
  if (fstat(fileno(file), &status) != 0 || S_ISDIR(status.st_mode)) {
    std::fclose(file);
    return false;
  }
  FileBytes bytes{file};
  int bad = readTree(bytes, *this);
  std::fclose(file);
  if (bad == 0) return true;
  badLine = bad;
  return false;
}

bool DescriptionFile::parseText(const std::string& text) {
  children.clear();
  keys.clear();
  badLine = -1;
  MemoryBytes bytes{text};
  int bad = readTree(bytes, *this);
  if (bad == 0) return true;
  badLine = bad;
  return false;
}
