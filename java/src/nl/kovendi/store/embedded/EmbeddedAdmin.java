package nl.kovendi.store.embedded;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.DirectoryStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.Properties;
import java.util.stream.Stream;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.AdminCommands;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Credentials;
import nl.kovendi.store.api.Dump;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.NameKeys;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.StoreException;

/**
 * The administration commands of kovendi-store that change or survey a whole embedded store:
 * remove-mailbox, set-address, status, export and import. Each runs under the store's lock.
 */
final class EmbeddedAdmin {
    /** Prefix of a removed mailbox's directory while its files are deleted. */
    private static final String REMOVED = "removed.";

    private EmbeddedAdmin() {
    }

    /**
     * Removes a mailbox, everything in it, the aliases that name it and its place in the lists.
     * Its directory is first renamed out of sight (the mailbox is then empty at once), then the
     * directory entry goes, then the files: a removal that is killed leaves either the mailbox
     * (empty) or nothing of it, and running it again finishes it.
     */
    static List<String> removeMailbox(Store store, String user) throws StoreException {
        return store.locked(() -> {
            deleteRemovedLeftovers(store.dir());
            Directory d = store.directory();
            Directory.Mailbox m = d.mailbox(user);
            if (m == null) {
                throw new StoreException(Verdict.INVALID_ARGUMENT, "no mailbox " + user);
            }
            Path box = store.mailboxDir(m.key());
            Path removed = store.dir().resolve(REMOVED + m.key());
            if (Files.exists(box)) {
                Files.move(box, removed);
                AtomicFiles.syncDirectory(box.getParent());
            }
            List<String> gone = d.removeMailbox(m);
            d.save(store.dir());
            deleteTree(removed);
            return gone;
        });
    }

    private static void deleteRemovedLeftovers(Path dir) throws IOException {
        try (DirectoryStream<Path> ds = Files.newDirectoryStream(dir, REMOVED + "*")) {
            for (Path p : ds) {
                deleteTree(p);
            }
        }
    }

    private static void deleteTree(Path p) throws IOException {
        if (!Files.exists(p)) {
            return;
        }
        try (Stream<Path> s = Files.walk(p)) {
            for (Path f : (Iterable<Path>) s.sorted(Comparator.reverseOrder())::iterator) {
                Files.delete(f);
            }
        }
    }

    /** Gives a mailbox a new own address (and free-form name, when one is given). */
    static void setAddress(Store store, String user, OrAddress address, String freeForm)
            throws StoreException {
        store.locked(() -> {
            Directory d = store.directory();
            Directory.Mailbox m = d.mailbox(user);
            if (m == null) {
                throw new StoreException(Verdict.INVALID_ARGUMENT, "no mailbox " + user);
            }
            for (Directory.Mailbox other : d.mailboxes()) {
                if (other != m && other.address.receives(address) && address.receives(other.address)) {
                    throw new StoreException(Verdict.NOT_ALLOWED, "mailbox " + other.user
                            + " already has the address " + address);
                }
            }
            d.putMailbox(m.user, m.id, m.passwordHash, freeForm != null ? freeForm
                    : m.freeFormName, address);
            d.save(store.dir());
            return null;
        });
    }

    /** One line per mailbox: messages not yet fetched, messages fetched, reports waiting. */
    static void status(Store store, PrintStream out) throws StoreException {
        List<String> lines = store.locked(() -> {
            List<String> rows = new ArrayList<>();
            for (Directory.Mailbox m : store.directory().mailboxes()) {
                int[] c = new int[3];
                for (String id : store.listIds(m.key())) {
                    Entry e = store.readEntry(m.key(), id);
                    if (e != null && e.type() == Entry.MESSAGE) {
                        c[e.isRead() ? 1 : 0]++;
                    } else if (e != null && !e.isRead()) {
                        c[2]++;  // a report or notification not yet fetched
                    }
                }
                rows.add(AdminCommands.statusLine(m.user, c[0], c[1], c[2]));
            }
            return rows;
        });
        out.println(AdminCommands.statusLine("MAILBOX", "NEW", "READ", "REPORTS"));
        lines.forEach(out::println);
    }

