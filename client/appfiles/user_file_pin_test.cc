// Tests of the password (PIN=) in the user file qrtlnk.gns and in the command file.
#include "client/appfiles/user_file_pin.h"

#include <sys/stat.h>

#include <filesystem>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/request_test_home.h"
#include "client/common/pin_scramble.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

using testing_support::RequestHome;

std::string scrambled(std::string pin) {
  scramble_pin(pin);
  return pin;
}

class UserFilePinTest : public RequestHome {
 protected:
  void SetUp() override {
    RequestHome::SetUp();
    gns_ = "POS=USER1\r\n\r\nPIN=" + scrambled("OLDPW1") + "\r\nSRV=file:store\r\n";
    write("qrtlnk.gns", gns_);
  }
  std::string gns_;
};

TEST_F(UserFilePinTest, SuccessfulPasswordChangeReplacesOnlyThePinLine) {
  write("qrtlnk.scr",
        "*000CONNECT\nPOS=USER1\nPIN=OLDPW1\n*001WACHTWOORD\nPIN=NEWPW1\n*002LIJST\n"
        "*003WACHTWOORD\nPIN=FAILED1\n*004WACHTWOORD\nPIN=NEWPW2\n");
  write("qrtlnk.sts",
        "*000CONNECT|202403071030|0000\n*001WACHTWOORD|202403071030|0000\n"
        "*002LIJST|202403071031|0000\n*003WACHTWOORD|202403071031|2440\n"
        "*004WACHTWOORD|202403071032|0000\n");
  schrijf_nieuwe_pin("qrtlnk.scr", "qrtlnk.sts");
  std::string expected = gns_;
  expected.replace(expected.find("PIN=") + 4, 6, scrambled("NEWPW2"));  // the later one wins
  EXPECT_EQ(read("qrtlnk.gns"), expected);
  EXPECT_TRUE(files_like("QLX_", "").empty());
}

TEST_F(UserFilePinTest, FailedOrUntraceablePasswordChangeLeavesTheUserFile) {
  write("qrtlnk.scr", "*000CONNECT\n*001WACHTWOORD\nPIN=NEWPW1\n*002WACHTWOORD\nREM=x\n");
  write("qrtlnk.sts", "*001WACHTWOORD|202403071030|2440\n*002WACHTWOORD|202403071030|0000\n"
                      "*009WACHTWOORD|202403071030|0000\n");
  schrijf_nieuwe_pin("qrtlnk.scr", "qrtlnk.sts");
  EXPECT_EQ(read("qrtlnk.gns"), gns_);
  schrijf_nieuwe_pin("qrtlnk.scr", "absent.sts");
  EXPECT_EQ(read("qrtlnk.gns"), gns_);
}

TEST_F(UserFilePinTest, CommandFileKeepsNoPlainPassword) {
  std::string already = scrambled("KEEP12");
  write("qrtlnk.scr", "*000CONNECT\r\nPIN=abc123  \r\nPIN=\r\n*001WACHTWOORD\npin=NEWPW1\nPIN=" +
                          already + "\nREM=PIN=plain\n");
  versleutel_pins("qrtlnk.scr");
  std::vector<std::string> out = lines("qrtlnk.scr");
  ASSERT_EQ(out.size(), 7u);
  EXPECT_EQ(out[1], "PIN=" + scrambled("ABC123") + "  ");
  EXPECT_EQ(out[2], "PIN=");  // a PIN= line without value stays
  EXPECT_EQ(out[4].substr(0, 4), "pin=");
  EXPECT_EQ(out[4].substr(4), scrambled("NEWPW1"));
  EXPECT_EQ(out[5], "PIN=" + already);  // never scrambled twice
  EXPECT_EQ(out[6], "REM=PIN=plain");
  for (const std::string& line : out) {
    if (line.size() > 4 && (line.rfind("PIN=", 0) == 0 || line.rfind("pin=", 0) == 0)) {
      EXPECT_TRUE(is_scrambled_pin(line.substr(4))) << line;
    }
  }
  versleutel_pins("absent.scr");  // nothing to do
}

TEST_F(UserFilePinTest, PinRoundTripThroughTheTranslation) {
  write("qrtlnk.gns", "POS=U\nPIN=Secret9\n");
  write("qrtlnk.scr", "*001LIJST\n");
  vertaal_opdrachten("qrtlnk.scr");
  EXPECT_EQ(lines("qrtlnk.scr")[2], "PIN=Secret9");
  versleutel_pins("qrtlnk.scr");
  std::string stored = lines("qrtlnk.gns")[1];
  EXPECT_EQ(lines("qrtlnk.scr")[2], stored);  // same scrambling in both files
  write("qrtlnk.scr", "*001LIJST\n");
  vertaal_opdrachten("qrtlnk.scr");
  EXPECT_EQ(lines("qrtlnk.scr")[2], "PIN=SECRET9");
}

// The files that carry the password are never readable by other users: the user file keeps its
// own mode through a password change, the translated command file and its kept copy are private
// even when the application wrote a world-readable request.
TEST_F(UserFilePinTest, FilesWithThePasswordStayPrivate) {
  if (!testing::files_have_permission_bits()) GTEST_SKIP() << "no permission bits here";
  ::umask(022);
  auto mode = [&](const std::string& name) {
    return static_cast<unsigned>(std::filesystem::status(path(name)).permissions()) & 0777u;
  };
  write("qrtlnk.scr", "*001WACHTWOORD\nPIN=NEWPW1\n");
  write("qrtlnk.sts", "*001WACHTWOORD|202403071030|0000\n");
  for (unsigned kept : {0600u, 0640u}) {
    std::filesystem::permissions(path("qrtlnk.gns"), std::filesystem::perms(kept));
    schrijf_nieuwe_pin("qrtlnk.scr", "qrtlnk.sts");
    EXPECT_NE(read("qrtlnk.gns"), gns_);
    EXPECT_EQ(mode("qrtlnk.gns"), kept);
  }

  write("qrtlnk.scr", "*001LIJST\n");
  std::filesystem::permissions(path("qrtlnk.scr"), std::filesystem::perms(0644));
  vertaal_opdrachten("qrtlnk.scr");
  ASSERT_NE(read("qrtlnk.scr").find("PIN="), std::string::npos);
  EXPECT_EQ(mode("qrtlnk.scr"), 0600u);
  rotate_command_file("qrtlnk.scr");
  ASSERT_TRUE(exists("qrt_lnk.old"));
  EXPECT_EQ(mode("qrt_lnk.old"), 0600u);
}

}  // namespace
}  // namespace kv
