package nl.kovendi.store.embedded;

import java.io.IOException;
import java.nio.file.DirectoryStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Properties;
import java.util.concurrent.ThreadLocalRandom;

import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.Limits;

/**
 * A change of the store that touches several files (a submission delivered into several mailboxes,
 * a fetch that also sends a receipt notification, ...). The whole change is first written as one
 * job file in the spool directory (the body parts it carries beside it); once that file is in
 * place the change is certain, and it is then applied step by step. Applying is repeatable, so a
 * job left by a killed process is simply applied again by the next process that takes the lock.
 */
public final class Job {
    public static final String SPOOL = "spool";
    private static final String SUFFIX = ".job";

    private final String id;
    private final List<Properties> ops = new ArrayList<>();

    private Job(String id) {
        this.id = id;
    }

    static Job create() {
        return new Job(String.format("%016x-%08x", System.currentTimeMillis(),
                ThreadLocalRandom.current().nextInt()));
    }

    /** The directory in which the body parts of this job are spooled (created on demand). */
    Path partsDir(Path store) throws IOException {
        Path d = store.resolve(SPOOL).resolve(id);
        AtomicFiles.createDirectories(d);
        return d;
    }

    /** Writes an entry into a mailbox, with {@code parts} spooled body parts. */
    void write(String mailboxKey, Entry e, int parts) {
        Properties op = new Properties();
        op.setProperty("kind", "write");
        op.setProperty("mailbox", mailboxKey);
        op.setProperty("listId", e.listId());
        op.setProperty("parts", Integer.toString(parts));
        for (String k : e.p.stringPropertyNames()) {
            op.setProperty("e." + k, e.p.getProperty(k));
        }
        ops.add(op);
    }

    /** Removes an entry and its body parts from a mailbox. */
    void delete(String mailboxKey, String listId) {
        Properties op = new Properties();
        op.setProperty("kind", "delete");
        op.setProperty("mailbox", mailboxKey);
        op.setProperty("listId", listId);
        ops.add(op);
    }

    /**
     * Records in the sent log that {@code mailboxKey} submitted a message with this identifier
     * now ({@link SentLog}).
     */
    void sent(String mailboxKey, String ipMsgId) {
        Properties op = new Properties();
        op.setProperty("kind", "sent");
        op.setProperty("mailbox", mailboxKey);
        op.setProperty("ipMsgId", ipMsgId == null ? "" : ipMsgId);
        op.setProperty("at", Long.toString(System.currentTimeMillis()));
        ops.add(op);
    }

    /** Makes the job certain, then applies it. */
    void commit(Path store) throws IOException {
        apply(store, id, persist(store));
    }

    /** Writes the job file: from here on the change survives a crash (the next lock applies it). */
    Properties persist(Path store) throws IOException {
        Properties p = new Properties();
        p.setProperty("ops", Integer.toString(ops.size()));
        for (int i = 0; i < ops.size(); i++) {
            Properties op = ops.get(i);
            for (String k : op.stringPropertyNames()) {
                p.setProperty("op." + i + "." + k, op.getProperty(k));
            }
        }
        Path spool = store.resolve(SPOOL);
        AtomicFiles.createDirectories(spool);
        AtomicFiles.writeProperties(spool.resolve(id + SUFFIX), p);
        return p;
    }

    /** Applies every job that a killed process left, and removes spool leftovers without a job. */
    static void recover(Path store) throws IOException {
        Path spool = store.resolve(SPOOL);
        if (!Files.isDirectory(spool)) {
            return;
        }
        List<Path> entries = new ArrayList<>();
        try (DirectoryStream<Path> ds = Files.newDirectoryStream(spool)) {
            ds.forEach(entries::add);
        }
        entries.sort(null);
        for (Path f : entries) {
            String name = f.getFileName().toString();
            if (name.endsWith(SUFFIX)) {
                apply(store, name.substring(0, name.length() - SUFFIX.length()),
                        AtomicFiles.readProperties(f));
            }
        }
        for (Path f : entries) {
            String name = f.getFileName().toString();
            if (!name.endsWith(SUFFIX) && !Files.exists(spool.resolve(name + SUFFIX))) {
                deleteTree(f);
            }
        }
    }

    private static void apply(Path store, String id, Properties p) throws IOException {
        Path parts = store.resolve(SPOOL).resolve(id);
        int n = Integer.parseInt(p.getProperty("ops", "0"));
        for (int i = 0; i < n; i++) {
            String pre = "op." + i + ".";
            Path mbx = Store.mailboxDir(store, p.getProperty(pre + "mailbox"));
            String listId = p.getProperty(pre + "listId");
            if ("sent".equals(p.getProperty(pre + "kind"))) {
                long at = Long.parseLong(p.getProperty(pre + "at", "0"));
                Path record = SentLog.recordFile(store, p.getProperty(pre + "mailbox"), id, at);
                // Every level private, as the store's other directories.
                AtomicFiles.createDirectories(record.getParent().getParent().getParent());
                AtomicFiles.createDirectories(record.getParent().getParent());
                AtomicFiles.createDirectories(record.getParent());
                AtomicFiles.writeProperties(record, SentLog.record(p.getProperty(pre + "ipMsgId"),
                        at));
            } else if ("write".equals(p.getProperty(pre + "kind"))) {
                AtomicFiles.createDirectories(mbx);
                int count = Integer.parseInt(p.getProperty(pre + "parts", "0"));
                for (int k = 1; k <= count; k++) {
                    AtomicFiles.copy(parts.resolve("part" + k), Store.partFile(mbx, listId, k));
                }
                Properties e = new Properties();
                String ep = pre + "e.";
                for (String k : p.stringPropertyNames()) {
                    if (k.startsWith(ep)) {
                        e.setProperty(k.substring(ep.length()), p.getProperty(k));
                    }
                }
                AtomicFiles.writeProperties(Store.entryFile(mbx, listId), e);
            } else {
                AtomicFiles.delete(Store.entryFile(mbx, listId));
                for (int k = 1; k <= Limits.MAX_PARTS; k++) {
                    Files.deleteIfExists(Store.partFile(mbx, listId, k));
                }
            }
        }
        AtomicFiles.delete(store.resolve(SPOOL).resolve(id + SUFFIX));
        deleteTree(parts);
    }

    private static void deleteTree(Path p) throws IOException {
        if (Files.isDirectory(p)) {
            try (DirectoryStream<Path> ds = Files.newDirectoryStream(p)) {
                for (Path c : ds) {
                    deleteTree(c);
                }
            }
        }
        Files.deleteIfExists(p);
    }
}
