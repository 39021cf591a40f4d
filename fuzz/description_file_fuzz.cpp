// Description files from arbitrary bytes: the parse, then every look-up
// over whatever tree it built (also after a bad line).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "content/description_file.h"

namespace {
volatile double sink;

void visit(const DescriptionNode& root) {
  std::vector<const DescriptionNode*> pending{&root};
  while (!pending.empty()) {
    const DescriptionNode* node = pending.back();
    pending.pop_back();
    double total = 0;
    for (int i = 0; i < node->keyCount(); ++i)
      total += node->key(i).valueAsFloat() + node->key(i).valueAsInt();
    if (const DescriptionKey* key = node->findKey("filename")) total += double(key->value().size());
    if (const DescriptionNode* slide = node->findSection("Slide")) total += slide->childCount();
    if (node->name()) total += node->hasName("Image");
    sink = total;
    for (int i = 0; i < node->childCount(); ++i) pending.push_back(&node->child(i));
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DescriptionFile file;
  bool parsed = file.parseText(std::string(reinterpret_cast<const char*>(data), size));
  if (parsed != (file.errorLine() == -1)) __builtin_trap();
  visit(file);
  return 0;
}
