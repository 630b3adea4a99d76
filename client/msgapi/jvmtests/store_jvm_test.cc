// The whole messaging chain through a real machine against the client library of the build
// (bin/lib/kovendi.jar) and a message store made with kovendi-store: log-in refusals, a message
// with two files from A to B, B lists, fetches and deletes it, A fetches the delivery report and
// the receipt notification, alias resolution, password change, an injected fault, and the close.
// One test: the machine starts once per process and the close stops it for good.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "client/common/home.h"
#include "client/common/run_state.h"
#include "client/msgapi/api.h"
#include "client/msgapi/jvm_host.h"
#include "client/msgapi/marshal.h"
#include "platform/testing/temp_dir.h"

namespace {

const std::string kBinDir = KV_BIN_DIR;

bool store_command(const std::string& arguments) {
  const std::string command = kBinDir + "/kovendi-store " + arguments + " 2>&1";
  return std::system(command.c_str()) == 0;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

OpenSession open_record(const std::string& store, const char* user, const char* password) {
  OpenSession open{};
  open.type = CONNECTION_TCPIP;
  std::snprintf(open.server, sizeof open.server, "file:%s", store.c_str());
  std::snprintf(open.user, sizeof open.user, "%s", user);
  std::snprintf(open.password, sizeof open.password, "%s", password);
  return open;
}

void address_of_b(ORName* name) {
  API_initOrname(name);
  name->type = ORNAME_FORM11;
  std::strcpy(name->u.form11.countryName, "NL");
  std::strcpy(name->u.form11.adDomainName, "400NET");
  std::strcpy(name->u.form11.prDomainName, "KOVENDI");
  std::strcpy(name->u.form11.orgName, "Groothandel");
  std::strcpy(name->u.form11.surName, "Bakker");
}

const MessageSummary* row_of_type(const MessageSummary* page, int rows, int type) {
  for (int i = 0; i < rows; ++i)
    if (page[i].msgType == type) return &page[i];
  return nullptr;
}

// A system property of the running machine ("" when it cannot be read).
std::string vm_property(const char* name) {
  JNIEnv* env = kv::msgapi::jni_env();
  if (env == nullptr) return "";
  jclass system = env->FindClass("java/lang/System");
  jmethodID get = env->GetStaticMethodID(system, "getProperty",
                                         "(Ljava/lang/String;)Ljava/lang/String;");
  auto value = static_cast<jstring>(
      env->CallStaticObjectMethod(system, get, env->NewStringUTF(name)));
  if (env->ExceptionCheck() || value == nullptr) {
    env->ExceptionClear();
    return "";
  }
  const char* chars = env->GetStringUTFChars(value, nullptr);
  std::string text = chars;
  env->ReleaseStringUTFChars(value, chars);
  return text;
}

class StoreSession {
 public:
  StoreSession(const std::string& store, const char* user, const char* password) {
    OpenSession open = open_record(store, user, password);
    result = API_open(&open, &info, &handle);
  }
  ~StoreSession() {
    if (result == 0) kv::msgapi::JNI_API_close();  // ends the session, keeps the machine
  }
  SessionInfo info{};
  ApiId handle = nullptr;
  short result = -1;
};

TEST(StoreChain, MessageReportsAndFaultsThroughTheRealClient) {
  if (!std::ifstream(kBinDir + "/lib/kovendi.jar").good() ||
      !std::ifstream(kBinDir + "/kovendi-store").good())
    GTEST_SKIP() << "the client library or kovendi-store is not built in " << kBinDir;
  kv::testing::TempDir home;
  kv::testing::TempDir store_dir;
  const std::string store = store_dir.file("store");
  kv::engine_home().set(home.path());
  kv::run_state().program_dir = kBinDir;

  ASSERT_TRUE(store_command("init " + store));
  ASSERT_TRUE(store_command("add-mailbox " + store +
                            " USERA geheimA COU=NL ADM=400NET PMD=KOVENDI ORG=Handel SUR=Aalders"
                            " GIV=Anna"));
  ASSERT_TRUE(store_command("add-mailbox " + store +
                            " USERB geheimB COU=NL ADM=400NET PMD=KOVENDI ORG=Groothandel"
                            " SUR=Bakker GIV=Bert"));
  ASSERT_TRUE(store_command("add-alias " + store + " BEE USERB"));
  home.write("F1.edi", "UNA:+.? 'UNB+UNOA:1+A+B'\n");
  home.write("F2.txt", std::string("tweede bestand \xE9\n"));
  home.make_dir("recv");

  {
    StoreSession wrong(store, "USERA", "fout");
    EXPECT_EQ(wrong.result, -1);
    EXPECT_EQ(API_verdictValue(), 6);
    StoreSession missing(store + "-none", "USERA", "geheimA");
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(API_verdictValue(), 3);
  }

  std::string list_id;
  {
    StoreSession a(store, "USERA", "geheimA");
    ASSERT_EQ(a.result, 0) << home.read("debug.log");
    EXPECT_STREQ(a.info.uaName, "USERA");
    // The compiler is on despite java.compiler=NONE: the password hash needs it.
    EXPECT_NE(vm_property("java.vm.info").find("mixed mode"), std::string::npos)
        << vm_property("java.vm.info");

    ORName resolved;
    short status = 0;
    ASSERT_EQ(API_aliasToOrname(a.handle, "BEE", &status, &resolved), 0);
    EXPECT_EQ(status, 3);
    EXPECT_STREQ(resolved.u.form11.surName, "Bakker");
    ASSERT_EQ(API_aliasToOrname(a.handle, "NOBODY", &status, &resolved), 0);
    EXPECT_EQ(status, 1);

    auto msg = std::make_unique<MessageOut>();
    std::strcpy(msg->ipMsgId, "MID0001");
    std::strcpy(msg->subject, "Factuur \xE9\xE9n");
    msg->priority = 1;
    msg->sensitivity = 1;
    msg->notifReq = 3;
    msg->reportReq = 3;
    msg->replyReq = 2;
    msg->recipientQtty = 1;
    msg->recipients[0].type = 1;
    address_of_b(&msg->recipients[0].orName);
    msg->bodyPartQtty = 2;
    msg->bodyParts[0].type = BODYPART_FILE;
    std::snprintf(msg->bodyParts[0].fileName, 81, "%s", home.file("F1.edi").c_str());
    msg->bodyParts[1].type = BODYPART_FILE;
    std::snprintf(msg->bodyParts[1].fileName, 81, "%s", home.file("F2.txt").c_str());
    ASSERT_EQ(API_sendMsg(a.handle, msg.get()), 0) << home.read("kovendi-client.log");
  }

  {
    StoreSession b(store, "USERB", "geheimB");
    ASSERT_EQ(b.result, 0);
    MessageSummary page[20];
    ASSERT_EQ(API_listMbxInNext(b.handle, "", "", 20, page), 1);
    EXPECT_EQ(page[0].msgType, MSGTYPE_MESSAGE);
    EXPECT_STREQ(page[0].ipMsgId, "MID0001");
    EXPECT_STREQ(page[0].surName, "Aalders");
    EXPECT_EQ(page[0].bodyPartQtty, 2);
    list_id = page[0].listId;
    ASSERT_FALSE(list_id.empty());

    EXPECT_EQ(API_listMbxInNext(b.handle, "(((", "", 20, page), -1);
    EXPECT_EQ(API_verdictValue(), 10);

    auto in = std::make_unique<MessageIn>();
    const std::string recv = home.file("recv");
    ASSERT_EQ(API_getMsg(b.handle, list_id.c_str(), in.get(), recv.c_str()), 0)
        << home.read("kovendi-client.log");
    EXPECT_EQ(in->msgType, MSGTYPE_MESSAGE);
    EXPECT_STREQ(in->ipMsgId, "MID0001");
    EXPECT_STREQ(in->u.message.subject, "Factuur \xE9\xE9n");
    EXPECT_STREQ(in->u.message.originator.u.form11.surName, "Aalders");
    EXPECT_EQ(in->u.message.recipientQtty, 1);
    EXPECT_STREQ(in->u.message.recipients[0].orName.u.form11.surName, "Bakker");
    ASSERT_EQ(in->u.message.bodyPartQtty, 2);
    for (int k = 0; k < 2; ++k) {
      const std::string name = in->u.message.bodyParts[k].fileName;
      ASSERT_FALSE(name.empty());
      EXPECT_EQ(name.back(), '1' + k);
      EXPECT_EQ(read_file(name), home.read(k == 0 ? "F1.edi" : "F2.txt"));
    }

    EXPECT_EQ(API_delMsg(b.handle, list_id.c_str()), 0);
    EXPECT_EQ(API_listMbxInNext(b.handle, "", "", 20, page), 0);
    EXPECT_EQ(API_delMsg(b.handle, list_id.c_str()), -1);
    EXPECT_EQ(API_verdictValue(), 5);
    EXPECT_EQ(API_changeNetworkPwd(b.handle, "NIEUW"), 0);
  }
  {
    StoreSession old_password(store, "USERB", "geheimB");
    EXPECT_EQ(old_password.result, -1);
    StoreSession new_password(store, "USERB", "NIEUW");
    EXPECT_EQ(new_password.result, 0);
  }

  StoreSession a(store, "USERA", "geheimA");
  ASSERT_EQ(a.result, 0);
  MessageSummary page[20];
  short rows = API_listMbxInNext(a.handle, "", "", 20, page);
  ASSERT_GE(rows, 1);
  const MessageSummary* report_row = row_of_type(page, rows, MSGTYPE_REPORT);
  ASSERT_NE(report_row, nullptr);
  auto in = std::make_unique<MessageIn>();
  ASSERT_EQ(API_getMsg(a.handle, report_row->listId, in.get(), home.path().c_str()), 0);
  EXPECT_EQ(in->msgType, MSGTYPE_REPORT);
  EXPECT_STREQ(in->ipMsgId, "MID0001");
  ASSERT_EQ(in->u.report.notifyQtty, 1);
  EXPECT_STREQ(in->u.report.entries[0].orName.u.form11.surName, "Bakker");
  const MessageSummary* receipt_row = row_of_type(page, rows, MSGTYPE_NOTIFICATION);
  if (receipt_row != nullptr) {
    ASSERT_EQ(API_getMsg(a.handle, receipt_row->listId, in.get(), home.path().c_str()), 0);
    EXPECT_STREQ(in->ipMsgId, "MID0001");
    EXPECT_STREQ(in->u.notification.orName.u.form11.surName, "Bakker");
  }

  ASSERT_TRUE(store_command("fault " + store + " API_delMsg 4"));
  EXPECT_EQ(API_delMsg(a.handle, report_row->listId), -1);
  EXPECT_EQ(API_verdictValue(), 4);

  EXPECT_EQ(API_close(a.handle), 0);
  a.result = -1;  // closed already
  EXPECT_NE(home.read("kovendi-client.log").find("API_close(apiId=[0x"), std::string::npos);
  // A running machine is reused by every open after the first.
  for (const std::string& line : home.lines("debug.log"))
    EXPECT_EQ(line, "StartJVM: JVM already defined");
}

}  // namespace
