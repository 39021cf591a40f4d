#pragma once
#include <string>
#include <vector>

// One "name=value" line of a description file.
class DescriptionKey {
 public:
  DescriptionKey(std::string name, std::string value);
  const std::string& name() const { return keyName; }
  const std::string& value() const { return keyValue; }
  double valueAsFloat() const;  // atof: leading number, 0 for none
  int valueAsInt() const;       // atoi: leading number, 0 for none

 private:
  std::string keyName;
  std::string keyValue;
};

// One section: its child sections and its keys, both in file order.
class DescriptionNode {
 public:
  DescriptionNode() = default;  // the unnamed root
  explicit DescriptionNode(std::string name);
  // Frees subtrees without recursion, so that no nesting depth can exhaust
  // the stack.
  ~DescriptionNode();
  DescriptionNode(const DescriptionNode&) = default;
  DescriptionNode(DescriptionNode&&) noexcept = default;
  DescriptionNode& operator=(const DescriptionNode&) = default;
  DescriptionNode& operator=(DescriptionNode&&) noexcept = default;

  // First child section / own key whose name equals name exactly, or null.
  const DescriptionNode* findSection(const std::string& name) const;
  const DescriptionKey* findKey(const std::string& name) const;

  // The section's name; null for the root, which has none.
  const char* name() const { return named ? sectionName.c_str() : nullptr; }
  bool hasName(const char* wanted) const { return named && sectionName == wanted; }
  // Byte for byte, zero bytes included.
  bool hasName(const std::string& wanted) const { return named && sectionName == wanted; }

  int childCount() const { return int(children.size()); }
  const DescriptionNode& child(int i) const { return children.at(size_t(i)); }
  int keyCount() const { return int(keys.size()); }
  const DescriptionKey& key(int i) const { return keys.at(size_t(i)); }

  std::vector<DescriptionNode> children;
  std::vector<DescriptionKey> keys;

 private:
  std::string sectionName;
  bool named = false;
};

// A parsed description file: tags "<Name>" ... "</Name>" on lines of their
// own, nested to any depth, holding "key=value" lines.
class DescriptionFile : public DescriptionNode {
 public:
  // Reads the file (which must be fresh). False with errorLine() -1 when it
  // cannot be opened, false with the bad line's number on a bad line.
  bool parse(const std::string& path);
  // The same rules over text in memory (tests, fuzzing).
  bool parseText(const std::string& text);
  int errorLine() const { return badLine; }

 private:
  int badLine = -1;
};
