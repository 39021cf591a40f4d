// The description-file reader: line rules, tree building, look-ups, and
// the numbering of bad lines, over real files and over text in memory.
#include "content/description_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_files.h"

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

// Each text is read from a file and from memory, with the same result: the
// tree so far and the first bad line (-1 for none).
TEST(DescriptionFile, BuildsTheTreeLineByLineUpToTheFirstBadLine) {
  const std::string x397(397, 'x'), v397(397, 'v');
  const struct {
    std::string text, tree;
    int errorLine;
  } cases[] = {
      {"top=1\n<A>\n<Slide>\nx=1\n</Slide>\n<Slide>\nx=2\n<Image>\nfilename=a.jpg\n</Image>\ny=3\n"
       "</Slide>\nk=v\nk=second\n</A>\n<A>\n</A>\n",
       "top|1;<A>k|v;k|second;<Slide>x|1;</><Slide>x|2;y|3;<Image>filename|a.jpg;</></></><A></>",
       -1},
      // Nothing is trimmed; "=" makes a key line whatever comes first.
      {"a=b=c\n=x\nk=\npath = x\n<not a tag=1\n\t<B> =2\n",
       "a|b=c;|x;k|;path | x;<not a tag|1;\t<B> |2;", -1},
      {"<A>\n<B>\nk=1\n</B>", "<A><B>k|1;</></>", -1},         // no newline at the end
      {"<A>\n<B>\nk=1\n<C>\n", "<A><B>k|1;<C></></></>", -1},  // sections left open
      // A CR is dropped only before a newline.
      {"<A>\r\nk=v\r\nlone=a\rb\r\n\r\n</A>\r\nend=1\r", "end|1\r;<A>k|v;lone|a\rb;</>", -1},
      // Pieces of 399 characters: of a 500-character key line the rest
      // (without "=") is a bad line 2; with "=" in it, a key of its own.
      {"k=" + std::string(498, 'v') + "\n", "k|" + v397 + ";", 2},
      {"a=" + x397 + "b=" + std::string(50, 'y') + "\nnext=1\n",
       "a|" + x397 + ";b|" + std::string(50, 'y') + ";next|1;", -1},
      // A line of exactly 399 characters: its newline comes as an empty
      // line of its own, skipped but counted.
      {"k=" + v397 + "\nbad\n", "k|" + v397 + ";", 3},
      {"<A>\nk=v\n<B>\noops\n", "<A>k|v;<B></></>", 4},    // neither key nor tag
      {" <Slide>\n", "", 1},                               // blank before the tag
      {"<Slide>\n</Page>\n", "<Slide></>", 2},             // closes another section
      {"<A>\n</A>\n</A>\n", "<A></>", 3},                  // closing tag in the root
      {"\r\n\n<A>\n</A>\nbad\r\n", "<A></>", 5},           // empty lines count
      {"\xEF\xBB\xBF<SlideList>\n</SlideList>\n", "", 1},  // byte-order mark
      {std::string("<A>\n\0\n", 6), "<A></>", 2},
      {"<" + std::string(498, 'T') + ">\n", "", 1},  // a 500-character tag is split
  };
  testfiles::TempDir dir;
  std::filesystem::create_directory(dir.file("sub"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    testfiles::writeText(dir.file("sub/show.txt"), c.text);
    DescriptionFile fromFile, fromMemory;
    // Opened by a name with backslashes, as slide lists write them.
    EXPECT_EQ(fromFile.parse(dir.path() + "\\sub\\show.txt"), c.errorLine == -1);
    EXPECT_EQ(fromMemory.parseText(c.text), c.errorLine == -1);
    EXPECT_EQ(fromFile.errorLine(), c.errorLine);
    EXPECT_EQ(fromMemory.errorLine(), c.errorLine);
    EXPECT_EQ(dump(fromFile), c.tree);
    EXPECT_EQ(dump(fromMemory), c.tree);
  }
  DescriptionFile missing;  // no line of it is bad
  EXPECT_FALSE(missing.parse(dir.file("none.txt")));
  EXPECT_EQ(missing.errorLine(), -1);
}

TEST(DescriptionFile, DeepNestingCostsNoStack) {
  // Half a million sections, each inside the one before: read in linear
  // time and freed without recursion.
  std::string text;
  for (int i = 0; i < 500000; ++i) text += "<S>\n";
  DescriptionFile file;
  ASSERT_TRUE(file.parseText(text + "k=deep\n</S>\n"));
  const DescriptionNode* node = &file;
  int depth = 0;
  for (; node->childCount() == 1; ++depth) node = &node->child(0);
  EXPECT_EQ(depth, 500000);
  EXPECT_EQ(node->findKey("k")->value(), "deep");
}

}  // namespace
