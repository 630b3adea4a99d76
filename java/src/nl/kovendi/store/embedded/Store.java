package nl.kovendi.store.embedded;

import java.io.IOException;
import java.io.UncheckedIOException;
import java.nio.file.DirectoryStream;
import java.nio.file.Files;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.time.LocalDateTime;
import java.util.ArrayList;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.Properties;
import java.util.function.Supplier;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.LocalClock;
import nl.kovendi.store.api.StoreException;

/**
 * The embedded message store: a directory that holds the mailboxes of several users, their aliases
 * and distribution lists, and every message, notification and report in those mailboxes.
 *
 * <pre>
 * kovendi-store.properties   marks the directory as a store (format, mailbox capacity)
 * directory.properties       mailboxes (user, number, password hash, free-form name, address),
 *                            aliases and distribution lists
 * counters.properties        the next list identifier, mailbox number and session number
 * mbx/USER/NNNNNNNNNN.entry  one mailbox item (list identifier NNNNNNNNNN, ten digits)
 * mbx/USER/NNNNNNNNNN.partK  its body part K (1 to 8)
 * spool/                     changes being applied (see Job)
 * faults                     the fault-injection control file (see FaultFile)
 * lock                       the lock file that orders concurrent processes
 * </pre>
 *
 * Every operation holds the store's lock from start to end, first completes what a killed process
 * left, and writes every file through {@link AtomicFiles}.
 */
public final class Store {
    public static final String MARKER = "kovendi-store.properties";
    static final String COUNTERS = "counters.properties";
    static final String MAILBOXES = "mbx";
    /** Notification entries per report; a longer report is split. */
    public static final int REPORT_ENTRIES = 21;
    public static final int DEFAULT_CAPACITY = 10000;
    /** The largest message (all its body parts) the store takes, as the service's default. */
    public static final long DEFAULT_MAX_MESSAGE = 32L * 1024 * 1024;
    /** How long an operation waits for another process to release the store. */
    static long lockWaitMillis = 30000;

    private final Path dir;
    private final int capacity;
    private final long maxMessage;
    private Supplier<LocalDateTime> clock = LocalClock::now;

    private Store(Path dir, int capacity, long maxMessage) {
        this.dir = dir;
        this.capacity = capacity;
        this.maxMessage = maxMessage;
    }

    public Path dir() {
        return dir;
    }

    public int capacity() {
        return capacity;
    }

    /** Bytes one message may hold (property "maxMessage" of the store's marker file). */
    public long maxMessage() {
        return maxMessage;
    }

    /** Replaces the clock (tests). */
    public void setClock(Supplier<LocalDateTime> clock) {
        this.clock = clock;
    }

    LocalDateTime now() {
        return clock.get();
    }

    /** Makes {@code dir} an empty store; refuses a directory that is already one. */
    public static Store create(Path dir) throws StoreException {
        try {
            AtomicFiles.createDirectories(dir);
            if (Files.exists(dir.resolve(MARKER))) {
                throw new StoreException(Verdict.NOT_ALLOWED, dir + " is already a message store");
            }
            AtomicFiles.makePrivateDirectory(dir);  // an empty directory made beforehand
            AtomicFiles.createDirectories(dir.resolve(MAILBOXES));
            AtomicFiles.createDirectories(dir.resolve(Job.SPOOL));
            Properties counters = new Properties();
            counters.setProperty("listId", "1");
            counters.setProperty("mailbox", "1");
            counters.setProperty("session", "1");
            AtomicFiles.writeProperties(dir.resolve(COUNTERS), counters);
            new Directory().save(dir);
            Properties marker = new Properties();
            marker.setProperty("format", "1");
            marker.setProperty("capacity", Integer.toString(DEFAULT_CAPACITY));
            AtomicFiles.writeProperties(dir.resolve(MARKER), marker);
        } catch (IOException e) {
            throw new StoreException(Verdict.STORE_WRITE_FAILED, "cannot create store " + dir
                    + ": " + e.getMessage(), e);
        }
        return open(dir);
    }

