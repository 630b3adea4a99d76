package nl.kovendi.store.embedded;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.LocalDateTime;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

import nl.kovendi.Verdict;
import nl.kovendi.objects.MessageOut;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.Fetched;
import nl.kovendi.store.api.Filter;
import nl.kovendi.store.api.Limits;
import nl.kovendi.store.api.ListIds;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.PasswordHash;
import nl.kovendi.store.api.ReceivedFiles;
import nl.kovendi.store.api.StoreException;

/**
 * The operations of one logged-in mailbox on a store.
 *
 * <p>Notification request ({@code notifReq}, the NOT= code) of a message: 1 no notifications;
 * 2 a non-receipt notification only (when a recipient deletes the message without having fetched
 * it: notify type 2, reason 0 "discarded", diagnostic 1 "obsoleted"); 3 that and also a receipt
 * notification when a recipient fetches the message for the first time (notify type 1, with the
 * time of the fetch). Any other value counts as 1. Notifications go into the originator's mailbox
 * as single notifications (message type 2) and carry the identifier of the message and the
 * recipient's O/R name.
 */
public final class MailService {
    private final Store store;
    private final String mailboxKey;

    private MailService(Store store, String mailboxKey) {
        this.store = store;
        this.mailboxKey = mailboxKey;
    }

    /** Logs in; unknown user or wrong password is {@link Verdict#LOGIN_REFUSED}. */
    public static MailService login(Store store, String user, String password)
            throws StoreException {
        return store.locked(() -> {
            Directory d = store.directory();
            Directory.Mailbox m = d.mailbox(user);
            if (m == null || password == null || !PasswordHash.verify(password, m.passwordHash)) {
                throw new StoreException(Verdict.LOGIN_REFUSED, "log-in refused for user \""
                        + user + "\"");
            }
            if (PasswordHash.isOutdated(m.passwordHash)) {
                // A hash from before the round count was raised: replaced now that the password
                // is known to be right.
                m.passwordHash = PasswordHash.create(password);
                d.save(store.dir());
            }
            store.removeLeftovers();
            return new MailService(store, m.key());
        });
    }

    public Store store() {
        return store;
    }

    /** The session's mailbox; {@link Verdict#SESSION_LOST} when it no longer exists. */
    public Directory.Mailbox mailbox() throws StoreException {
        return store.locked(this::mailboxLocked);
    }

    private Directory.Mailbox mailboxLocked() throws IOException, StoreException {
        Directory.Mailbox m = store.directory().mailbox(mailboxKey);
        if (m == null) {
            throw new StoreException(Verdict.SESSION_LOST, "mailbox " + mailboxKey + " is gone");
        }
        return m;
    }

    /** Number of items in the mailbox and of those not yet fetched. */
    public int[] counts() throws StoreException {
        return store.locked(() -> {
            int total = 0;
            int fresh = 0;
            for (String id : store.listIds(mailboxKey)) {
                Entry e = store.readEntry(mailboxKey, id);
                if (e != null) {
                    total++;
                    fresh += e.isRead() ? 0 : 1;
                }
            }
            return new int[] {total, fresh};
        });
    }

    /** Next session number, 1 to 32767. */
    public short nextSessionId() throws StoreException {
        return store.locked(() -> (short) ((store.reserve("session", 1) - 1) % Short.MAX_VALUE + 1));
    }

    /** Changes the password; the new one holds from the next log-in. */
    public void changePassword(String newPassword) throws StoreException {
        Limits.checkPassword(newPassword);
        store.locked(() -> {
            Directory d = store.directory();
            Directory.Mailbox m = d.mailbox(mailboxKey);
            if (m == null) {
                throw new StoreException(Verdict.SESSION_LOST, "mailbox " + mailboxKey
                        + " is gone");
            }
            m.passwordHash = PasswordHash.create(newPassword);
            d.save(store.dir());
            return null;
        });
    }

    /** Submits a message; body-part file names resolve against {@code workingDir}. */
    public void submit(MessageOut msg, Path workingDir) throws StoreException {
        store.locked(() -> {
            new Submission(store, mailboxLocked(), msg, workingDir).run();
            return null;
        });
    }

    /**
     * Whether this mailbox submitted a message with identifier {@code ipMsgId} at or after
     * {@code sinceMillis} (milliseconds since 1970).
     */
    public boolean acceptedSince(String ipMsgId, long sinceMillis) throws StoreException {
        return store.locked(() -> {
            mailboxLocked();
            return SentLog.acceptedSince(store.dir(), mailboxKey, ipMsgId, sinceMillis);
        });
    }

    /**
     * Up to {@code max} items that follow {@code previous} (empty: from the start) in mailbox
     * order and match {@code filter}.
     */
    public List<Entry> list(String filter, String previous, int max) throws StoreException {
        Filter.parse(filter);  // a malformed filter is refused before the store is locked
        String prev = previous == null ? "" : previous.trim();
        if (prev.length() > ListIds.LIST_ID_WIDTH) {
            throw new StoreException(Verdict.LIST_ID_INVALID, "list identifier \"" + prev
                    + "\" longer than " + ListIds.LIST_ID_WIDTH + " characters");
        }
        return store.locked(() -> {
            mailboxLocked();
            Filter f = Filter.parse(filter, this::originatorOf);
            List<Entry> out = new ArrayList<>();
            List<String> ids = store.listIds(mailboxKey);
            int at = Collections.binarySearch(ids, prev);
            for (int i = at >= 0 ? at + 1 : -at - 1; i < ids.size() && out.size() < max; i++) {
                Entry e = store.readEntry(mailboxKey, ids.get(i));
                if (e != null && f.matches(e)) {
                    out.add(e);
                }
            }
            return out;
        });
    }

