// The lines that the engine writes to its journal (qrt400.log) of its own accord: one entry a line,
// grouped by the step that writes it. A step names the entry; the words live here. Texts that
// carry a value hold a "%s" where it goes, filled in by `kv::filled` (byte for byte, so a value
// with any byte in it is shown as it is). The blocks that describe a session (banner, settings,
// connection parameters) are laid out in session_journal.cc; the reasons of failures come from
// failure_reason.h.
#pragma once

namespace kv::engine::journal_text {

inline constexpr char kBlank[] = "";

// The engine settings ($qrt400.prm).
inline constexpr char kSettingsLineTooLong[] =
    "Recordlengte te lang in parameter ($qrt400.prm) bestand";

// The command file and its commands.
inline constexpr char kCommandFileMissing[] = "QRT400 opdrachten bestand niet aanwezig";
inline constexpr char kCommandLineTooLong[] = "Fout in record opdrachtenbestand (record te lang)";
inline constexpr char kCommand[] = "Commando: >%s<";
inline constexpr char kConnectMissing[] = "CONNECT commando ontbreekt";
inline constexpr char kCheckingAttributes[] = "Check attributen van commando";
inline constexpr char kSequenceNotNumeric[] = "volgnummer in commando niet numeriek";
inline constexpr char kSkipToNextCommand[] = "commando fout, skip bestand tot volgende commando";
inline constexpr char kAttributesWrongSkip[] = "Fout in attributen, skip commando (#%s)";
inline constexpr char kAttributesWrongEnd[] = "Fout in attributen, einde programma";
inline constexpr char kCheckingDirectory[] = "DEBUG|Checking DIR attribute: %s";
inline constexpr char kDirectoryOkay[] = "DEBUG|DIR attribute is okay";

// The session: the open and the status file.
inline constexpr char kConnected[] = "Verbinding is opgezet";
inline constexpr char kOpenFailed[] = "Fout bij API_open";
inline constexpr char kNoMemoryForStatusFile[] =
    "Fout, tijdens reserveren geheugen voor statusbestand";
inline constexpr char kCommandFileIsStatusFile[] =
    "Fout, opdrachten bestand is gelijk aan status bestand";
inline constexpr char kStatusFileReadOnly[] = "Fout, status bestand is beveiligd mbt schrijven";
inline constexpr char kStatusFileNotOpened[] = "Fout bij openen QRT400 statusbestand";
inline constexpr char kStatusFileNotWritten[] = "Fout bij schrijven QRT400 statusbestand";
inline constexpr char kTooLittleMemory[] = "Te weinig geheugen";

// Sending (ZEND).
inline constexpr char kEnvelopeTooLarge[] = "EDIFACT envelop is te groot (max. 2095104 bytes";
inline constexpr char kNoMemoryForMidTable[] = "onvoldoende geheugen bij vullen MID tabel";
inline constexpr char kRemoveOptionGiven[] = "De verwijder optie is opgegeven";
inline constexpr char kFilesToBeRemoved[] = "De volgende bestanden worden verwijderd:";
inline constexpr char kSendNotRecorded[] =
    "Fout bij vastleggen zending in qrtlnk.bsy: niet verzonden";
inline constexpr char kSendCommandFailed[] = "fout in 'ZEND' opdracht";
inline constexpr char kSendStart[] = "start API_sendMsg";
inline constexpr char kEnvelopeQueued[] = "Envelop toegevoegd in 'wachtlijst'";
inline constexpr char kSendAccepted[] = "Zend akkoord";

// Receiving.
inline constexpr char kFilesInitialised[] = "bestanden geinitialiseerd";
inline constexpr char kFilesFetched[] = "bestand(en) opgehaald";
inline constexpr char kReceivedFilesNotWritten[] = "Fout bij schrijven ontvangen bestanden";
inline constexpr char kGetFailed[] = "fout in API_getMsg";
inline constexpr char kNotAMessage[] = "Fout bij ontvang, ListId is niet van type 'MSG'";
inline constexpr char kNothingFetched[] = "Er zijn geen bestanden opgehaald";
inline constexpr char kFetchStart[] = "start %s met listId >%s<";
inline constexpr char kFetchNotRecorded[] =
    "Fout bij vastleggen ophalen in qrtlnk.bsy: niet opgehaald";
inline constexpr char kGetOkay[] = "API_getMsg: OK (MID=%s)";
inline constexpr char kInvalidListIdSkipped[] = "ongeldig listId in lijst, overgeslagen: >%s<";

// Listing the mailbox, and selections.
inline constexpr char kListStart[] = "start %s";
inline constexpr char kListAnnouncementsFrom[] =
    "API_listAnnouncementNext (pb: %s) met listId >%s<";
inline constexpr char kListMailboxFrom[] = "API_listMbxInNext met listId >%s<";
inline constexpr char kListFailed[] = "Fout in %s";
inline constexpr char kListOkay[] = "%s: OK";
inline constexpr char kWaitListStart[] = "start API_listMbxInNext";
inline constexpr char kTooManySelectionCriteria[] = "Te veel attributen bij selektie";
inline constexpr char kSelectionLinesWrong[] = "Fout in regels selektiebestand (SEL attribuut)";
inline constexpr char kSelectionFileEmpty[] =
    "Selektiebestand ('SEL' attribuut) bevat geen attributen";
inline constexpr char kSelectionLineWrong[] = "Fout in record selektiebestand ('SEL' attribuut)";
inline constexpr char kSelectingWithFile[] = "Selektie met inhoud van selektiebestand";
inline constexpr char kSelectionFileNotOpened[] = "Fout bij openen bestand 'SEL' attribuut";

// A KILL message in the mailbox.
inline constexpr char kKillMessage[] = "speciaal KILL bericht in postbus";
inline constexpr char kKillSender[] = "Afzender: %s";
inline constexpr char kKillSubjectTooShort[] = "lengte veld subject is korter dan 9 posities";
inline constexpr char kKillSubjectWildcards[] = "veld subject bevat selektietekens";
inline constexpr char kKillNotSearched[] = "bericht wordt niet opgezocht";
inline constexpr char kKillSearching[] = "gezocht wordt naar bericht met msgId: %s";
inline constexpr char kKillTargetFound[] = "bericht gevonden, wordt nu verwijderd";
inline constexpr char kKillTargetRemoved[] = "bericht susccesvol verwijderd";
inline constexpr char kKillTargetNotRemoved[] = "error bij verwijderen bericht";
inline constexpr char kKillTargetListId[] = "ListId: %s";
inline constexpr char kKillTargetAbsent[] = "het te verwijderen bericht, staat niet in de postbus";
inline constexpr char kKillRemoved[] = "KILL bericht wordt verwijderd";

// Deleting a message.
inline constexpr char kDeleteStart[] = "start API_delMsg met listId >%s<";
inline constexpr char kDeleteOkay[] = "API_delMsg: OK";
inline constexpr char kDeleteFailed[] = "fout in API_delMsg";

// Changing the password.
inline constexpr char kPasswordStart[] = "start API_changeNetworkPwd";
inline constexpr char kPasswordNotRecorded[] =
    "Fout bij vastleggen nieuw wachtwoord in qrtlnk.bsy: niet gewijzigd";
inline constexpr char kPasswordOkay[] = "API_changeNetworkPwd: OK";
inline constexpr char kPasswordFailed[] = "fout in API_changeNetworkPwd";
inline constexpr char kPinMissing[] = "PIN attribuut ontbreekt, skip commando";

// The questions that a killed run left for the service.
inline constexpr char kQuestionsNotWritten[] = "Fout bij schrijven %s";
inline constexpr char kKilledPasswordTryNew[] =
    "wachtwoordwijziging van een afgebroken run: nieuw wachtwoord geprobeerd";
inline constexpr char kKilledPasswordTryOld[] =
    "nieuw wachtwoord geweigerd: oud wachtwoord geprobeerd";
inline constexpr char kKilledSendAsk[] =
    "start API_acceptedSince voor zending van een afgebroken run, MID=%s";
inline constexpr char kKilledSendAskFailed[] = "fout in API_acceptedSince: de vraag blijft open";
inline constexpr char kKilledSendAccepted[] = "zending is door de dienst aangenomen";
inline constexpr char kKilledSendNotAccepted[] =
    "zending is niet aangenomen: zij wordt niet als verzonden gemeld";
inline constexpr char kKilledFetchAgain[] =
    "opgehaald door een afgebroken run, nog niet vastgelegd: ListId %s wordt opnieuw opgehaald";

}  // namespace kv::engine::journal_text
