#include "store/attachment_name.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace store {
namespace {

using platform::Sjis;

struct NameCase {
  const char* name;
  std::string decoded;
  std::string stored;
};

class AttachmentNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(AttachmentNameTest, Cleans) {
  EXPECT_EQ(CleanAttachmentName(GetParam().decoded), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Names, AttachmentNameTest,
    ::testing::Values(
        NameCase{"plain", "file.txt", "file.txt"},
        NameCase{"space_joins_pieces", "a b.txt", "ab.txt"},
        NameCase{"comma_joins_pieces", "my,file.txt", "myfile.txt"},
        NameCase{"piece_already_in_result_dropped", "report report.txt", "report.txt"},
        NameCase{"back_to_front", "x y x.txt", "yx.txt"},
        NameCase{"quoted_piece_keeps_inner_text", "\"a b.txt\"", "a b.txt"},
        NameCase{"quoted_with_escaped_quote", "\"say \"\"hi\"\".txt\"", "say \"hi\".txt"},
        NameCase{"runs_of_blanks_and_commas", "  a ,\t, b.txt  ", "ab.txt"},
        NameCase{"full_width_space_removed", Sjis("資料　一覧.txt"), Sjis("資料一覧.txt")},
        NameCase{"tab_inside_quotes_removed", "\"a\tb.txt\"", "ab.txt"},
        NameCase{"trail_byte_5c_kept", Sjis("表ソ能.csv"), Sjis("表ソ能.csv")},
        NameCase{"slash_neutralised", "../../etc/passwd", ".._.._etc_passwd"},
        NameCase{"backslash_neutralised", "..\\..\\x.exe", ".._.._x.exe"},
        NameCase{"dots_only", "..", std::string(kFallbackAttachmentName)},
        NameCase{"empty", "", std::string(kFallbackAttachmentName)},
        NameCase{"blank", " \t ", std::string(kFallbackAttachmentName)},
        NameCase{"control_bytes_dropped",
                 "a\x01\x7f"
                 "b.txt",
                 "ab.txt"},
        NameCase{"nul_ends_the_name", std::string("a.txt\0/../x", 11), "a.txt"}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return info.param.name; });

TEST(SafeFileNameTest, CutsToTheFileSystemLimitKeepingTheExtension) {
  // 100 kanji are 200 bytes in Shift_JIS but 300 in UTF-8.
  std::string kanji;
  for (int i = 0; i < 100; ++i) kanji += Sjis("漢");
  std::string name = SafeFileName(kanji + ".pdf");
  EXPECT_EQ(platform::Cp932ToUtf8(name).size(), 83u * 3 + 4);
  EXPECT_EQ(name.substr(name.size() - 4), ".pdf");
  EXPECT_EQ(name.substr(0, 2), Sjis("漢"));
  // Never half a character: the name converts back without replacement characters.
  EXPECT_EQ(platform::Cp932ToUtf8(name).find("\xEF\xBF\xBD"), std::string::npos);

  std::string ascii(300, 'a');
  EXPECT_EQ(SafeFileName(ascii + ".txt"), std::string(251, 'a') + ".txt");
  EXPECT_EQ(SafeFileName(ascii), std::string(255, 'a'));
  // An extension too long to keep is cut with the rest.
  EXPECT_EQ(SafeFileName("a." + ascii).size(), 255u);
  EXPECT_EQ(SafeFileName(std::string(255, 'b')), std::string(255, 'b'));
}

TEST(SafeFileNameTest, LoneLeadByteNeverSwallowsASeparator) {
  // 0x81 followed by "/" is no character; the "/" must still be neutralised.
  std::string name = SafeFileName("\x81/x");
  EXPECT_EQ(name.find('/'), std::string::npos);
  EXPECT_EQ(name, "__x");
}

}  // namespace
}  // namespace store
