// Timing of the modes that work through the application files, at 10,000 and 100,000 records:
// update (/U=), purge, gathering, report processing and retrieve (/R). Each should grow linearly
// with the number of records. Then the splitting of an EDIFACT send request of a tenth as many
// interchanges (about 6 KB each), once one segment per line and once all on one line, against
// awk splitting the line layout at "UNB+" into one file per interchange.
// Not a test: run by hand (kv_appfiles_bench [largest count] [steps]).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/rcv_record.h"
#include "client/appfiles/report_processing.h"
#include "client/appfiles/snd_record.h"
#include "client/common/home.h"
#include "client/common/open_files.h"
#include "client/common/report_layout.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "platform/fs.h"
#include "platform/system_info.h"
#include "platform/testing/fake_clock.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

void write_text(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

std::string stored_record(int i, const std::string& stamp) {
  StatusRecord status;
  status.set(status::kTag, "*001ONTVANG");
  status.set(status::kStamp, stamp);
  status.set(status::kResult, "0000");
  status.set(status::message::kListId, format("L%07d", i));
  status.set(status::message::kMessageId, format(i % 4 == 0 ? "EDI%06dABC" : "MSG%06dXYZ", i));
  status.set(status::message::kFileCount, "1");
  status.set(status::message::kFirstFile, format("P%07d.001", i));
  status.set(status::message::kSubject, "Onderwerp van het bericht");
  status.set(status::message::kOriginator, "NL");
  status.set(status::message::kSurname, format("SURNAME%d", i % 97));
  return build_rcv_record("APP", status).line();
}

// A store of `count` records with one part file each; every other record is old.
std::vector<std::string> make_store(const kv::testing::TempDir& dir, int count) {
  std::vector<std::string> records;
  std::string text;
  for (int i = 0; i < count; ++i) {
    records.push_back(stored_record(i, i % 2 == 0 ? "202403140900" : "202301010900"));
    text += records.back() + "\n";
    write_text(dir.file(format("P%07d.001", i)), format("part of message %d\n", i));
  }
  write_text(dir.file("qrtlnk.rcv"), text);
  return records;
}

// The files just made are forced to disk first: otherwise the first sync of a timed step pays
// for writing out the whole prepared directory.
double seconds(const std::function<void()>& step) {
  fs::sync_file(app_home().fullpath("."));
  auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void prepare_home(const kv::testing::TempDir& dir) {
  reset_run_state();
  run_state().home_dir = dir.path();
  app_home().set(dir.path());
}

double time_update(int count) {
  kv::testing::TempDir dir;
  prepare_home(dir);
  std::vector<std::string> records = make_store(dir, count);
  std::string application;
  for (int i = 0; i < count; ++i) {
    application += (i % 2 == 0 ? records[static_cast<std::size_t>(i)] : "some other line") + "\n";
  }
  write_text(dir.file("taken.txt"), application);
  return seconds([] { update_receive_store("taken.txt"); });
}

double time_purge_and_gathering(int count) {
  kv::testing::TempDir dir;
  prepare_home(dir);
  make_store(dir, count);
  write_text(dir.file("qrtlnk.scr"),
             "*000CONNECT\n*001ONTVANG\nMID=EDI???ABC\nFIL=orders.edi\n*002ONTVANG\n");
  std::string status = "*000CONNECT|202403151030|0000\n";
  status += "*001ONTVANG|202403151031|0000|L1|EDI999999ABC|1|0|0|orders.edi\n";
  status += "*002ONTVANG|202403151032|0000|L2|MSG999999XYZ|1|0|1|NEW00001.001\n";
  write_text(dir.file("qrtlnk.sts"), status);
  write_text(dir.file("NEW00001.001"), "new\n");
  return seconds([] { verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts"); });
}

double time_reports(int count) {
  kv::testing::TempDir dir;
  prepare_home(dir);
  std::string queue;
  std::string reports;
  for (int i = 0; i < count; ++i) {
    SndRecord record;
    record.set(snd::kResultStamp, "202403141200");
    record.set(snd::kResultCode, "0000");
    record.set(snd::kMessageId, format("MSG%07d", i / 2));
    record.set(snd::kRecipientKind, i % 2 == 0 ? "1" : "2");
    set_snd_completed_delivery(record);
    record.set(snd::kDelete, "0");
    record.set(snd::kSurname, format("RECIPIENT%d", i % 2));
    queue += record.line() + "\n";
    // Reports arrive in another order than the records.
    int j = (i * 7919) % count;
    ReportRecord line;
    line.set(report::kMessageId, format("MSG%07d", j / 2));
    line.set(report::kMessageType, i % 3 == 0 ? "3" : "2");
    line.set(report::kNotifyType, "1");
    line.set(report::kDeliveryTime, "202403151000");
    line.set(report::kReason, "00");
    line.set(report::kDiagnostic, "00");
    line.set(report::kRecipientSurname, format("RECIPIENT%d", j % 2));
    reports += line.text() + "\n";
  }
  write_text(dir.file("qrtlnk.snd"), queue);
  write_text(dir.file("qrt400.rap"), reports);
  write_text(dir.file("qrtlnk.sts"), "*005RAPPORT|202403151101|0000||qrt400.rap|0\n");
  return seconds([] {
    OpenFile status(app_home().open("qrtlnk.sts", "rb"));
    process_reports(status.get());
  });
}

double time_retrieve(int count) {
  kv::testing::TempDir dir;
  prepare_home(dir);
  make_store(dir, count);
  run_state().retrieve_mode = RetrieveMode::kBytes;
  run_state().mid_selection = "EDI*";
  run_state().fil_name = "out.dat";
  return seconds([] { retrieve(RetrieveMode::kBytes); });
}

// --- EDIFACT splitting ------------------------------------------------------------------------

// One interchange of about 6 KB: UNB, UNH, fourteen text segments, UNT, UNZ.
std::string bench_interchange(int i, const char* segment_end) {
  std::string ref = format("%d", i);
  std::string out = "UNB+UNOA:1+SENDER:ZZ+PARTNER" + format("%d", i % 50) + ":ZZ+240307:1030+" + ref +
                    "'" + segment_end + "UNH+M" + ref + "+INVOIC:D:96A:UN'" + segment_end;
  for (int l = 0; l < 14; ++l) {
    out += "FTX+AAI+++" + std::string(400, static_cast<char>('a' + l)) + "?'s'" + segment_end;
  }
  return out + "UNT+16+M" + ref + "'" + segment_end + "UNZ+1+" + ref + "'" + segment_end;
}

long long write_edifact_file(const std::string& path, int interchanges, const char* segment_end) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  long long size = 0;
  for (int i = 0; i < interchanges; ++i) {
    std::string text = bench_interchange(i, segment_end);
    std::fwrite(text.data(), 1, text.size(), f);
    size += static_cast<long long>(text.size());
  }
  std::fclose(f);
  return size;
}

// Peak resident memory of the process so far, in MB.
double peak_memory_mb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

double time_edifact_split(int interchanges, const char* segment_end) {
  kv::testing::TempDir dir;
  prepare_home(dir);
  write_text(dir.file("qrtlnk.gns"), "POS=U\nPIN=P\n");
  write_text(dir.file("list.tmp"), "");
  run_state().interchange_list = "list.tmp";
  long long size = write_edifact_file(dir.file("big.edi"), interchanges, segment_end);
  write_text(dir.file("qrtlnk.scr"), "*001ZEND\nMID=EDI\nFIL=big.edi\n");
  double before = peak_memory_mb();
  const double processor_before = system_info::processor_seconds();
  double s = seconds([] { vertaal_opdrachten("qrtlnk.scr"); });
  const double processor_used = system_info::processor_seconds() - processor_before;
  std::printf("  %-28s %6.1f MB %8.3f s   (processor %.3f s)   peak memory %.1f MB (before %.1f MB)\n",
              *segment_end != '\0' ? "kovendi, segment per line" : "kovendi, all on one line",
              static_cast<double>(size) / 1e6, s, processor_used, peak_memory_mb(), before);
  return s;
}

double time_awk_split(int interchanges) {
  kv::testing::TempDir dir;
  long long size = write_edifact_file(dir.file("big.edi"), interchanges, "\n");
  // bash's time gives awk's processor time (user and system) in awk.cpu.
  std::string command = "cd '" + dir.path() +
                        "' && bash -c 'TIMEFORMAT=\"%3U %3S\"; time awk \"/^UNB\\\\+/ { if (f) "
                        "close(f); f = sprintf(\\\"A%06d.edi\\\", ++n) } { print > f }\" big.edi' "
                        "2> awk.cpu";
  fs::sync_file(dir.path());
  auto start = std::chrono::steady_clock::now();
  int rc = std::system(command.c_str());
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double user = 0, system = 0;
  std::ifstream cpu(dir.file("awk.cpu"));
  cpu >> user >> system;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    files += entry.path().filename().string().rfind('A', 0) == 0 ? 1 : 0;
  }
  std::printf("  %-28s %6.1f MB %8.3f s   (processor %.3f s)   %d files%s\n",
              "awk, segment per line", static_cast<double>(size) / 1e6, s, user + system, files,
              rc == 0 ? "" : "   (awk failed)");
  return s;
}

void time_edifact(int interchanges) {
  std::printf("EDIFACT send request of %d interchanges:\n", interchanges);
  std::fflush(stdout);
  double awk = time_awk_split(interchanges);
  double lines = time_edifact_split(interchanges, "\n");
  double one_line = time_edifact_split(interchanges, "");
  std::printf("  against awk: segment per line %.2fx, one line %.2fx (below 1: faster)\n",
              lines / awk, one_line / awk);
}

}  // namespace
}  // namespace kv

int main(int argc, char** argv) {
  const int largest = argc > 1 ? std::atoi(argv[1]) : 100000;
  const std::string only = argc > 2 ? argv[2] : "";  // run only the steps whose name begins so
  kv::testing::FakeClock clock;
  clock.set_local_time(2024, 3, 15, 10, 30, 0);
  struct Step {
    const char* name;
    double (*run)(int);
  };
  const Step steps[] = {{"update /U=", kv::time_update},
                        {"purge + gathering", kv::time_purge_and_gathering},
                        {"report processing", kv::time_reports},
                        {"retrieve /R", kv::time_retrieve}};
  std::printf("%-20s %12s %12s %8s\n", "step", "10%", "100%", "ratio");
  for (const Step& step : steps) {
    if (std::string(step.name).compare(0, only.size(), only) != 0) continue;
    double small = step.run(largest / 10);
    double large = step.run(largest);
    std::printf("%-20s %10.3f s %10.3f s %8.1f\n", step.name, small, large, large / small);
    std::fflush(stdout);
  }
  std::printf("records: %d and %d; a linear step shows a ratio near 10\n", largest / 10, largest);
  if (std::string("edifact").compare(0, only.size(), only) == 0) kv::time_edifact(largest / 10);
  return 0;
}
