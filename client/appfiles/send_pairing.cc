// Settling the run's send-queue records from the ZEND status lines, without file access.
//
// The run's records are matched to the status lines one send at a time. QRTLNK.SAV tells how the
// records divide into sends: a plain send block has one record per recipient (one more than its
// CCO/BCO lines), an EDIFACT block one send of one record per interchange (counted in the
// interchange list). A send's status lines are the consecutive ZEND lines with its message
// identifier; each record takes the line of its own recipient. Everything is one pass over the
// records and the lines plus hash look-ups.
#include "client/appfiles/send_pairing.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "client/appfiles/request_text.h"
#include "client/appfiles/snd_record.h"
#include "client/common/send_keywords.h"
#include "client/common/status_codes.h"
#include "client/common/text.h"

namespace kv {

namespace {

constexpr std::size_t kTagLength = 14;
const std::string kNoStatus = kCodeNotSent;

// A ZEND status line with this code completes its records from the line: the send succeeded, or
// the messaging interface failed after taking it.
bool completes_records(const std::string& code) {
  return code == kCodeSuccess || is_interface_code(code);
}

std::string tag_of(const std::string& command_line) {
  return to_upper(command_line.substr(0, kTagLength));
}

// --- records ---------------------------------------------------------------------------------

void give_result(SndRecord& record, const std::string& stamp, const std::string& code) {
  record.set(snd::kResultStamp, stamp);
  record.set(snd::kResultCode, code);
  set_snd_completed_delivery(record);
}

const std::string kListKind = "4";
const std::string kDistributionFileKind = "5";

bool is_list_record(const SndRecord& record) {
  return record.get(snd::kRecipientKind) == kListKind;
}

// Whether a status line can be the line of a record's recipient: the recipient kinds agree. A
// message with a distribution file shows "5" for every recipient, and a line that a command wrote
// before it had recipients shows none; those lines say nothing about the kind.
bool same_kind(const SndRecord& record, const StatusRecord& status) {
  const std::string_view line_kind = status.get(status::zend::kRecipientKind);
  const std::string_view record_kind = record.get(snd::kRecipientKind);
  if (line_kind.empty() || line_kind == kDistributionFileKind) return true;
  if (record_kind == kDistributionFileKind) return true;
  return line_kind == record_kind;
}

// A record belongs to a status line when its alias equals the line's alias, or, without alias,
// when each of its address fields that is filled equals the line's field of the same meaning. A
// distribution list has neither in the status file; it is known by its kind alone.
bool belongs(const SndRecord& record, const StatusRecord& status) {
  if (is_list_record(record)) return false;
  const std::string_view alias = record.get(snd::kAlias);
  if (!alias.empty()) return status.get(status::zend::kAlias) == alias;
  for (const send_keywords::KeywordFields& address : send_keywords::kAddress) {
    if (address.record < snd::kCountry || address.record > snd::kInitials) continue;
    const std::string_view value = record.get(address.record);
    if (!value.empty() && status.get(address.status) != value) return false;
  }
  return true;
}

// The record's fields that the status line knows, from the line (an open record has every field).
void complete(SndRecord& record, const StatusRecord& status) {
  record.set(snd::kResultStamp, status.get(status::kStamp));
  record.set(snd::kResultCode, status.get(status::kResult));
  for (const send_keywords::KeywordFields& value : send_keywords::kMessage) {
    if (value.engine_decides) record.set(value.record, status.get(value.status));
  }
  // A list record keeps its list name: the status line has no alias for it.
  const bool keep_list_name = is_list_record(record);
  for (const send_keywords::KeywordFields& address : send_keywords::kAddress) {
    if (keep_list_name && address.record == snd::kAlias) continue;
    record.set(address.record, status.get(address.status));
  }
}

// Whether a record without alias may take an address line of its kind whose address differs: the
// engine sends a copy recipient under its own default country and domains, where the record
// carries those of the recipient before it. An alias must always be the record's own.
bool may_pair_by_kind(const SndRecord& record, const StatusRecord& status) {
  bool record_has_alias = !is_list_record(record) && !record.empty(snd::kAlias);
  return !record_has_alias && !status.empty(status::zend::kRecipientKind) &&
         status.empty(status::zend::kAlias);
}

// The status line of each record of a send (an index into `lines`, or -1 when it has none). A
// record takes a line of its own recipient kind: first one whose address is its own, then, in
// order, an address line of its kind (may_pair_by_kind). Never a line of another kind.
std::vector<long> pair_records_with_lines(const std::vector<const SndRecord*>& records,
                                          const std::vector<const StatusRecord*>& lines) {
  std::vector<long> line_of(records.size(), -1);
  std::vector<bool> used(lines.size(), false);
  auto pair = [&](bool by_address) {
    for (std::size_t r = 0; r < records.size(); ++r) {
      if (line_of[r] >= 0) continue;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        if (used[i] || !same_kind(*records[r], *lines[i])) continue;
        if (by_address ? !belongs(*records[r], *lines[i])
                       : !may_pair_by_kind(*records[r], *lines[i])) {
          continue;
        }
        used[i] = true;
        line_of[r] = static_cast<long>(i);
        break;
      }
    }
  };
  pair(true);
  pair(false);
  return line_of;
}

// --- QRTLNK.SAV blocks -------------------------------------------------------------------------

// Records of a plain send block: one per recipient, a new one after every CCO or BCO line.
std::size_t plain_block_records(const SavBlock& block) {
  std::size_t records = 1;
  for (std::size_t i = 1; i < block.lines.size(); ++i) {
    const std::string& line = block.lines[i];
    if (equals_ignore_case(line, "BCO=") || equals_ignore_case(line, "BCO") ||
        equals_ignore_case(line, "CCO=") || equals_ignore_case(line, "CCO")) {
      ++records;
    }
  }
  return records;
}

// --- sends -----------------------------------------------------------------------------------

struct Send {
  long block = -1;            // index into SavFile::blocks, -1 when unknown
  std::string tag;
  std::string mid;
  std::vector<std::size_t> records;  // indexes into the run's records
  bool asked = false;         // a killed run left its outcome open (killed_session.h)
  std::string answer;         // the service's answer; empty while the question is open
};

// Sends whose outcome a killed run left open: their records wait for the service's answer.
void mark_asked_sends(std::vector<Send>& sends, const std::vector<SndRecord>& records,
                      const SendQuestions& questions) {
  if (questions.answers.empty()) return;
  for (Send& send : sends) {
    if (send.records.empty()) continue;
    const SndRecord& first = records[send.records.front()];
    send.asked =
        questions.concerns(first.str(snd::kMessageId), first.str(snd::kRequestStamp), &send.answer);
  }
}

std::vector<Send> divide_into_sends(const SavFile& sav, const std::vector<SndRecord>& records,
                                    const std::vector<std::size_t>& open,
                                    const std::unordered_map<long, std::size_t>& interchanges) {
  std::vector<Send> sends;
  std::size_t next = 0;
  auto take = [&](Send& send, std::size_t count) {
    for (std::size_t i = 0; i < count && next < open.size(); ++i) send.records.push_back(open[next++]);
    if (!send.records.empty()) send.mid = records[send.records.front()].str(snd::kMessageId);
  };
  // Records left open by an earlier run that ended before its own update stand in front of this
  // run's records; QRTLNK.SAV describes only this run's, so those are set apart first.
  std::size_t described = 0;
  for (std::size_t b = 0; b < sav.blocks.size(); ++b) {
    auto counted = interchanges.find(static_cast<long>(b + 1));
    described += counted == interchanges.end() ? plain_block_records(sav.blocks[b]) : counted->second;
  }
  while (described > 0 && open.size() - next > described) {
    Send leftover;
    take(leftover, 1);
    sends.push_back(std::move(leftover));
  }
  for (std::size_t b = 0; b < sav.blocks.size() && next < open.size(); ++b) {
    const SavBlock& block = sav.blocks[b];
    auto counted = interchanges.find(static_cast<long>(b + 1));
    std::size_t sends_of_block = counted == interchanges.end() ? 1 : counted->second;
    std::size_t records_per_send = counted == interchanges.end() ? plain_block_records(block) : 1;
    for (std::size_t s = 0; s < sends_of_block && next < open.size(); ++s) {
      Send send;
      send.block = static_cast<long>(b);
      send.tag = tag_of(block.lines.front());
      take(send, records_per_send);
      sends.push_back(std::move(send));
    }
  }
  // Records that QRTLNK.SAV does not account for: a new send at each first recipient or change
  // of message identifier.
  while (next < open.size()) {
    const SndRecord& record = records[open[next]];
    std::string mid = record.str(snd::kMessageId);
    if (sends.empty() || sends.back().block >= 0 || sends.back().mid != mid ||
        record.get(snd::kRecipientKind) == "1") {
      Send send;
      send.mid = mid;
      sends.push_back(std::move(send));
    }
    sends.back().records.push_back(open[next++]);
  }
  return sends;
}

// --- the walk --------------------------------------------------------------------------------

class Walk {
 public:
  Walk(std::vector<SndRecord>& records, std::vector<Send>& sends, SavFile& sav,
       const std::vector<ZendStatusLine>& status, const std::string& today)
      : records_(records), sends_(sends), sav_(sav), status_(status), today_(today) {
    for (const Send& send : sends_) {
      ++later_by_mid_[send.mid];
      ++later_by_tag_[send.tag];
    }
  }

