// A scripted stand-in for the messaging interface, linked into the engine's unit tests.
#include "client/engine/testing/fake_api.h"

#include <algorithm>
#include <cstring>

#include "client/engine/engine_control.h"

namespace kv::engine::testing {

namespace {
// The marker that a successful fake API_open stores into the handle cell.
int session_marker = 0;
}  // namespace

FakeApi& fake_api() {
  static FakeApi api;
  return api;
}

void FakeApi::reset() {
  script_.clear();
  calls_.clear();
  unexpected_.clear();
  history_.clear();
  verdict_ = -1;
  unscripted_ = false;
  verdict_text_.clear();
}

FakeStep& FakeApi::expect(const std::string& op, short result, short verdict) {
  FakeStep step;
  step.op = op;
  step.result = result;
  step.verdict = verdict;
  script_.push_back(std::move(step));
  return script_.back();
}

int FakeApi::count(const std::string& op) const {
  int n = 0;
  for (const auto& c : calls_) n += (c == op);
  return n;
}

short FakeApi::call(FakeCallArgs args) {
  calls_.push_back(args.op);
  if ((script_.empty() || script_.front().op != args.op) && unscripted_) {
    verdict_ = unscripted_verdict_;
    return unscripted_result_;
  }
  if (script_.empty() || script_.front().op != args.op) {
    unexpected_.push_back(args.op + " while expecting " +
                          (script_.empty() ? std::string("nothing") : script_.front().op));
    verdict_ = 0;
    return -1;
  }
  FakeStep step = std::move(script_.front());
  script_.pop_front();
  if (step.fill) step.fill(args);
  if (step.press_escape) kv::engine_control().user_stop = true;
  verdict_ = step.verdict;
  verdict_text_ = step.verdict_text;
  args.open = nullptr;
  args.info = nullptr;
  args.out = nullptr;
  args.in = nullptr;
  args.page = nullptr;
  args.orname = nullptr;
  args.alias_status = nullptr;
  history_.push_back(std::move(args));
  return step.result;
}

void copy_field(char* field, std::size_t width, const std::string& text) {
  if (width == 0) return;
  std::size_t n = text.size() < width - 1 ? text.size() : width - 1;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

}  // namespace kv::engine::testing

using kv::engine::testing::FakeCallArgs;
using kv::engine::testing::fake_api;

namespace {
std::string text_of(const char* s) { return s ? std::string(s) : std::string(); }

// The arguments of a call of `op` on the session `handle`; each operation adds its own.
FakeCallArgs call_on(const char* op, ApiId handle) {
  FakeCallArgs a;
  a.op = op;
  a.handle = handle;
  return a;
}
}  // namespace

extern "C" {

short API_open(OpenSession* open, SessionInfo* info, ApiId* handle) {
  FakeCallArgs a;
  a.op = "API_open";
  a.open = open;
  a.info = info;
  if (info) std::memset(info, 0, sizeof *info);
  short r = fake_api().call(a);
  if (r == 0 && handle) *handle = &kv::engine::testing::session_marker;
  return r;
}

short API_close(ApiId handle) {
  FakeCallArgs a = call_on("API_close", handle);
  return fake_api().call(a);
}

short API_initOrname(ORName* orname) {
  fake_api().note("API_initOrname");
  if (!orname) return -1;
  std::memset(orname, 0, sizeof *orname);
  return 0;
}

short API_aliasToOrname(ApiId handle, const char* alias, short* status, ORName* orname) {
  FakeCallArgs a = call_on("API_aliasToOrname", handle);
  a.text = text_of(alias);
  a.alias_status = status;
  a.orname = orname;
  if (status) *status = 1;
  return fake_api().call(a);
}

short API_sendMsg(ApiId handle, MessageOut* out) {
  FakeCallArgs a = call_on("API_sendMsg", handle);
  a.out = out;
  return fake_api().call(a);
}

short API_getMsg(ApiId handle, const char* list_id, MessageIn* in, const char* dir) {
  FakeCallArgs a = call_on("API_getMsg", handle);
  a.list_id = text_of(list_id);
  a.in = in;
  a.directory = text_of(dir);
  if (in) std::memset(in, 0, sizeof *in);
  return fake_api().call(a);
}

short API_getAnnouncement(ApiId, short*, const char*, MessageIn*) {
  fake_api().note("API_getAnnouncement");
  return 0;
}

short API_delMsg(ApiId handle, const char* list_id) {
  FakeCallArgs a = call_on("API_delMsg", handle);
  a.list_id = text_of(list_id);
  return fake_api().call(a);
}

short API_listMbxInNext(ApiId handle, const char* filter, const char* previous, short length,
                        MessageSummary* page) {
  FakeCallArgs a = call_on("API_listMbxInNext", handle);
  a.filter = text_of(filter);
  a.previous_list_id = text_of(previous);
  a.page_length = length;
  a.page = page;
  if (page && length > 0) std::memset(page, 0, sizeof(MessageSummary) * length);
  return fake_api().call(a);
}

short API_listAnnouncementNext(ApiId, short*, const char*, const char*, short, MessageSummary*) {
  fake_api().note("API_listAnnouncementNext");
  return 0;
}

short API_changeNetworkPwd(ApiId handle, const char* password) {
  FakeCallArgs a = call_on("API_changeNetworkPwd", handle);
  a.text = text_of(password);
  return fake_api().call(a);
}

short API_acceptedSince(ApiId handle, const char* ip_msg_id, long long since, short* accepted) {
  FakeCallArgs a = call_on("API_acceptedSince", handle);
  a.text = text_of(ip_msg_id);
  a.since = since;
  a.accepted = accepted;
  if (accepted) *accepted = 0;
  return fake_api().call(a);
}

short API_verdictValue(void) {
  fake_api().note("API_verdictValue");
  return fake_api().verdict();
}

// Not recorded among the calls: the engine asks it only to explain a failure in the journal.
short API_verdictText(char* text, short size) {
  if (text == nullptr || size <= 0) return -1;
  const std::string& reason = fake_api().verdict_text();
  std::size_t n = std::min(reason.size(), static_cast<std::size_t>(size - 1));
  reason.copy(text, n);
  text[n] = '\0';
  return reason.empty() ? -1 : 0;
}

short API_version(void) { return API_INTERFACE_VERSION; }

}  // extern "C"

namespace kv {
void api_set_dialog_handle(int) {}
}  // namespace kv
