// Address book files: listing, reading, sorting and the entry forms.
#include "addressbook/address_book.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"

namespace addressbook {
namespace {

using platform::Sjis;

TEST(AddressBookFileTest, FirstStartCreatesTheDirectoryAndListsOnlyAdrFiles) {
  platform::testing::TempAppDir dir;
  platform::FileSystem fs(dir.path());
  EXPECT_TRUE(ListBooks(fs).empty());
  EXPECT_TRUE(fs.DirectoryExists("Adress\\"));

  fs.WriteFileAtomic(Sjis("Adress\\友人.adr"), "");
  fs.WriteFileAtomic("Adress\\work.adr", "");
  fs.WriteFileAtomic("Adress\\notes.txt", "");
  fs.WriteFileAtomic("Adress\\.adr", "");
  fs.ForceDirectories("Adress\\dir.adr\\");
  std::vector<std::string> books = ListBooks(fs);
  std::sort(books.begin(), books.end());
  EXPECT_EQ(books, (std::vector<std::string>{"work", Sjis("友人")}));
}

TEST(AddressBookFileTest, LoadingSortsLinesWithoutCaseAndReadsTwoFieldLines) {
  platform::testing::TempAppDir dir;
  platform::FileSystem fs(dir.path());
  fs.ForceDirectories("Adress\\");
  fs.WriteFileAtomic("Adress\\b.adr", "carol\tc@x\t\r\nAlice\ta@x\tboss\r\n\r\nbob\tb@x\r\n");
  std::vector<std::string> lines = LoadBook(fs, "Adress\\b.adr");
  ASSERT_EQ(lines.size(), 3u);  // the blank line names no one
  EXPECT_EQ(lines[0], "Alice\ta@x\tboss");
  EXPECT_EQ(lines[1], "bob\tb@x");
  EXPECT_EQ(lines[2], "carol\tc@x\t");
  Entry bob = ParseEntry(lines[1]);
  EXPECT_EQ(bob.address, "b@x");
  EXPECT_EQ(bob.note, "");
  EXPECT_EQ(EntryLine(bob), "bob\tb@x\t");  // saved lines always have three fields

  EXPECT_TRUE(LoadBook(fs, "Adress\\new.adr").empty());
  EXPECT_TRUE(fs.FileExists("Adress\\new.adr"));  // a missing book is made empty
}

TEST(AddressBookFileTest, EntryLinesKeepThreeFieldsAndRecipientsKeepTheNameAsTyped) {
  EXPECT_EQ(EntryLine({"a\tb", "x@y\r\n", "n"}), "a b\tx@y  \tn");
  EXPECT_EQ(RecipientForm({Sjis("山田 \"太郎\""), "t@x", ""}), Sjis("\"山田 \"太郎\"\" <t@x>"));
}

TEST(AddressBookFileTest, ColumnComparison) {
  EXPECT_LT(CompareColumn(1, "ABC@x", "abd@x"), 0);
  EXPECT_EQ(CompareColumn(2, "Note", "NOTE"), 0);
  // ヂ (0x83 0x61) and ア (0x83 0x41) differ only by what folding a trail byte would merge.
  EXPECT_NE(CompareColumn(1, Sjis("ヂ"), Sjis("ア")), 0);
  EXPECT_LT(CompareColumn(0, Sjis("あ"), Sjis("い")), 0);
  EXPECT_NE(CompareColumn(0, "a", "A"), 0);  // the name column keeps case as a tie-breaker
}

TEST(AddressBookFileTest, BookNamesStayInTheBookDirectory) {
  EXPECT_TRUE(IsUsableBookName(Sjis("表")));
  for (const char* bad : {"", ".", "..", "..\\x", "a/b", "a\tb"}) {
    EXPECT_FALSE(IsUsableBookName(bad)) << bad;
  }
}

}  // namespace
}  // namespace addressbook