  void run() {
    for (Send& send : sends_) {
      --later_by_mid_[send.mid];
      --later_by_tag_[send.tag];
      if (send.asked) {
        settle_by_answer(send);
      } else {
        settle(send);
      }
    }
  }

 private:
  bool is_for(const ZendStatusLine& line, const Send& send) const {
    return line.mid.empty() ? line.tag == send.tag : line.mid == send.mid;
  }
  bool is_for_later_send(const ZendStatusLine& line) {
    return line.mid.empty() ? later_by_tag_[line.tag] > 0 : later_by_mid_[line.mid] > 0;
  }

  void settle(Send& send) {
    for (;;) {
      const ZendStatusLine* line = peek();
      if (line == nullptr) {
        without_status(send, today_);  // the session ended before this send
        return;
      }
      if (is_for(*line, send)) {
        apply(send, take_lines(send));
        return;
      }
      if (is_for_later_send(*line)) {
        without_status(send, usable_stamp(line->stamp));  // the engine passed this send over
        return;
      }
      ++next_;  // a line that no send of this run accounts for
    }
  }

  const ZendStatusLine* peek() const { return next_ < status_.size() ? &status_[next_] : nullptr; }

  std::vector<const ZendStatusLine*> take_lines(const Send& send) {
    std::vector<const ZendStatusLine*> lines;
    const ZendStatusLine* line = peek();
    std::string tag = line->tag;
    std::string mid = line->mid;
    std::size_t limit = send.records.empty() ? 1 : send.records.size();
    while (line != nullptr && lines.size() < limit && line->tag == tag && line->mid == mid) {
      lines.push_back(line);
      ++next_;
      line = peek();
    }
    return lines;
  }