    /**
     * Opens an existing store; a missing or foreign directory is {@link Verdict#CONNECTION_LOST}.
     * A store of another user is refused before anything is written: the files a process writes
     * belong to its user, and would keep the store's owner out afterwards.
     */
    public static Store open(Path dir) throws StoreException {
        Path marker = dir.resolve(MARKER);
        refuseOtherUsers(dir, marker);
        if (!Files.isRegularFile(marker)) {
            throw new StoreException(Verdict.CONNECTION_LOST, "no message store in " + dir);
        }
        try {
            Properties p = AtomicFiles.readProperties(marker);
            if (!"1".equals(p.getProperty("format"))) {
                throw new StoreException(Verdict.CONNECTION_LOST, "unknown store format in " + dir);
            }
            int capacity = Integer.parseInt(p.getProperty("capacity",
                    Integer.toString(DEFAULT_CAPACITY)));
            long maxMessage = Long.parseLong(p.getProperty("maxMessage",
                    Long.toString(DEFAULT_MAX_MESSAGE)));
            return new Store(dir, Math.max(1, Math.min(capacity, Short.MAX_VALUE)),
                    Math.max(0, maxMessage));
        } catch (IOException | IllegalArgumentException e) {
            throw new StoreException(Verdict.CONNECTION_LOST, "store " + dir + " unreadable: "
                    + e.getMessage(), e);
        }
    }

    /**
     * A store directory (or its marker) that another user owns, or that this user cannot read: the
     * refusal names the owner. "no message store" is left for a directory without a store.
     */
    private static void refuseOtherUsers(Path dir, Path marker) throws StoreException {
        if (!Files.exists(dir)) {
            return;
        }
        String me = System.getProperty("user.name");
        String owner;
        try {
            owner = Files.getOwner(dir).getName();
        } catch (IOException | UnsupportedOperationException e) {
            return;
        }
        if (!Files.isReadable(dir) || !Files.isExecutable(dir)
                || (Files.exists(marker) && !Files.isReadable(marker))) {
            throw new StoreException(Verdict.CONNECTION_LOST, "permission denied: message store "
                    + dir + " cannot be read by user " + me + " (owner " + owner + ")");
        }
        if (me != null && !me.equals("?") && !me.equals(owner)) {
            throw new StoreException(Verdict.CONNECTION_LOST, "message store " + dir
                    + " belongs to user " + owner + ", not to " + me + ": not opened");
        }
    }

    /** Work done under the store's lock. */
    public interface Action<T> {
        T run() throws StoreException, IOException;
    }

    /**
     * Runs {@code action} under the lock, after completing what a killed process left. A failure
     * to read or write the store's files becomes {@link Verdict#STORE_WRITE_FAILED} (nothing of a
     * change that was not yet certain is kept); a missing or damaged file of the store itself
     * {@link Verdict#CONNECTION_LOST}.
     */
    @SuppressWarnings("try")
    public <T> T locked(Action<T> action) throws StoreException {
        try (StoreLock lock = StoreLock.acquire(dir, lockWaitMillis)) {
            Job.recover(dir);
            return action.run();
        } catch (NoSuchFileException e) {
            throw new StoreException(Verdict.CONNECTION_LOST, "store " + dir + " damaged: "
                    + e.getFile() + " missing", e);
        } catch (IOException | UncheckedIOException e) {
            throw new StoreException(Verdict.STORE_WRITE_FAILED, "store " + dir + ": " + e, e);
        } catch (IllegalArgumentException e) {
            throw new StoreException(Verdict.CONNECTION_LOST, "store " + dir + " damaged: "
                    + e.getMessage(), e);
        }
    }

    Directory directory() throws IOException {
        return Directory.load(dir);
    }

    /** Reads the directory under the lock. */
    public Directory readDirectory() throws StoreException {
        return locked(this::directory);
    }

    static Path mailboxDir(Path store, String mailboxKey) {
        return store.resolve(MAILBOXES).resolve(mailboxKey);
    }

    public Path mailboxDir(String mailboxKey) {
        return mailboxDir(dir, mailboxKey);
    }

    private static final String ENTRY_SUFFIX = ".entry";

    public static Path entryFile(Path mbx, String listId) {
        return mbx.resolve(listId + ENTRY_SUFFIX);
    }

