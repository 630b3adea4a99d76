package nl.kovendi.store;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.time.LocalDateTime;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

import nl.kovendi.Verdict;
import nl.kovendi.objects.MessageOut;

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
    /** Letters of the names of received files, as the program forms its own candidate names. */
    private static final String LETTERS = "BCDFGHJKLMNPQRSTVWXZ";
    /** Longest file name (with its directory) that the program's body-part record holds. */
    public static final int FILE_NAME_WIDTH = 80;
    public static final int LIST_ID_WIDTH = 12;

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
        checkPassword(newPassword);
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

    static void checkPassword(String pw) throws StoreException {
        if (pw == null || pw.isEmpty() || pw.length() > Directory.PASSWORD_WIDTH
                || pw.chars().anyMatch(c -> c < 32 || c == 127)) {
            throw new StoreException(Verdict.PASSWORD_INVALID, "a password has 1 to "
                    + Directory.PASSWORD_WIDTH + " characters without control characters");
        }
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
        if (prev.length() > LIST_ID_WIDTH) {
            throw new StoreException(Verdict.LIST_ID_INVALID, "list identifier \"" + prev
                    + "\" longer than " + LIST_ID_WIDTH + " characters");
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
            Entry named = Store.isListId(listId) ? store.readEntry(mailboxKey, listId) : null;
            return named == null ? null : named.originatorAddress();
        } catch (IOException e) {
            throw new StoreException(Verdict.STORE_WRITE_FAILED, "cannot read the message "
                    + listId + ": " + e.getMessage(), e);
        }
    }

    /** What a fetch returns: the item and the names of its received files. */
    public static final class Fetched {
        public final Entry entry;
        public final List<String> fileNames;

        Fetched(Entry entry, List<String> fileNames) {
            this.entry = entry;
            this.fileNames = fileNames;
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
        String id = checkListId(listId);
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
                    removeAll(names, receiveDir, workingDir);
                    throw ex;
                }
            }
            return new Fetched(e, names);
        });
    }

    /** Deletes an item; an unread message may notify its originator (see the class comment). */
    public void delete(String listId) throws StoreException {
        String id = checkListId(listId);
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
        Entry n = Entry.create(Entry.NOTIFICATION, Store.listIdOf(store.reserve("listId", 1)),
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
        Entry e = Store.isListId(id) ? store.readEntry(mailboxKey, id) : null;
        if (e == null) {
            throw notFound(listId);
        }
        return e;
    }

    static String checkListId(String listId) throws StoreException {
        if (listId == null || listId.trim().isEmpty() || listId.trim().length() > LIST_ID_WIDTH) {
            throw new StoreException(Verdict.LIST_ID_INVALID, "list identifier \"" + listId
                    + "\" empty or longer than " + LIST_ID_WIDTH + " characters");
        }
        return listId.trim();
    }

    private static StoreException notFound(String listId) {
        return new StoreException(Verdict.MESSAGE_NOT_FOUND, "no message with list identifier "
                + listId);
    }

    private List<String> receiveParts(Entry e, String receiveDir, Path workingDir)
            throws StoreException {
        Path mbx = store.mailboxDir(mailboxKey);
        return receiveFiles(e, receiveDir, workingDir, (k, target) -> {
            Path source = Store.partFile(mbx, e.listId(), k);
            if (!Files.isRegularFile(source)) {
                return false;
            }
            AtomicFiles.copyOut(source, target);
            return true;
        });
    }

    /** Writes body part {@code k} of an item to {@code target}; false when the store lacks it. */
    interface PartWriter {
        boolean write(int k, Path target) throws IOException;
    }

    /**
     * Writes the body parts of {@code e} into the receive directory under new names (see
     * {@link #fetch}) and returns the names; on a failure nothing of them is left.
     */
    static List<String> receiveFiles(Entry e, String receiveDir, Path workingDir,
            PartWriter writer) throws StoreException {
        Path target = receiveDirectory(receiveDir, workingDir);
        String prefix = receiveDir.isEmpty() || receiveDir.endsWith("/")
                || receiveDir.endsWith("\\") ? receiveDir : receiveDir + "/";
        int parts = e.partCount();
        String word = freeWord(target, parts);
        List<String> names = new ArrayList<>();
        for (int k = 1; k <= parts; k++) {
            String name = prefix + word + String.format(".%03d", k);
            if (name.length() > FILE_NAME_WIDTH) {
                throw new StoreException(Verdict.RECEIVE_DIR_UNUSABLE, "received file name " + name
                        + " longer than " + FILE_NAME_WIDTH + " characters");
            }
            names.add(name);
        }
        for (int k = 1; k <= parts; k++) {
            boolean present;
            try {
                present = writer.write(k, target.resolve(word + String.format(".%03d", k)));
            } catch (IOException ex) {
                removeAll(names.subList(0, k - 1), receiveDir, workingDir);
                throw new StoreException(Verdict.RECEIVE_DIR_UNUSABLE, "cannot write "
                        + names.get(k - 1) + ": " + ex.getMessage(), ex);
            }
            if (!present) {
                removeAll(names.subList(0, k - 1), receiveDir, workingDir);
                throw new StoreException(Verdict.CONNECTION_LOST, "store damaged: body part " + k
                        + " of " + e.listId() + " missing");
            }
        }
        return names;
    }

    private static Path receiveDirectory(String receiveDir, Path workingDir) throws StoreException {
        Path target;
        try {
            target = receiveDir.isEmpty() ? workingDir
                    : workingDir.resolve(receiveDir.replace('\\', '/'));
        } catch (InvalidPathException ex) {
            throw new StoreException(Verdict.RECEIVE_DIR_UNUSABLE, "invalid receive directory "
                    + receiveDir);
        }
        if (!Files.isDirectory(target) || !Files.isWritable(target)) {
            throw new StoreException(Verdict.RECEIVE_DIR_UNUSABLE, "receive directory "
                    + target + " missing or not writable");
        }
        return target;
    }

    /** Eight letters from the time in seconds, base 20, least significant first. */
    static String word(long seconds) {
        StringBuilder b = new StringBuilder();
        long v = seconds;
        while (v > 0 && b.length() < 8) {
            b.append(LETTERS.charAt((int) (v % 20)));
            v /= 20;
        }
        while (b.length() < 8) {
            b.append('B');
        }
        return b.toString();
    }

    private static String freeWord(Path dir, int parts) {
        long t = System.currentTimeMillis() / 1000;
        while (true) {
            String w = word(t);
            boolean free = true;
            for (int k = 1; k <= Math.max(1, parts) && free; k++) {
                free = !Files.exists(dir.resolve(w + String.format(".%03d", k)));
            }
            if (free) {
                return w;
            }
            t++;
        }
    }

    static void removeAll(List<String> names, String receiveDir, Path workingDir) {
        for (String n : names) {
            try {
                Files.deleteIfExists(workingDir.resolve(n.replace('\\', '/')));
            } catch (IOException | InvalidPathException ex) {
                // best effort: a partial receive leaves nothing the program would report
            }
        }
    }
}
