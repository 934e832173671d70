// The ChipDB.txt grammar, the palette order and paging.
#include "catalogue/chip_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

TEST(ChipCatalogueTest, DefinitionsSectionsAndOddLines) {
  // A physical line holds at most 4095 bytes with its line end; the rest of
  // a longer one is a line of its own (here an attribute "tail").
  const std::string value(4095 - 5, 'x');
  CChipCatalogue catalogue;
  catalogue.Parse(
      "<define Walk>\r\nProperty1_Name=speed\r\ncode=SET:a:1\r\n\r\nshortname= spaced \r\n"
      "no equals sign\r\ncode=SET:b:2=3\r\n</define>\r\n"
      "<define a>\ncode=1\n<define b>\ncode=2\n</define>\n"  // a header inside is no header
      "<category>\n<define c>\n</category>\n"                // nor inside a category
      "<define>\ncode=noname\n</define>\n"
      "<define d>\ncode=first\n</define>\n<define d>\nshortname=D\n</define>\n"  // replaced
      "<define long>\ncode=" +
      value + "tail=1\n</define>\n" +
      "<define e>\nk=a\rb\0c\nend=1"s);  // unclosed: lone CR, NUL, no final line end
  EXPECT_EQ(catalogue.GetAttribute("Walk", "property1_name"), "speed");  // keys are lower-case
  EXPECT_EQ(catalogue.GetAttribute("Walk", "code"), "SET:b:2=3");        // the later one
  EXPECT_EQ(catalogue.GetShortName("Walk"), " spaced ");
  EXPECT_EQ(catalogue.GetAttribute("a", "code"), "2");
  EXPECT_EQ(catalogue.Find("b"), nullptr);
  EXPECT_EQ(catalogue.Find("c"), nullptr);
  EXPECT_EQ(catalogue.GetAttribute("", "code"), "noname");
  EXPECT_EQ(catalogue.GetAttribute("d", "code") + catalogue.GetShortName("d"), "D");
  EXPECT_EQ(catalogue.GetAttribute("long", "code"), value);
  EXPECT_EQ(catalogue.GetAttribute("long", "tail"), "1");
  EXPECT_EQ(catalogue.GetAttribute("e", "k"), "a\rb\0c"s);
  EXPECT_EQ(catalogue.GetAttribute("e", "end"), "1");
  // Without a category list nothing is offered, yet lookups work.
  EXPECT_EQ(catalogue.GetOrderedCount(), 0);
  EXPECT_EQ(catalogue.GetOrderedName(0), "");
}

TEST(ChipCatalogueTest, OrderedByCategoryThenByBytesAndPagedFull) {
  CChipCatalogue catalogue;
  catalogue.Parse(
      "comment outside any section\n"
      "<category>\n0=move\nno equals sign\n1=sound\n</category> trailing text\n"
      "<category>\nx=control\n</category>\n"
      "<define b>\ncategory=1\n</define>\n"
      "<define a>\ncategory=1\n</define>\n"
      "<define \x89\xbd>\ncategory=0\n</define>\n"  // CP932 sorts after ASCII
      "<define z>\ncategory=0\n</define>\n"
      "<define nocat>\n</define>\n"
      "<define three>\ncategory=3\n</define>\n"
      "<define negative>\ncategory=-1\n</define>\n"
      "<define huge>\ncategory=99999999999999\n</define>\n"
      "<define last>\ncategory=2\n</define>\n");
  EXPECT_EQ(catalogue.GetCategoryCount(), 3);
  EXPECT_EQ(catalogue.GetOrderedNames(), (Names{"nocat", "z", "\x89\xbd", "a", "b", "last"}));
  EXPECT_NE(catalogue.Find("three"), nullptr);  // out of range: by name only

  // A page runs back from the end rather than come up short.
  auto page = [&catalogue](int start, int count) {
    Names names = {"stale"};
    catalogue.GetPage(start, count, names);
    return names;
  };
  EXPECT_EQ(page(4, 3), (Names{"a", "b", "last"}));
  EXPECT_EQ(page(1, 2), (Names{"z", "\x89\xbd"}));
  EXPECT_EQ(page(0, 8).size(), 6u);
  EXPECT_EQ(page(0, -3), Names{});
  EXPECT_EQ(page(2147483647, 2147483647).size(), 6u);
  EXPECT_EQ(page(-1, 3), (Names{"nocat", "z"}));
  EXPECT_EQ(page(-2147483647 - 1, 2), Names{});
}

TEST(ChipCatalogueTest, MissingFileIsLogged) {
  ScopedTempDir dir;
  CChipCatalogue catalogue;
  EXPECT_EQ(catalogue.Load(), 0);
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"), "Failed to open ChipDB file.");
  dir.WriteFile("ChipDB.txt", "<define a>\r\ncode=A\r\n</define>\r\n");
  EXPECT_EQ(catalogue.Load(), 1);
  EXPECT_EQ(catalogue.GetAttribute("a", "code"), "A");
}

}  // namespace