    static Path partFile(Path mbx, String listId, int k) {
        return mbx.resolve(listId + ".part" + k);
    }

    /** A mailbox's sorted list identifiers as read at one moment. */
    private static final class IdCache {
        final long modified;
        final boolean settled;
        final List<String> ids;

        IdCache(long modified, boolean settled, List<String> ids) {
            this.modified = modified;
            this.settled = settled;
            this.ids = ids;
        }
    }

    /** Margin beyond the file system's time-stamp granularity. */
    private static final long SETTLE_MILLIS = 2000;
    private final Map<String, IdCache> idCache = new HashMap<>();

    /**
     * The list identifiers of a mailbox in mailbox order (ascending), unmodifiable. Paging through
     * a large mailbox would read its directory for every page, so the last reading is kept and used
     * again while the directory's modification time is unchanged, but only when that time lay well
     * before the reading: a change in the same clock tick as the reading could otherwise go unseen.
     */
    synchronized List<String> listIds(String mailboxKey) throws IOException {
        Path mbx = mailboxDir(mailboxKey);
        if (!Files.isDirectory(mbx)) {
            return Collections.emptyList();
        }
        long readAt = System.currentTimeMillis();
        long modified = Files.getLastModifiedTime(mbx).toMillis();
        IdCache cached = idCache.get(mailboxKey);
        if (cached != null && cached.settled && cached.modified == modified) {
            return cached.ids;
        }
        List<String> ids = Collections.unmodifiableList(readIds(mbx));
        idCache.put(mailboxKey, new IdCache(modified, readAt - modified > SETTLE_MILLIS, ids));
        return ids;
    }

    private static List<String> readIds(Path mbx) throws IOException {
        List<String> ids = new ArrayList<>();
        try (DirectoryStream<Path> ds = Files.newDirectoryStream(mbx)) {
            for (Path f : ds) {
                String n = f.getFileName().toString();
                if (n.endsWith(ENTRY_SUFFIX)) {
                    ids.add(n.substring(0, n.length() - ENTRY_SUFFIX.length()));
                }
            }
        }
        ids.sort(null);
        return ids;
    }

    /** The entry with that list identifier, or null. */
    Entry readEntry(String mailboxKey, String listId) throws IOException {
        Path f = entryFile(mailboxDir(mailboxKey), listId);
        if (!Files.isRegularFile(f)) {
            return null;
        }
        return new Entry(AtomicFiles.readProperties(f));
    }

    /** Reserves {@code count} consecutive values of a counter and returns the first. */
    long reserve(String counter, int count) throws IOException {
        Path f = dir.resolve(COUNTERS);
        Properties p = AtomicFiles.readProperties(f);
        long first = Long.parseLong(p.getProperty(counter, "1"));
        p.setProperty(counter, Long.toString(first + count));
        AtomicFiles.writeProperties(f, p);
        return first;
    }

    /** Removes temporary files that killed processes left behind. */
    void removeLeftovers() throws IOException {
        removeTemporaries(dir);
        removeTemporaries(dir.resolve(Job.SPOOL));
        forEachEntry(dir.resolve(MAILBOXES), Store::removeTemporaries);
        // sent/MAILBOX/YYYYMMDD: the records of what each mailbox submitted
        forEachEntry(dir.resolve(SentLog.DIR), box -> forEachEntry(box, Store::removeTemporaries));
    }

    private static void removeTemporaries(Path d) throws IOException {
        forEachEntry(d, f -> {
            if (AtomicFiles.isTemporary(f)) {
                Files.deleteIfExists(f);
            }
        });
    }

    /** What is done with one entry of a directory. */
    private interface EntryAction {
        void apply(Path entry) throws IOException;
    }

    /** Applies {@code action} to every entry of {@code d}; nothing when {@code d} is no directory. */
    private static void forEachEntry(Path d, EntryAction action) throws IOException {
        if (!Files.isDirectory(d)) {
            return;
        }
        try (DirectoryStream<Path> ds = Files.newDirectoryStream(d)) {
            for (Path entry : ds) {
                action.apply(entry);
            }
        }
    }
}
