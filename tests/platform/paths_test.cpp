#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <utility>

#include "platform/directory.h"

TEST(Paths, DirectoryOfCutsAfterTheLastSeparatorOfEitherKind) {
  for (auto [path, directory] : {std::pair{"C:\\talk\\slides.txt", "C:\\talk\\"},
                                 {"/home/a/b.txt", "/home/a/"},
                                 {"quorvex", ""}})
    EXPECT_EQ(directoryOf(path), directory) << path;
}

TEST(Paths, FullPathIsAbsoluteAndResolved) {
  EXPECT_EQ(fullPathName("list.txt"), std::filesystem::current_path().string() + "/list.txt");
  EXPECT_EQ(fullPathName("/a/b/../c/./d.txt"), "/a/c/d.txt");
  EXPECT_EQ(fullPathName("/a/b/"), "/a/b/");
  EXPECT_EQ(fullPathName("/a\\b\\c.txt"), "/a/b/c.txt");
}

TEST(Directory, WildcardsIgnoreCase) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"*.jpg", "a.JPG", true},      {"*.jpg", "x.y.jpg", true}, {"*.jpg", "a.jpeg", false},
      {"*.jpg", "a.jpg.bak", false}, {"?b*", "Abc", true},       {"*", "", true}};
  for (auto [pattern, name, match] : cases)
    EXPECT_EQ(wildcardMatch(pattern, name), match) << pattern << " " << name;
}
