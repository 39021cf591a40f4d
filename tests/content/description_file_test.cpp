// The description-file reader: line rules, tree building, look-ups, and
// the numbering of bad lines, over real files and over text in memory.
#include "content/description_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/test_files.h"

using testfiles::TempDir;

namespace {

// Parses text both from a file and from memory; the two must agree.
struct Parsed {
  bool ok;
  int errorLine;
};

Parsed parseBoth(const std::string& text, DescriptionFile& fromFile) {
  TempDir dir;
  std::string path = dir.file("show.txt");
  testfiles::writeText(path, text);
  bool ok = fromFile.parse(path);
  DescriptionFile fromMemory;
  bool memoryOk = fromMemory.parseText(text);
  EXPECT_EQ(ok, memoryOk);
  EXPECT_EQ(fromFile.errorLine(), fromMemory.errorLine());
  EXPECT_EQ(fromFile.childCount(), fromMemory.childCount());
  EXPECT_EQ(fromFile.keyCount(), fromMemory.keyCount());
  return {ok, fromFile.errorLine()};
}

TEST(DescriptionFile, ReadsTheShortExample) {
  DescriptionFile file;
  Parsed result = parseBoth("<SlideList>\npath=C:\\show\\\n<Slide>\n</Slide>\n", file);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.errorLine, -1);
  EXPECT_EQ(file.name(), nullptr);  // the root has no name
  ASSERT_EQ(file.childCount(), 1);
  const DescriptionNode* list = file.findSection("SlideList");
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list->name(), "SlideList");
  EXPECT_TRUE(list->hasName("SlideList"));
  const DescriptionKey* path = list->findKey("path");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->value(), "C:\\show\\");
  ASSERT_EQ(list->childCount(), 1);
  EXPECT_STREQ(list->child(0).name(), "Slide");
  EXPECT_EQ(list->child(0).childCount(), 0);
}

TEST(DescriptionFile, NestsSectionsAndKeepsFileOrder) {
  DescriptionFile file;
  ASSERT_TRUE(parseBoth("top=1\n"
                        "<A>\n"
                        "<Slide>\nx=1\n</Slide>\n"
                        "<Slide>\nx=2\n<Image>\nfilename=a.jpg\n</Image>\ny=3\n</Slide>\n"
                        "k=v\n"
                        "k=second\n"
                        "</A>\n"
                        "<A>\n</A>\n",
                        file)
                  .ok);
  EXPECT_EQ(file.findKey("top")->valueAsInt(), 1);
  ASSERT_EQ(file.childCount(), 2);
  const DescriptionNode& a = file.child(0);
  EXPECT_EQ(file.findSection("A"), &a);  // the first of two
  ASSERT_EQ(a.childCount(), 2);
  EXPECT_EQ(a.child(0).findKey("x")->value(), "1");
  const DescriptionNode& second = a.child(1);
  EXPECT_EQ(second.findKey("x")->value(), "2");
  EXPECT_EQ(second.findKey("y")->value(), "3");  // after the nested section closed
  EXPECT_EQ(second.findSection("Image")->findKey("filename")->value(), "a.jpg");
  EXPECT_EQ(second.findKey("filename"), nullptr);  // only a section's own keys
  ASSERT_EQ(a.keyCount(), 2);
  EXPECT_EQ(a.findKey("k")->value(), "v");
  EXPECT_EQ(a.key(1).value(), "second");
  EXPECT_EQ(a.findSection("Missing"), nullptr);
}

TEST(DescriptionFile, KeyLines) {
  DescriptionFile file;
  ASSERT_TRUE(parseBoth("a=b=c\n=x\nk=\npath = x\n<not a tag=1\n\t<B> =2\n", file).ok);
  ASSERT_EQ(file.keyCount(), 6);
  EXPECT_EQ(file.findKey("a")->value(), "b=c");
  EXPECT_EQ(file.findKey("")->value(), "x");
  EXPECT_EQ(file.findKey("k")->value(), "");
  EXPECT_EQ(file.findKey("path"), nullptr);
  EXPECT_EQ(file.findKey("path ")->value(), " x");
  EXPECT_EQ(file.findKey("<not a tag")->value(), "1");
  EXPECT_EQ(file.findKey("\t<B> ")->value(), "2");
  EXPECT_EQ(file.childCount(), 0);
}

