// What the program entry calls in the application-file layer.
#pragma once

#include <string>
#include <vector>

#include "client/common/run_intent.h"
#include "client/common/run_state.h"

namespace kv {

// Normal run, before anything is written: a status file (/S=) or request file (/O=) that is
// another of the client's own files ends the run with error 4 naming the parameter.
void refuse_own_files_as_run_files(const std::string& command_file, const std::string& status_file);
// Normal run, before the session.
void vertaal_opdrachten(const std::string& command_file);
void vertaal_scriptin(const std::string& command_file);

// Normal run, after the session.
void verwerk_resultaten(const std::string& command_file, const std::string& status_file);
// Send-queue update when the session left no status file.
void update_send_queue_without_status();
void merge_interchange_list();
void versleutel_pins(const std::string& command_file);
void rotate_command_file(const std::string& command_file);

// Local modes.
void clean_send_queue();                                     // /C
void retrieve(RetrieveMode kind);                            // /R, /RT
void update_receive_store(const std::string& application_file);  // /U=
// A /U= killed after its new store was in place: its application file's lines are crossed out
// and the part files of the records it took over removed, from what its intent record holds.
void finish_killed_update(const std::vector<IntentLine>& record);
// A /R or /RT killed after its output file was in place: the records it took out leave the store
// and their part files go.
void finish_killed_retrieve(const std::vector<IntentLine>& record);
// Merges the interchange list of a killed normal run; files the run had rebuilt already are left
// as they are (their work files only go).
void finish_killed_merge(const std::vector<IntentLine>& record);
// The interchange work files of a normal run killed before its session (its list may not name
// them all): they only repeat what the application's files still hold.
void remove_work_file_series(const std::vector<IntentLine>& record);

// What a killed run's session left uncertain at the message service becomes a question for the
// next session (client/common/open_questions.h); run before its results are processed.
void note_killed_session(const std::vector<IntentLine>& record);
// Carries the answers of a session into the application's files and drops the answered
// questions; run after the results are processed.
void settle_open_questions();

// The copy of a command file that a normal run keeps for its recovery, with its passwords
// scrambled and readable by the owner only; false when it could not be made and flushed.
bool copy_with_scrambled_pins(const std::string& command_file, const std::string& copy);
// Whether two command files hold the same request, their passwords plain or scrambled.
bool same_request(const std::string& a, const std::string& b);

}  // namespace kv