    static Dump export(Store store) throws StoreException {
        return store.locked(() -> {
            Dump dump = new Dump();
            Directory d = store.directory();
            for (Directory.Mailbox m : d.mailboxes()) {
                Dump.Mailbox dm = new Dump.Mailbox();
                dm.user = m.user;
                dm.freeForm = m.freeFormName;
                dm.credential = m.passwordHash == null ? Credentials.NONE : m.passwordHash;
                for (String key : OrAddress.keys()) {
                    if (!m.address.get(key).isEmpty()) {
                        dm.address.put(key, m.address.get(key));
                    }
                }
                dump.mailboxes.add(dm);
            }
            for (String[] a : d.aliases().values()) {
                dump.aliases.add(new String[] {a[0], d.mailbox(a[1]).user});
            }
            for (String[] l : d.lists().values()) {
                List<String> names = new ArrayList<>(List.of(l[0]));
                d.listMembers(l[0]).forEach(m -> names.add(m.user));
                dump.lists.add(names);
            }
            for (Directory.Mailbox m : d.mailboxes()) {
                Path box = store.mailboxDir(m.key());
                for (String id : store.listIds(m.key())) {
                    Entry e = store.readEntry(m.key(), id);
                    if (e == null) {
                        continue;
                    }
                    Dump.Item item = new Dump.Item();
                    item.user = m.user;
                    e.p.stringPropertyNames().stream().sorted()
                            .forEach(k -> item.props.put(k, e.p.getProperty(k)));
                    for (int k = 1; k <= e.partCount(); k++) {
                        item.parts.add(Files.readAllBytes(Store.partFile(box, id, k)));
                    }
                    dump.items.add(item);
                }
            }
            return dump;
        });
    }

    /**
     * Fills a store that has no mailboxes yet from a dump. List identifiers stay as they were
     * (an application's receive store names them); the store's counters move past them.
     */
    static List<String> importDump(Store store, Dump dump) throws StoreException {
        return store.locked(() -> {
            Directory d = store.directory();
            for (Dump.Mailbox dm : dump.mailboxes) {
                Dump.address(dm);  // every address is checked before anything is written
            }
            if (!d.mailboxes().isEmpty()) {
                throw new StoreException(Verdict.NOT_ALLOWED, "the store " + store.dir()
                        + " already has mailboxes: import fills an empty store (make one with"
                        + " init)");
            }
            List<String> notes = new ArrayList<>();
            for (Dump.Mailbox dm : dump.mailboxes) {
                OrAddress a = Dump.address(dm);
                String credential = dm.credential;
                if (!Credentials.isUsable(credential)) {
                    credential = Credentials.NONE;
                    notes.add("mailbox " + dm.user + " has no password: give it one with"
                            + " set-password");
                }
                d.putMailbox(dm.user, store.reserve("mailbox", 1), credential, dm.freeForm, a);
            }
            for (String[] al : dump.aliases) {
                d.addAlias(al[0], d.mailbox(al[1]));
            }
            for (List<String> l : dump.lists) {
                List<Directory.Mailbox> members = new ArrayList<>();
                l.subList(1, l.size()).forEach(u -> members.add(d.mailbox(u)));
                d.addList(l.get(0), members);
            }
            long last = 0;
            for (Dump.Item item : dump.items) {
                Path box = store.mailboxDir(NameKeys.keyOf(item.user));
                AtomicFiles.createDirectories(box);
                String id = item.props.get("listId");
                for (int k = 0; k < item.parts.size(); k++) {
                    AtomicFiles.write(Store.partFile(box, id, k + 1), item.parts.get(k));
                }
                Properties p = new Properties();
                p.putAll(item.props);
                AtomicFiles.writeProperties(Store.entryFile(box, id), p);
                last = Math.max(last, item.listId());
            }
            for (Directory.Mailbox m : d.mailboxes()) {
                AtomicFiles.createDirectories(store.mailboxDir(m.key()));
            }
            long next = store.reserve("listId", 0);
            if (next <= last) {
                store.reserve("listId", (int) (last + 1 - next));
            }
            d.save(store.dir());
            return notes;
        });
    }
}