TEST(DescriptionFile, NumbersConvertLikeTheCLibrary) {
  DescriptionFile file;
  ASSERT_TRUE(
      file.parseText("f=  2.5e1xyz\ni=  -42abc\nnone=abc\nempty=\n"
                     "huge=99999999999999\ntiny=-99999999999999\nhex=0x10\n"));
  EXPECT_DOUBLE_EQ(file.findKey("f")->valueAsFloat(), 25.0);
  EXPECT_EQ(file.findKey("f")->valueAsInt(), 2);
  EXPECT_EQ(file.findKey("i")->valueAsInt(), -42);
  EXPECT_DOUBLE_EQ(file.findKey("i")->valueAsFloat(), -42.0);
  EXPECT_EQ(file.findKey("none")->valueAsInt(), 0);
  EXPECT_EQ(file.findKey("none")->valueAsFloat(), 0.0);
  EXPECT_EQ(file.findKey("empty")->valueAsInt(), 0);
  // Beyond int the value saturates rather than being undefined.
  EXPECT_EQ(file.findKey("huge")->valueAsInt(), 2147483647);
  EXPECT_EQ(file.findKey("tiny")->valueAsInt(), -2147483647 - 1);
  EXPECT_EQ(file.findKey("hex")->valueAsInt(), 0);
}

TEST(DescriptionFile, BadLines) {
  struct Case {
    const char* text;
    int line;
  };
  const Case cases[] = {
      {" <Slide>\n", 1},                               // blank before the tag
      {"<Slide> \n", 1},                               // blank after it
      {"<Slide>\njust words\n", 2},                    // neither key nor tag
      {"<Slide>\n</Page>\n", 2},                       // closes another section
      {"<Slide>\n</slide>\n", 2},                      // case matters
      {"</Slide>\n", 1},                               // nothing open
      {"<A>\n</A>\n</A>\n", 3},                        // closing tag in the root
      {"   \n", 1},                                    // blanks are not empty
      {"\n\n<A>\nk=v\n</A>\nbad\n", 6},                // empty lines count
      {"\xEF\xBB\xBF<SlideList>\n</SlideList>\n", 1},  // byte-order mark
      {"<\n", 1},
      {">\n", 1},
  };
  for (const Case& c : cases) {
    DescriptionFile file;
    Parsed result = parseBoth(c.text, file);
    EXPECT_FALSE(result.ok) << c.text;
    EXPECT_EQ(result.errorLine, c.line) << c.text;
  }
}

TEST(DescriptionFile, TreeBuiltBeforeABadLineStays) {
  DescriptionFile file;
  EXPECT_FALSE(file.parseText("<A>\nk=v\n<B>\noops\n"));
  EXPECT_EQ(file.errorLine(), 4);
  ASSERT_EQ(file.childCount(), 1);
  EXPECT_EQ(file.child(0).findKey("k")->value(), "v");
  EXPECT_NE(file.child(0).findSection("B"), nullptr);
}

TEST(DescriptionFile, EdgeCasesThatParse) {
  DescriptionFile empty;
  EXPECT_TRUE(parseBoth("", empty).ok);
  EXPECT_EQ(empty.childCount(), 0);
  EXPECT_EQ(empty.keyCount(), 0);

  // Last line without newline still closes its section; sections left
  // open at the end are kept.
  DescriptionFile lastLine;
  ASSERT_TRUE(parseBoth("<A>\n<B>\nk=1\n</B>", lastLine).ok);
  EXPECT_EQ(lastLine.child(0).child(0).findKey("k")->value(), "1");
  DescriptionFile open;
  ASSERT_TRUE(parseBoth("<A>\n<B>\nk=1\n<C>\n", open).ok);
  ASSERT_NE(open.findSection("A"), nullptr);
  EXPECT_NE(open.child(0).child(0).findSection("C"), nullptr);
  // Closing tags match byte for byte, a zero byte included.
  DescriptionFile zero;
  ASSERT_TRUE(parseBoth(std::string("<a\0b>\nk=1\n</a\0b>\nroot=2\n", 24), zero).ok);
  EXPECT_EQ(zero.findKey("root")->value(), "2");
  EXPECT_FALSE(zero.parseText(std::string("<a\0b>\n</a>\n", 11)));
  EXPECT_EQ(zero.errorLine(), 2);
  // The empty tag opens a section with an empty name, and "</>" closes it.
  DescriptionFile emptyTag;
  ASSERT_TRUE(parseBoth("<>\nk=1\n</>\nroot=2\n", emptyTag).ok);
  EXPECT_STREQ(emptyTag.child(0).name(), "");
  EXPECT_EQ(emptyTag.findKey("root")->value(), "2");
}