    /** The originator address of a message of the mailbox; null when there is none. */
    private OrAddress originatorOf(String listId) throws StoreException {
        try {
            Entry named = ListIds.isListId(listId) ? store.readEntry(mailboxKey, listId) : null;
            return named == null ? null : named.originatorAddress();
        } catch (IOException e) {
            throw new StoreException(Verdict.STORE_WRITE_FAILED, "cannot read the message "
                    + listId + ": " + e.getMessage(), e);
        }
    }

    /**
     * Fetches an item. The body parts of a message are written into the receive directory
     * {@code receiveDir} (relative to {@code workingDir}; empty: the working directory itself) under
     * new names WORD.001 to WORD.00n, WORD eight letters that no file there begins with; the names
     * are reported as the directory as given followed by the name. A first fetch marks the item
     * READ (and may notify the originator, see the class comment).
     */
    public Fetched fetch(String listId, String receiveDir, Path workingDir) throws StoreException {
        String id = ListIds.checkListId(listId);
        return store.locked(() -> {
            Directory d = store.directory();
            Directory.Mailbox self = ownMailbox(d);
            Entry e = existingEntry(id, listId);
            List<String> names = e.type() == Entry.MESSAGE
                    ? receiveParts(e, receiveDir == null ? "" : receiveDir, workingDir)
                    : new ArrayList<>();
            if (!e.isRead()) {
                LocalDateTime now = store.now();
                e.markRead(now);
                Job job = Job.create();
                job.write(mailboxKey, e, 0);
                if (e.type() == Entry.MESSAGE && e.getInt("notifReq") == 3) {
                    notifyOriginator(job, d, e, self, 1, Entry.timeKey(now), 0, 0);
                }
                try {
                    job.commit(store.dir());
                } catch (IOException ex) {
                    ReceivedFiles.removeAll(names, receiveDir, workingDir);
                    throw ex;
                }
            }
            return new Fetched(e, names);
        });
    }

    /** Deletes an item; an unread message may notify its originator (see the class comment). */
    public void delete(String listId) throws StoreException {
        String id = ListIds.checkListId(listId);
        store.locked(() -> {
            Directory d = store.directory();
            Directory.Mailbox self = ownMailbox(d);
            Entry e = existingEntry(id, listId);
            Job job = Job.create();
            job.delete(mailboxKey, id);
            int not = e.getInt("notifReq");
            if (e.type() == Entry.MESSAGE && !e.isRead() && (not == 2 || not == 3)) {
                notifyOriginator(job, d, e, self, 2, "", 0, 1);
            }
            job.commit(store.dir());
            return null;
        });
    }

    /** The mailbox an alias names, or null when the alias is unknown. */
    public Directory.Mailbox resolveAlias(String alias) throws StoreException {
        return store.locked(() -> store.directory().aliasTarget(alias));
    }

    private void notifyOriginator(Job job, Directory d, Entry msg, Directory.Mailbox self,
            int notifyType, String timeKey, int reason, int diagnostic) throws IOException {
        Directory.Mailbox orig = d.mailbox(msg.originatorUser());
        if (orig == null) {
            return;
        }
        Entry n = Entry.create(Entry.NOTIFICATION, ListIds.listIdOf(store.reserve("listId", 1)),
                store.now());
        n.set("ipMsgId", msg.ipMsgId());
        List<Entry.Notice> one = new ArrayList<>();
        one.add(new Entry.Notice(new Entry.Party(0, self.freeFormName, self.address), notifyType,
                timeKey, reason, diagnostic));
        n.setNotices(one, 1);
        job.write(orig.key(), n, 0);
    }

    /** This session's mailbox; gone when an administrator removed it during the session. */
    private Directory.Mailbox ownMailbox(Directory d) throws StoreException {
        Directory.Mailbox self = d.mailbox(mailboxKey);
        if (self == null) {
            throw new StoreException(Verdict.SESSION_LOST, "mailbox gone");
        }
        return self;
    }

    /** The item {@code id} of this mailbox ({@code listId} as the caller gave it, for the error). */
    private Entry existingEntry(String id, String listId) throws IOException, StoreException {
        Entry e = ListIds.isListId(id) ? store.readEntry(mailboxKey, id) : null;
        if (e == null) {
            throw notFound(listId);
        }
        return e;
    }

    private static StoreException notFound(String listId) {
        return new StoreException(Verdict.MESSAGE_NOT_FOUND, "no message with list identifier "
                + listId);
    }

    private List<String> receiveParts(Entry e, String receiveDir, Path workingDir)
            throws StoreException {
        Path mbx = store.mailboxDir(mailboxKey);
        return ReceivedFiles.receiveFiles(e, receiveDir, workingDir, (k, target) -> {
            Path source = Store.partFile(mbx, e.listId(), k);
            if (!Files.isRegularFile(source)) {
                return false;
            }
            AtomicFiles.copyOut(source, target);
            return true;
        });
    }

}
