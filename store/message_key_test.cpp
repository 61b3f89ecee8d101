#include "store/message_key.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/filesystem.h"
#include "platform/testing/temp_app_dir.h"
#include "store/message_file.h"
#include "store/paths.h"
#include "store/startup.h"

namespace store {
namespace {

TEST(MessageKeyTest, KeyFromDateOrNow) {
  double date = platform::EncodeDateTime(2005, 9, 1, 9, 30, 5);
  EXPECT_EQ(GeneratedKey(date), "<2005/09/01_093005tegamin_TKWorld>");
  EXPECT_EQ(ReceivedMessageKey("", date), "<2005/09/01_093005tegamin_TKWorld>");
  EXPECT_EQ(ReceivedMessageKey("<id@host>", date), "<id@host>");

  platform::FixedClock clock(platform::EncodeDateTime(2026, 12, 8, 23, 59, 58), -540);
  platform::ScopedClock use(clock);
  EXPECT_EQ(ReceivedMessageKey("", std::nullopt), "<2026/12/08_235958tegamin_TKWorld>");
  // 1899-12-30 is before the first usable date; 1899-12-31 is usable.
  EXPECT_EQ(ReceivedMessageKey("", 0.5), "<2026/12/08_235958tegamin_TKWorld>");
  EXPECT_EQ(ReceivedMessageKey("", 1.0), "<1899/12/31_000000tegamin_TKWorld>");
}

struct StemCase {
  const char* name;
  std::string key;
  std::string stem;
};

class FileStemTest : public ::testing::TestWithParam<StemCase> {};

// The rows pin the mapping as older stores have it on disk; keys that fit a stem keep it.
TEST_P(FileStemTest, Maps) {
  EXPECT_EQ(LegacyFileStem(GetParam().key), GetParam().stem);
  if (GetParam().stem.size() < 50) {
    EXPECT_EQ(FileStem(GetParam().key), GetParam().stem);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FileStemTest,
    ::testing::Values(StemCase{"generated", "<2005/09/01_093005tegamin_TKWorld>",
                               "02005709701_093005tegamin_TKWorld9"},
                      StemCase{"every_mapped_byte", "<a\\b/c|d*e:f\"g?h>", "0a8b7c6d5e_f+g-h9"},
                      StemCase{"spaces_removed_before_cut",
                               "<" + std::string(30, 'a') + " " + std::string(30, 'b') + ">",
                               "0" + std::string(30, 'a') + std::string(19, 'b')},
                      StemCase{"cut_to_fifty", std::string(60, 'x'), std::string(50, 'x')},
                      StemCase{"dots_only", "..", "_.."}, StemCase{"single_dot", ".", "_."},
                      StemCase{"empty", "", "_"}, StemCase{"spaces_only", "   ", "_"},
                      StemCase{"traversal", "../../x", "..7..7x"},
                      StemCase{"control_and_nul", std::string("<a\0b\r\n\x7f>", 8), "0a_b___9"},
                      StemCase{"backslash_escape", "..\\..\\etc", "..8..8etc"},
                      StemCase{"cut_through_a_character", "<" + std::string(48, 'a') + "\x95\x5c>",
                               "0" + std::string(48, 'a') + "_"},
                      StemCase{"trail_5c_mapped_like_any_backslash", "<\x95\x5c>",
                               "0\x95"
                               "89"}),
    [](const ::testing::TestParamInfo<StemCase>& info) { return info.param.name; });

TEST(FileStemTest, StemsNeverLeaveTheFolder) {
  for (std::string key : {"<..>", "..", "../../x", "/", "\\", "<>", ". .", " . ", "a/../.."}) {
    std::string stem = FileStem(key);
    EXPECT_EQ(stem.find('/'), std::string::npos) << key;
    EXPECT_EQ(stem.find('\\'), std::string::npos) << key;
    EXPECT_NE(stem, ".") << key;
    EXPECT_NE(stem, "..") << key;
    EXPECT_FALSE(stem.empty()) << key;
  }
}

TEST(FileStemTest, KeysDifferingOnlyInCaseAreOneKey) {
  EXPECT_TRUE(SameKey("<ABC@x.COM>", "<abc@X.com>"));
  EXPECT_FALSE(SameKey(platform::Sjis("<あ>"), platform::Sjis("<ア>")));
}

// Notification mail often carries long Message-IDs that differ only after 50 bytes.
TEST(FileStemTest, LongKeysSharingTheirFirstFiftyBytesGetTheirOwnStems) {
  const std::string prefix = "<" + std::string(55, 'n') + ".";
  const std::string a = prefix + "1@example.test>";
  const std::string b = prefix + "2@example.test>";
  EXPECT_EQ(LegacyFileStem(a), LegacyFileStem(b));
  EXPECT_NE(FileStem(a), FileStem(b));
  EXPECT_EQ(FileStem(a).size(), 50u);
  EXPECT_TRUE(FileStem(a).starts_with("0" + std::string(40, 'n') + "~"));
  // Keys compare without letter case and spaces: so do their stems.
  EXPECT_EQ(FileStem(a), FileStem(prefix + "1@EXAMPLE.test>"));
  EXPECT_EQ(FileStem(a), FileStem(prefix + "1@example. test>"));
  // The kept part never ends in half a character.
  const std::string sjis = "<" + std::string(39, 'a') + "\x95\x5c" + std::string(20, 'z') + ">";
  EXPECT_EQ(FileStem(sjis).substr(0, 41), "0" + std::string(39, 'a') + "_");
}

TEST(FileStemTest, StoresWithOldStemsKeepTheirMessages) {
  platform::testing::TempAppDir dir;
  platform::FileSystem fs(dir.path());
  const std::string folder = AccountFolder("acct");
  const std::string prefix = "<" + std::string(55, 'n') + ".";
  const std::string mine = prefix + "1@x>";
  const std::string other = prefix + "2@x>";
  // An old store: the message of `mine` under the shared stem, with its attachments.
  fs.ForceDirectories(folder + "Attachment\\" + LegacyFileStem(mine));
  fs.WriteFileAtomic(folder + "Attachment\\" + LegacyFileStem(mine) + "\\a.txt", "A");
  fs.WriteFileAtomic(folder + LegacyFileStem(mine) + ".txt",
                     "To=\r\nReplyTo=\r\nCCList=\r\n"
                     "Message-ID=" +
                         mine + "\r\n");
  fs.WriteFileAtomic(FolderIndexPath(folder), mine + "\tsubj\r\n" + other + "\tsubj\r\n");
  PrepareFolderIndex(fs, folder);
  EXPECT_TRUE(fs.FileExists(MessageFilePath(folder, mine)));
  EXPECT_FALSE(fs.FileExists(folder + LegacyFileStem(mine) + ".txt"));
  EXPECT_EQ(fs.ReadFile(AttachmentDirectory(folder, mine) + "a.txt"),
            std::optional<std::string>("A"));
  // The other key of that prefix never had a file of its own; it takes nothing.
  EXPECT_FALSE(fs.FileExists(MessageFilePath(folder, other)));
  PrepareFolderIndex(fs, folder);  // a second start changes nothing
  EXPECT_TRUE(fs.FileExists(MessageFilePath(folder, mine)));
}

}  // namespace
}  // namespace store