TEST(DescriptionFile, CarriageReturnsBeforeNewlinesAreDropped) {
  DescriptionFile file;
  ASSERT_TRUE(parseBoth("<A>\r\nk=v\r\nlone=a\rb\r\n\r\n</A>\r\nend=1\r", file).ok);
  const DescriptionNode* a = file.findSection("A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->findKey("k")->value(), "v");
  EXPECT_EQ(a->findKey("lone")->value(), "a\rb");
  EXPECT_EQ(file.findKey("end")->value(), "1\r");  // no newline follows
  DescriptionFile bad;
  Parsed result = parseBoth("\r\n\r\nnot a line\r\n", bad);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.errorLine, 3);
}

TEST(DescriptionFile, LongLinesArriveInPiecesOf399) {
  // A 500-character key line: its first 399 characters are a key, the rest
  // (without "=") a bad line 2.
  DescriptionFile file;
  std::string longKey = "k=" + std::string(498, 'v');
  Parsed result = parseBoth(longKey + "\n", file);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.errorLine, 2);
  EXPECT_EQ(file.findKey("k")->value().size(), 397u);

  // With "=" in the remainder too, both pieces are keys.
  DescriptionFile split;
  std::string twice = "a=" + std::string(397, 'x') + "b=" + std::string(50, 'y');
  ASSERT_TRUE(parseBoth(twice + "\nnext=1\n", split).ok);
  ASSERT_EQ(split.keyCount(), 3);
  EXPECT_EQ(split.key(1).name(), "b");
  EXPECT_EQ(split.key(1).value(), std::string(50, 'y'));

  // A 500-character tag is split and so is bad.
  DescriptionFile tag;
  result = parseBoth("<" + std::string(498, 'T') + ">\n", tag);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.errorLine, 1);

  // Exactly 399 characters: the newline comes as an empty line of its own,
  // skipped but counted.
  DescriptionFile exact;
  result = parseBoth("k=" + std::string(397, 'v') + "\nbad\n", exact);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.errorLine, 3);

  // A CR LF at a piece boundary still counts as one newline.
  DescriptionFile boundary;
  result = parseBoth("k=" + std::string(397, 'v') + "\r\nbad\n", boundary);
  EXPECT_EQ(result.errorLine, 3);
}

TEST(DescriptionFile, VeryLongLinesAreCountedPieceByPiece) {
  // A line of ten million equals signs: 25063 pieces (the last holding the
  // newline), each a key line of its own.
  std::string text = std::string(10000000, '=') + "\nbad\n";
  DescriptionFile file;
  EXPECT_FALSE(file.parseText(text));
  EXPECT_EQ(file.keyCount(), 25063);
  EXPECT_EQ(file.key(0).value().size(), 398u);
  EXPECT_EQ(file.errorLine(), 25064);
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
  while (node->childCount() == 1) {
    node = &node->child(0);
    ++depth;
  }
  EXPECT_EQ(depth, 500000);
  EXPECT_EQ(node->findKey("k")->value(), "deep");
  file.reset();
}

TEST(DescriptionFile, MissingFileLeavesErrorLineUnset) {
  DescriptionFile file;
  EXPECT_FALSE(file.parse("/nonexistent/quorvex/show.txt"));
  EXPECT_EQ(file.errorLine(), -1);
  TempDir dir;
  EXPECT_FALSE(file.parse(dir.path()));  // a directory is not a file either
  EXPECT_EQ(file.errorLine(), -1);
}

TEST(DescriptionFile, BackslashPathsOpen) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("sub"));
  testfiles::writeText(dir.file("sub/show.txt"), "<SlideList>\n</SlideList>\n");
  DescriptionFile file;
  EXPECT_TRUE(file.parse(dir.path() + "\\sub\\show.txt"));
  EXPECT_NE(file.findSection("SlideList"), nullptr);
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
