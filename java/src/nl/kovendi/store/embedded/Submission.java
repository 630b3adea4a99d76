package nl.kovendi.store.embedded;

import java.io.IOException;
import java.nio.file.Path;
import java.time.LocalDateTime;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

import nl.kovendi.Verdict;
import nl.kovendi.objects.MessageOut;
import nl.kovendi.objects.ORName;
import nl.kovendi.objects.ORNameAlias;
import nl.kovendi.objects.ORNameDistList;
import nl.kovendi.objects.ORNameForm11;
import nl.kovendi.objects.Recipient;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.Limits;
import nl.kovendi.store.api.ListIds;
import nl.kovendi.store.api.MessageChecks;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.StoreException;

/**
 * Submission of one message: checks it, resolves every recipient, delivers a copy into each
 * recipient mailbox and puts the delivery and non-delivery reports that the report request asks
 * for into the originator's mailbox, all as one job.
 *
 * <p>Recipients: a full O/R address (type 1) reaches the one mailbox whose own address has every
 * field that the recipient fills (letter case ignored); an alias (type 5) the mailbox it names; a
 * distribution list (type 6) each of its members. A mailbox receives one copy however often it is
 * reached. A recipient that reaches no mailbox, or more than one by address, is not delivered
 * (non-delivery reason 1 "unable to transfer", diagnostic 0 "unrecognised O/R name" or 1
 * "ambiguous O/R name"); a full mailbox gives diagnostic 4 "recipient unavailable". A message that
 * reaches no mailbox at all is refused with {@link Verdict#NO_RECIPIENT}, so that it is never
 * lost without a word.
 *
 * <p>Report request ({@code reportReq}, the RAP= code): 1 no reports; 2 a report only when a
 * recipient was not delivered, with the non-delivered recipients; 3 a report with every
 * recipient, delivered (notify type 1, with the delivery time) or not (notify type 2, with reason
 * and diagnostic). Any other value counts as 3. A report holds at most 21 entries; more make
 * several reports, each giving the total.
 */
final class Submission {
    static final int REASON_UNABLE_TO_TRANSFER = 1;
    static final int DIAG_UNRECOGNISED = 0;
    static final int DIAG_AMBIGUOUS = 1;
    static final int DIAG_UNAVAILABLE = 4;

    private final Store store;
    private final Directory.Mailbox sender;
    private final MessageOut msg;
    private final Path workingDir;

    /** One addressed recipient and what became of it. */
    private static final class Outcome {
        final Entry.Party party;
        Directory.Mailbox mailbox;
        int diagnostic = -1;

        Outcome(Entry.Party party) {
            this.party = party;
        }
    }

    Submission(Store store, Directory.Mailbox sender, MessageOut msg, Path workingDir) {
        this.store = store;
        this.sender = sender;
        this.msg = msg;
        this.workingDir = workingDir;
    }

    void run() throws StoreException, IOException {
        MessageChecks.checkHeader(msg);
        List<Path> files = MessageChecks.bodyFiles(msg, workingDir);
        MessageChecks.checkSize(files, store.maxMessage());
        Directory dir = store.directory();
        List<Outcome> outcomes = resolve(dir);
        Map<String, Outcome> deliveries = new LinkedHashMap<>();
        for (Outcome o : outcomes) {
            if (o.mailbox != null && !deliveries.containsKey(o.mailbox.key())) {
                if (store.listIds(o.mailbox.key()).size() >= store.capacity()) {
                    o.mailbox = null;
                    o.diagnostic = DIAG_UNAVAILABLE;
                } else {
                    deliveries.put(o.mailbox.key(), o);
                }
            }
        }
        if (deliveries.isEmpty()) {
            throw new StoreException(Verdict.NO_RECIPIENT,
                    "none of the recipients could be reached");
        }
        List<Entry.Notice> notices = reportEntries(outcomes);
        int reports = (notices.size() + Store.REPORT_ENTRIES - 1) / Store.REPORT_ENTRIES;
        long first = store.reserve("listId", deliveries.size() + reports);
        LocalDateTime now = store.now();
        Job job = Job.create();
        Path spool = job.partsDir(store.dir());
        long size = 0;
        List<Long> sizes = new ArrayList<>();
        for (int k = 0; k < files.size(); k++) {
            try {
                long s = AtomicFiles.copy(files.get(k), spool.resolve("part" + (k + 1)));
                sizes.add(s);
                size += s;
            } catch (IOException e) {
                throw new StoreException(Verdict.BODY_PART_UNREADABLE, "body part " + (k + 1)
                        + " (" + files.get(k) + ") unreadable: " + e.getMessage(), e);
            }
        }
        long n = first;
        for (Outcome o : deliveries.values()) {
            job.write(o.mailbox.key(),
                    delivered(ListIds.listIdOf(n++), now, outcomes, o, sizes, size),
                    files.size());
        }
        for (int r = 0; r < reports; r++) {
            List<Entry.Notice> part = notices.subList(r * Store.REPORT_ENTRIES,
                    Math.min(notices.size(), (r + 1) * Store.REPORT_ENTRIES));
            Entry e = Entry.create(Entry.REPORT, ListIds.listIdOf(n++), now);
            e.set("ipMsgId", msg.getIpMsgId());
            e.setNotices(part, notices.size());
            job.write(sender.key(), e, 0);
        }
        job.sent(sender.key(), msg.getIpMsgId());
        job.commit(store.dir());
        SentLog.prune(store.dir(), sender.key(), System.currentTimeMillis());
    }

