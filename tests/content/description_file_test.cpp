// The description-file reader: line rules, tree building, look-ups, and
// the numbering of bad lines, over real files and over text in memory.
#include "content/description_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <string>

#include "support/test_files.h"

using testfiles::TempDir;

namespace {

// The tree as text: a section's keys ("name|value;") before its child
// sections ("<name>...</>"), each in file order.
std::string dump(const DescriptionNode& node) {
  std::string text;
  for (const DescriptionKey& key : node.keys) text += key.name() + "|" + key.value() + ";";
  for (const DescriptionNode& child : node.children)
    text += "<" + std::string(child.name()) + ">" + dump(child) + "</>";
  return text;
}

// Parses text both from a file and from memory; the two must agree.
int errorLineOf(const std::string& text, DescriptionFile& fromFile) {
  TempDir dir;
  std::string path = dir.file("show.txt");
  testfiles::writeText(path, text);
  bool ok = fromFile.parse(path);
  DescriptionFile fromMemory;
  EXPECT_EQ(ok, fromMemory.parseText(text));
  EXPECT_EQ(fromFile.errorLine(), fromMemory.errorLine());
  EXPECT_EQ(ok, fromFile.errorLine() == -1);
  EXPECT_EQ(dump(fromFile), dump(fromMemory));
  return fromFile.errorLine();
}

TEST(DescriptionFile, BuildsTheTreeLineByLine) {
  const std::string x397(397, 'x'), v397(397, 'v');
  const struct {
    const char* name;
    std::string text, tree;
    int errorLine;
  } cases[] = {
      {"nesting, in file order",
       "top=1\n<A>\n<Slide>\nx=1\n</Slide>\n<Slide>\nx=2\n<Image>\nfilename=a.jpg\n</Image>\ny=3\n"
       "</Slide>\nk=v\nk=second\n</A>\n<A>\n</A>\n",
       "top|1;<A>k|v;k|second;<Slide>x|1;</><Slide>x|2;y|3;<Image>filename|a.jpg;</></></><A></>",
       -1},
      // Nothing is trimmed; "=" makes a key line whatever comes first.
      {"key lines", "a=b=c\n=x\nk=\npath = x\n<not a tag=1\n\t<B> =2\n",
       "a|b=c;|x;k|;path | x;<not a tag|1;\t<B> |2;", -1},
      {"a closing tag on a last line without newline", "<A>\n<B>\nk=1\n</B>", "<A><B>k|1;</></>",
       -1},
      {"sections left open", "<A>\n<B>\nk=1\n<C>\n", "<A><B>k|1;<C></></></>", -1},
      // A CR is dropped only before a newline.
      {"carriage returns", "<A>\r\nk=v\r\nlone=a\rb\r\n\r\n</A>\r\nend=1\r",
       "end|1\r;<A>k|v;lone|a\rb;</>", -1},
      {"a tree before a bad line stays", "<A>\nk=v\n<B>\noops\n", "<A>k|v;<B></></>", 4},
      // Pieces of 399 characters: of a 500-character key line the rest
      // (without "=") is a bad line 2; with "=" in it, a key of its own.
      {"a 500-character line", "k=" + std::string(498, 'v') + "\n", "k|" + v397 + ";", 2},
      {"a long line of two keys", "a=" + x397 + "b=" + std::string(50, 'y') + "\nnext=1\n",
       "a|" + x397 + ";b|" + std::string(50, 'y') + ";next|1;", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DescriptionFile file;
    EXPECT_EQ(errorLineOf(c.text, file), c.errorLine);
    EXPECT_EQ(dump(file), c.tree);
  }
}

TEST(DescriptionFile, BadLines) {
  const std::string piece(397, 'v');  // "k=" and this fill one 399-character read
  const struct {
    std::string text;
    int line;
  } cases[] = {
      {" <Slide>\n", 1},                               // blank before the tag
      {"<Slide>\njust words\n", 2},                    // neither key nor tag
      {"<Slide>\n</Page>\n", 2},                       // closes another section
      {"<A>\n</A>\n</A>\n", 3},                        // closing tag in the root
      {"\n\n<A>\nk=v\n</A>\nbad\n", 6},                // empty lines count
      {"\r\n\r\nnot a line\r\n", 3},                   // and so do CR LF ones
      {"\xEF\xBB\xBF<SlideList>\n</SlideList>\n", 1},  // byte-order mark
      {"<" + std::string(498, 'T') + ">\n", 1},        // a 500-character tag is split
      // Exactly 399 characters: the newline comes as an empty line of its
      // own, skipped but counted.
      {"k=" + piece + "\nbad\n", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    DescriptionFile file;
    EXPECT_EQ(errorLineOf(c.text, file), c.line);
  }
}

TEST(DescriptionFile, DeepNestingCostsNoStack) {
  // Half a million sections, each inside the one before: read in linear
  // time and freed without recursion.
  std::string text;
  for (int i = 0; i < 500000; ++i) text += "<S>\n";
  text += "k=deep\n</S>\n";
  auto file = std::make_unique<DescriptionFile>();
  ASSERT_TRUE(file->parseText(text));
  const DescriptionNode* node = file.get();
  int depth = 0;
  for (; node->childCount() == 1; ++depth) node = &node->child(0);
  EXPECT_EQ(depth, 500000);
  EXPECT_EQ(node->findKey("k")->value(), "deep");
  file.reset();
}

TEST(DescriptionFile, FilesThatDoNotOpenLeaveErrorLineUnset) {
  DescriptionFile file;
  EXPECT_FALSE(file.parse("/nonexistent/quorvex/show.txt"));
  EXPECT_EQ(file.errorLine(), -1);

  // Backslash separators open like slashes.
  TempDir dir;
  std::filesystem::create_directory(dir.file("sub"));
  testfiles::writeText(dir.file("sub/show.txt"), "<SlideList>\n</SlideList>\n");
  DescriptionFile backslashed;
  EXPECT_TRUE(backslashed.parse(dir.path() + "\\sub\\show.txt"));
  EXPECT_NE(backslashed.findSection("SlideList"), nullptr);
}

TEST(DescriptionFile, MalformedFilesAreRejected) {
  std::string folder = std::string(QUORVEX_SOURCE_DIR) + "/tests/malformed/description_file";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("regress-", 0) == 0) continue;
    DescriptionFile file;
    EXPECT_FALSE(file.parse(entry.path().string())) << entry.path();
    EXPECT_GT(file.errorLine(), 0) << entry.path();
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
