// Tests of the account's unique-id list and its accepted certificates: what survives a save,
// and which files are distrusted.
#include "store/uidl_file.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"
#include "store/cert_pins.h"
#include "store/paths.h"

namespace store {
namespace {

class UidlFileTest : public ::testing::Test {
 protected:
  platform::testing::TempAppDir dir_;
  platform::FileSystem fs_{dir_.path()};
  // An account name with a 0x5C trail byte: the path must not split inside it.
  std::string account_dir_ = AccountFolder(platform::Sjis("表示"));
};

TEST_F(UidlFileTest, SavedIdsAndKeysReadBackAndStaleIdsAreForgotten) {
  UidlFile list;
  EXPECT_FALSE(list.Load(fs_, account_dir_));  // no file yet: nothing can be trusted
  list.Remember("000000016b18202c", "<a@example.test>");
  list.Remember("000000026b18202c", "<2026/01/02_030405tegamin_TKWorld>");
  list.Remember("bad id", "<x@y>");      // a space would break the line
  list.Remember("ok", "key\twith tab");  // so would a TAB in the key
  EXPECT_TRUE(list.changed());
  list.Save(fs_, account_dir_);

  UidlFile again;
  ASSERT_TRUE(again.Load(fs_, account_dir_));
  EXPECT_EQ(again.size(), 2u);
  ASSERT_NE(again.KeyOf("000000016b18202c"), nullptr);
  EXPECT_EQ(*again.KeyOf("000000016b18202c"), "<a@example.test>");
  EXPECT_EQ(again.KeyOf("bad id"), nullptr);
  EXPECT_FALSE(again.changed());

  again.Remember("000000016b18202c", "<a@example.test>");  // the same pair changes nothing
  EXPECT_FALSE(again.changed());
  again.KeepOnly({"000000026b18202c", "unknown"});
  EXPECT_TRUE(again.changed());
  EXPECT_EQ(again.KeyOf("000000016b18202c"), nullptr);
  EXPECT_NE(again.KeyOf("000000026b18202c"), nullptr);
  EXPECT_EQ(again.size(), 1u);
}

TEST_F(UidlFileTest, DamagedFileIsNotTrustedAtAll) {
  const char* damaged[] = {
      "u1\t<a@b>\r\nno tab here\r\n",  // a line without TAB
      "\t<a@b>\r\n",                   // empty id
      "u1\t\r\n",                      // empty key
      "u\x01\t<a@b>\r\n",              // control byte in the id
  };
  for (const char* text : damaged) {
    fs_.ForceDirectories(account_dir_);
    fs_.WriteFileAtomic(UidlPath(account_dir_), text);
    UidlFile list;
    EXPECT_FALSE(list.Load(fs_, account_dir_)) << text;
    EXPECT_EQ(list.size(), 0u) << text;
  }
  // Blank lines and LF-only line ends are no damage.
  fs_.WriteFileAtomic(UidlPath(account_dir_), "u1\t<a@b>\n\nu2\t<c@d>\n");
  UidlFile list;
  EXPECT_TRUE(list.Load(fs_, account_dir_));
  EXPECT_EQ(list.size(), 2u);
}

TEST_F(UidlFileTest, PinsAreKeptPerServiceAndReplacedWhenAcceptedAgain) {
  CertificatePins pins;
  pins.Load(fs_, account_dir_);
  EXPECT_EQ(pins.Get(kPinServicePop3), "");
  PinCertificate(fs_, account_dir_, kPinServicePop3, "AA:BB");
  PinCertificate(fs_, account_dir_, kPinServiceSmtp, "CC:DD");
  PinCertificate(fs_, account_dir_, kPinServicePop3, "EE:FF");
  pins.Load(fs_, account_dir_);
  EXPECT_EQ(pins.Get(kPinServicePop3), "EE:FF");
  EXPECT_EQ(pins.Get(kPinServiceSmtp), "CC:DD");
  EXPECT_EQ(*fs_.ReadFile(CertificatePinPath(account_dir_)), "POP3\tEE:FF\r\nSMTP\tCC:DD\r\n");
}

}  // namespace
}  // namespace store