  std::string usable_stamp(const std::string& stamp) const { return stamp.empty() ? today_ : stamp; }

  // A send whose status a killed run left open: its records stay open until the service has
  // answered, then take the answer ("0000" accepted, "2006" not sent).
  void settle_by_answer(const Send& send) {
    if (!send.answer.empty()) {
      for (std::size_t r : send.records) give_result(records_[r], today_, send.answer);
    }
    mark_block(send, send.answer == kCodeSuccess);
  }

  void without_status(const Send& send, const std::string& stamp) {
    for (std::size_t r : send.records) give_result(records_[r], stamp, kNoStatus);
    mark_block(send, false);
  }

  void apply(const Send& send, const std::vector<const ZendStatusLine*>& lines) {
    const ZendStatusLine* failure = nullptr;
    for (const ZendStatusLine* line : lines) {
      if (!completes_records(line->code) && failure == nullptr) failure = line;
    }
    std::vector<const SndRecord*> send_records;
    std::vector<const StatusRecord*> line_fields;
    for (std::size_t r : send.records) send_records.push_back(&records_[r]);
    for (const ZendStatusLine* line : lines) line_fields.push_back(&line->fields);
    std::vector<long> line_of = pair_records_with_lines(send_records, line_fields);
    bool all_ok = true;
    for (std::size_t k = 0; k < send.records.size(); ++k) {
      SndRecord& record = records_[send.records[k]];
      const bool settled = line_of[k] >= 0;
      if (settled) {
        const std::size_t i = static_cast<std::size_t>(line_of[k]);
        if (completes_records(lines[i]->code)) {
          complete(record, lines[i]->fields);
          set_snd_completed_delivery(record);
          if (record.empty(snd::kResultStamp)) {
            record.set(snd::kResultStamp, today_);
          }
        } else {
          give_result(record, usable_stamp(lines[i]->stamp), lines[i]->code);
        }
      }
      if (!settled && failure != nullptr) {
        // The send failed as a whole: every recipient shares its result.
        give_result(record, usable_stamp(failure->stamp), failure->code);
      } else if (!settled) {
        give_result(record, usable_stamp(lines.front()->stamp), kNoStatus);
      }
      if (record.get(snd::kResultCode) != kCodeSuccess) all_ok = false;
    }
    mark_block(send, all_ok);
  }

