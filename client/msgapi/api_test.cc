// The API_ facade without a running machine: record layouts, argument checks and their log
// lines, the operations answered without the client, and the "no JVM" path of every operation.
#include "client/msgapi/api.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "client/msgapi/jvm_host.h"
#include "client/msgapi/testing/engine_home_fixture.h"
#include "platform/java_runtime.h"

namespace {

using kv::testing::EngineHomeTest;

ApiId some_handle() {
  static char marker;
  return &marker;
}

template <typename T>
bool all_bytes(const T& record, unsigned char value) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&record);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    if (bytes[i] != value) return false;
  return true;
}

TEST(ApiRecords, FieldsSitWhereTheEngineExpectsThem) {
  EXPECT_EQ(offsetof(ORName, type), 34u);
  EXPECT_EQ(offsetof(ORName, u), 36u);
  EXPECT_EQ(offsetof(ORName, u.form11.domDefAttrVD), 36u + 855u - 129u);
  EXPECT_EQ(offsetof(Recipient, orName), 2u);
  EXPECT_EQ(offsetof(BodyPart, listId), 83u);
  EXPECT_EQ(offsetof(OpenSession, server), 24u);
  EXPECT_EQ(offsetof(OpenSession, password), 105u);
  EXPECT_EQ(offsetof(SessionInfo, uaId), 12u);
  EXPECT_EQ(offsetof(SessionInfo, mbxOutMsgQtty), 60u);
  EXPECT_EQ(offsetof(MessageOut, recipientQtty), 512u);
  EXPECT_EQ(offsetof(MessageOut, bodyPartQtty), 18394u);
  EXPECT_EQ(offsetof(MessageIn, u), 120u);
  EXPECT_EQ(offsetof(MessageIn, u.message.msgSize), 120u + 19140u);
  EXPECT_EQ(offsetof(MessageIn, u.report.entries), 124u);
  EXPECT_EQ(offsetof(MessageSummary, msgSize), 236u);
  EXPECT_EQ(offsetof(MessageSummary, diagnostic), 278u);
  // 21 report entries are all that fit into the record.
  EXPECT_LE(sizeof(MessageInReport), sizeof(MessageInMessage));
  EXPECT_GT(sizeof(MessageInReport) + sizeof(NotifyEntry), sizeof(MessageInMessage));
}

TEST_F(EngineHomeTest, EveryMissingArgumentFailsWithItsLogLine) {
  OpenSession open{};
  SessionInfo info{};
  ApiId handle = nullptr;
  ORName name{};
  MessageOut out{};
  MessageIn in{};
  MessageSummary page[2]{};
  short cell = 0;
  const ApiId h = some_handle();
  struct Case {
    std::function<short()> call;
    const char* line;
  };
  const std::vector<Case> cases = {
      {[&] { return API_open(nullptr, &info, &handle); }, "openSessionPT == null"},
      {[&] { return API_open(&open, nullptr, &handle); }, "sessionInfoPt == null"},
      {[&] { return API_close(nullptr); }, "API_close: apiId == null"},
      {[&] { return API_initOrname(nullptr); }, "API_initOrname: ornamePt == null"},
      {[&] { return API_aliasToOrname(nullptr, "A", &cell, &name); },
       "API_aliasToOrname: apiId == null"},
      {[&] { return API_aliasToOrname(h, "A", &cell, nullptr); },
       "API_aliasToOrname: ornamePt == null"},
      {[&] { return API_sendMsg(nullptr, &out); }, "API_sendMsg: apiId == null"},
      {[&] { return API_sendMsg(h, nullptr); }, "API_sendMsg: sendMsgStructPt == null"},
      {[&] { return API_getMsg(nullptr, "1", &in, "."); }, "API_getMsg: apiId == null"},
      {[&] { return API_getMsg(h, "1", nullptr, "."); }, "API_getMsg: getMsgStructPt == null"},
      {[&] { return API_getAnnouncement(nullptr, &cell, "1", &in); },
       "API_getAnnouncement: apiId == null"},
      {[&] { return API_getAnnouncement(h, &cell, "1", nullptr); },
       "API_getAnnouncement: getMsgStructPt == null"},
      {[&] { return API_delMsg(nullptr, "1"); }, "API_delMsg: apiId == null"},
      {[&] { return API_listMbxInNext(nullptr, "", "", 2, page); },
       "API_listMbxInNext: apiId == null"},
      {[&] { return API_listMbxInNext(h, nullptr, "", 2, page); },
       "API_listMbxInNext: filterString == null"},
      {[&] { return API_listMbxInNext(h, "", "", 2, nullptr); }, "pageMsgTab == null"},
      {[&] { return API_listAnnouncementNext(nullptr, &cell, "", "", 2, page); },
       "API_listAnnouncementNext: apiId == null"},
      {[&] { return API_listAnnouncementNext(h, &cell, nullptr, "", 2, page); },
       "API_listAnnouncementNext: filterString == null"},
      {[&] { return API_listAnnouncementNext(h, &cell, "", "", 2, nullptr); },
       "API_listAnnouncementNext: pageMsgTab == null"},
      {[&] { return API_changeNetworkPwd(nullptr, "x"); }, "API_changeNetworkPwd: apiId == null"},
      {[&] { return API_changeNetworkPwd(h, nullptr); },
       "API_changeNetworkPwd: newPassword == null"},
      // Arguments the engine always passes; a missing one is refused rather than followed.
      {[&] { return API_open(&open, &info, nullptr); }, "API_open: apiId == null"},
      {[&] { return API_aliasToOrname(h, nullptr, &cell, &name); },
       "API_aliasToOrname: alias == null"},
      {[&] { return API_aliasToOrname(h, "A", nullptr, &name); },
       "API_aliasToOrname: status == null"},
      {[&] { return API_getMsg(h, nullptr, &in, "."); }, "API_getMsg: listId == null"},
      {[&] { return API_getMsg(h, "1", &in, nullptr); }, "API_getMsg: receiveDir == null"},
      {[&] { return API_delMsg(h, nullptr); }, "API_delMsg: listId == null"},
      {[&] { return API_listMbxInNext(h, "", nullptr, 2, page); },
       "API_listMbxInNext: previousListId == null"},
      {[&] { return API_listMbxInNext(h, "", "", -1, page); },
       "API_listMbxInNext: pageLength [-1] < 0"},
  };
  for (const Case& c : cases) {
    clear_debug_log();
    EXPECT_EQ(c.call(), -1) << c.line;
    EXPECT_EQ(debug_lines(), std::vector<std::string>{c.line});
  }
  EXPECT_EQ(handle, nullptr);
}