    private List<Outcome> resolve(Directory dir) throws StoreException {
        List<Outcome> out = new ArrayList<>();
        for (int i = 0; i < msg.getRecipientList().size(); i++) {
            Recipient r = msg.getRecipientList().getRecipient(i);
            ORName name = r == null ? null : r.getORName();
            int kind = r == null ? 1 : r.getType();
            if (name instanceof ORNameForm11) {
                OrAddress given;
                try {
                    given = OrAddress.fromForm11((ORNameForm11) name);
                } catch (IllegalArgumentException e) {
                    throw new StoreException(Verdict.MESSAGE_INVALID, "recipient " + (i + 1)
                            + ": " + e.getMessage());
                }
                Outcome o = new Outcome(new Entry.Party(kind, name.getFreeFormName(), given));
                List<Directory.Mailbox> found = dir.mailboxesReceiving(given);
                if (found.size() == 1) {
                    o.mailbox = found.get(0);
                } else {
                    o.diagnostic = found.isEmpty() ? DIAG_UNRECOGNISED : DIAG_AMBIGUOUS;
                }
                out.add(o);
            } else if (name instanceof ORNameAlias) {
                String alias = ((ORNameAlias) name).getAlias();
                Directory.Mailbox m = dir.aliasTarget(alias);
                Outcome o = new Outcome(m == null ? named(kind, alias)
                        : new Entry.Party(kind, m.freeFormName, m.address));
                o.mailbox = m;
                o.diagnostic = m == null ? DIAG_UNRECOGNISED : -1;
                out.add(o);
            } else if (name instanceof ORNameDistList) {
                String list = ((ORNameDistList) name).getDistList();
                List<Directory.Mailbox> members = dir.listMembers(list);
                if (members == null || members.isEmpty()) {
                    Outcome o = new Outcome(named(kind, list));
                    o.diagnostic = DIAG_UNRECOGNISED;
                    out.add(o);
                } else {
                    for (Directory.Mailbox m : members) {
                        Outcome o = new Outcome(new Entry.Party(kind, m.freeFormName, m.address));
                        o.mailbox = m;
                        out.add(o);
                    }
                }
            } else {
                throw new StoreException(Verdict.MESSAGE_INVALID, "recipient " + (i + 1)
                        + " has no O/R name of a supported type");
            }
        }
        return out;
    }

    /** A full O/R name standing for an alias or list name: the name as surname and free form. */
    static Entry.Party named(int kind, String name) {
        OrAddress a = new OrAddress();
        String n = name.length() > Limits.NAME_WIDTH ? name.substring(0, Limits.NAME_WIDTH)
                : name;
        a.set("SUR", n);
        return new Entry.Party(kind, n.length() > 32 ? n.substring(0, 32) : n, a);
    }

    private List<Entry.Notice> reportEntries(List<Outcome> outcomes) {
        List<Entry.Notice> notices = new ArrayList<>();
        int rap = msg.getReportReq();
        if (rap == 1) {
            return notices;
        }
        String when = Entry.timeKey(store.now());
        for (Outcome o : outcomes) {
            Entry.Party p = new Entry.Party(0, o.party.freeFormName(), o.party.address());
            if (o.mailbox != null && rap != 2) {
                notices.add(new Entry.Notice(p, 1, when, 0, 0));
            } else if (o.mailbox == null) {
                notices.add(new Entry.Notice(p, 2, "", REASON_UNABLE_TO_TRANSFER, o.diagnostic));
            }
        }
        return notices;
    }

    /** The copy of the message that one mailbox receives. */
    private Entry delivered(String listId, LocalDateTime now, List<Outcome> outcomes, Outcome to,
            List<Long> sizes, long size) {
        Entry e = Entry.create(Entry.MESSAGE, listId, now);
        e.set("ipMsgId", msg.getIpMsgId());
        e.set("inReplyTo", msg.getInReplyTo());
        e.set("subject", msg.getSubject());
        e.setInt("priority", msg.getPriority());
        e.setInt("sensitivity", msg.getSensitivity());
        e.set("expiryDate", msg.getExpireDate());
        e.set("defDeliveryDate", msg.getDefDeliveryDate());
        e.setInt("notifReq", msg.getNotifReq());
        e.setInt("reportReq", msg.getReportReq());
        e.setInt("replyReq", msg.getReplyReq());
        e.set("orig.user", sender.user);
        e.set("orig.ffn", msg.getFreeFormName().isEmpty() ? sender.freeFormName
                : msg.getFreeFormName());
        sender.address.store(e.p, "orig.addr.");
        List<Entry.Party> visible = new ArrayList<>();
        for (Outcome o : outcomes) {
            boolean blind = o.party.kind() == 3;
            if (!blind || (o.mailbox != null && o.mailbox.key().equals(to.mailbox.key()))) {
                visible.add(o.party);
            }
        }
        e.setRecipients(visible);
        e.setInt("parts", sizes.size());
        for (int k = 0; k < sizes.size(); k++) {
            e.setInt("part." + (k + 1) + ".size", sizes.get(k));
        }
        e.setInt("size", size);
        return e;
    }
}