  void mark_block(const Send& send, bool ok) {
    if (send.block >= 0 && !ok) sav_.blocks[static_cast<std::size_t>(send.block)].succeeded = false;
  }

  std::vector<SndRecord>& records_;
  std::vector<Send>& sends_;
  SavFile& sav_;
  const std::vector<ZendStatusLine>& status_;
  std::size_t next_ = 0;  // the first status line not yet taken or passed over
  std::string today_;
  std::unordered_map<std::string, long> later_by_mid_;
  std::unordered_map<std::string, long> later_by_tag_;
};

// Blocks that were not reached by the status file keep "succeeded" only when they had sends
// that all completed; a block without any send of this run (nothing recorded) is kept.
void mark_unreached_blocks(SavFile& sav, const std::vector<Send>& sends) {
  std::vector<bool> has_send(sav.blocks.size(), false);
  for (const Send& send : sends) {
    if (send.block >= 0) has_send[static_cast<std::size_t>(send.block)] = true;
  }
  for (std::size_t b = 0; b < sav.blocks.size(); ++b) {
    if (!has_send[b]) sav.blocks[b].succeeded = false;
  }
}

}  // namespace

bool read_zend_status_line(const std::string& line, ZendStatusLine& out) {
  StatusRecord fields(line);
  std::string tag = fields.str(status::kTag);
  if (!is_command(tag, "ZEND")) return false;
  std::string stamp = fields.str(status::kStamp);
  std::string code = fields.str(status::kResult);
  std::string mid = fields.str(status::zend::kMessageId);
  out = ZendStatusLine{std::move(fields), to_upper(tag), std::move(stamp), std::move(code),
                       std::move(mid)};
  return true;
}

void SavFile::add_line(const std::string& line) {
  if (is_command_line(line)) {
    blocks.emplace_back();
  } else if (blocks.empty()) {
    leading.push_back(line);
    return;
  }
  blocks.back().lines.push_back(line);
}

void settle_run_records(std::vector<SndRecord>& records, const std::vector<std::size_t>& open,
                        SavFile& sav, const SendFacts& facts,
                        const std::vector<ZendStatusLine>& status, const std::string& today) {
  std::vector<Send> sends = divide_into_sends(sav, records, open, facts.interchanges_per_block);
  mark_asked_sends(sends, records, facts.questions);
  Walk walk(records, sends, sav, status, today);
  walk.run();
  mark_unreached_blocks(sav, sends);
}

}  // namespace kv