TEST_F(EngineHomeTest, OperationsAnsweredWithoutTheClientChangeNothing) {
  EXPECT_EQ(API_version(), 300);

  MessageIn in;
  std::memset(&in, 0xAB, sizeof in);
  short cell = 77;
  EXPECT_EQ(API_getAnnouncement(some_handle(), &cell, "12", &in), 0);
  EXPECT_TRUE(all_bytes(in, 0xAB));
  EXPECT_EQ(cell, 77);

  MessageSummary page[3];
  std::memset(page, 0xCD, sizeof page);
  EXPECT_EQ(API_listAnnouncementNext(some_handle(), &cell, "MSG_TYPE=MSG", "", 3, page), 0);
  for (const MessageSummary& row : page) EXPECT_TRUE(all_bytes(row, 0xCD));

  ORName name;
  std::memset(&name, 0xEF, sizeof name);
  EXPECT_EQ(API_initOrname(&name), 0);
  EXPECT_TRUE(all_bytes(name, 0));
  EXPECT_EQ(debug_text(), "");
}

TEST_F(EngineHomeTest, SessionOperationsWithoutMachineFailAndLeaveClearedRecords) {
  const ApiId h = some_handle();
  MessageOut out{};
  EXPECT_EQ(API_sendMsg(h, &out), -1);

  MessageIn in;
  std::memset(&in, 0x11, sizeof in);
  EXPECT_EQ(API_getMsg(h, "7", &in, home_.path().c_str()), -1);
  EXPECT_TRUE(all_bytes(in, 0));

  MessageSummary page[4];
  std::memset(page, 0x22, sizeof page);
  EXPECT_EQ(API_listMbxInNext(h, "", "", 4, page), -1);
  for (const MessageSummary& row : page) EXPECT_TRUE(all_bytes(row, 0));

  EXPECT_EQ(API_delMsg(h, "7"), -1);
  EXPECT_EQ(API_changeNetworkPwd(h, "geheim"), -1);

  ORName name;
  std::memset(&name, 0x33, sizeof name);
  short status = 0;
  EXPECT_EQ(API_aliasToOrname(h, "ALIAS", &status, &name), -1);
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(all_bytes(name, 0));

  EXPECT_EQ(API_verdictValue(), -1);
  EXPECT_EQ(debug_lines(), (std::vector<std::string>{
                               "JNI_API_sendMsg: no JVM",
                               "JNI_API_getMsg: no JVM",
                               "JNI_API_listMbxInNext: no JVM",
                               "JNI_API_delMsg: no JVM",
                               "JNI_API_changeNetworkPwd: no JVM",
                               "JNI_API_aliasToOrname: no JVM",
                               "JNI_API_verdictValue: no JVM",
                           }));
}

TEST_F(EngineHomeTest, CloseWithoutMachineLogsTheHandleAndFails) {
  ApiId h = reinterpret_cast<ApiId>(static_cast<std::uintptr_t>(0x1234ABCD));
  EXPECT_EQ(API_close(h), -1);
  EXPECT_EQ(debug_lines(), (std::vector<std::string>{
                               "JNI_logMessage: no JVM, msg [API_close(apiId=[0x1234ABCD]): ...]",
                               "JNI_API_close: no JVM",
                           }));
}

TEST_F(EngineHomeTest, OpenWithoutMachineLibraryFails) {
  OpenSession open{};
  open.type = CONNECTION_TCPIP;
  SessionInfo info;
  std::memset(&info, 0x5A, sizeof info);
  ApiId handle = nullptr;
  EXPECT_EQ(API_open(&open, &info, &handle), -1);
  EXPECT_EQ(handle, nullptr);
  EXPECT_TRUE(all_bytes(info, 0));
  // Every place of the system's list is named (on Linux the one beside the program).
  std::vector<std::string> expected;
  for (const std::string& library : kv::java_runtime::machine_libraries(program_.path()))
    expected.push_back("StartJVM: can't load " + library);
  expected.push_back("API_open: unable to start JVM");
  EXPECT_EQ(debug_lines(), expected);
  EXPECT_EQ(debug_lines().front(),
            "StartJVM: can't load " + kv::msgapi::jvm_library_path(program_.path()));
}

}  // namespace
