package nl.kovendi.store;

import static nl.kovendi.store.Check.eq;
import static nl.kovendi.store.Check.ok;
import static nl.kovendi.store.Fixture.address;
import static nl.kovendi.store.Fixture.list;
import static nl.kovendi.store.Fixture.message;
import static nl.kovendi.store.Fixture.to;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Random;
import java.util.Set;
import java.util.TreeSet;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;

import nl.kovendi.objects.ORName;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.MailSession;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.embedded.Job;

/**
 * Durability and concurrency: processes killed in the middle of submissions leave every message
 * either delivered everywhere (with its report) or nowhere, and two processes that submit at the
 * same time lose nothing. The processes use the store as the client does, so the same cases run
 * on the embedded store and on PostgreSQL (see {@link Fixture}).
 */
public final class DurabilityTest {
    public static void main(String[] args) throws Exception {
        if (args.length > 0 && args[0].equals("child")) {
            child(args);
            return;
        }
        if (args.length > 0 && args[0].equals("receiver")) {
            receiver(args);
            return;
        }
        Check c = new Check();
        System.out.println("store: " + (Fixture.onPostgres() ? "PostgreSQL" : "embedded"));
        c.run("killed submitters leave all-or-nothing deliveries", DurabilityTest::killed);
        c.run("killed receivers leave each message fetched and notified at most once",
                DurabilityTest::killedReceiver);
        c.run("four processes submit at the same time", DurabilityTest::concurrent);
        if (!Fixture.onPostgres()) {
            c.run("a directory that cannot be flushed fails the write", DurabilityTest::flushError);
        }
        c.finish();
    }

    /**
     * An I/O error on the flush of a directory is the write's failure, not a success that a crash
     * could undo; a file system that cannot flush directories at all is no failure.
     */
    private static void flushError() throws Exception {
        Path dir = Files.createTempDirectory("kv-flush");
        AtomicFiles.DirectoryFlush real = AtomicFiles.directoryFlush;
        try {
            AtomicFiles.directoryFlush = ch -> {
                throw new IOException("Input/output error");
            };
            boolean failed = false;
            try {
                AtomicFiles.write(dir.resolve("a"), new byte[] {1});
            } catch (IOException e) {
                failed = true;
            }
            ok(failed, "the write reports the failed flush");
            AtomicFiles.directoryFlush = ch -> {
                throw new IOException("Invalid argument");
            };
            AtomicFiles.write(dir.resolve("b"), new byte[] {2});
            ok(Files.exists(dir.resolve("b")), "written where directories cannot be flushed");
        } finally {
            AtomicFiles.directoryFlush = real;
            for (String name : new String[] {"a", "b"}) {
                Files.deleteIfExists(dir.resolve(name));
            }
            Files.deleteIfExists(dir);
        }
    }

    /**
     * child SERVER PORT WORK COUNT PREFIX TARGET: sends COUNT messages, printing each one sent.
     */
    private static void child(String[] a) throws Exception {
        Path work = Paths.get(a[3]);
        int count = Integer.parseInt(a[4]);
        ORName target = a[6].equals("TEAM") ? list("TEAM") : address(a[6]);
        Path file = work.resolve("part-" + a[5]);
        Files.write(file, new byte[64 * 1024]);
        MailSession alice = session(a, work, "alice");
        for (int i = 0; i < count; i++) {
            String mid = a[5] + i;
            alice.submit(message(mid, 1, 3, to(target), file), work);
            System.out.println("sent " + mid);
            System.out.flush();
        }
    }

    /** The session of a child process: server and port are its first arguments. */
    private static MailSession session(String[] a, Path work, String user) throws StoreException {
        return Services.open(a[1], Integer.parseInt(a[2]), user, Fixture.password(user), work,
                r -> { });
    }

    private static Process start(Fixture f, int count, String prefix, String target)
            throws IOException {
        String java = Paths.get(System.getProperty("java.home"), "bin", "java").toString();
        return new ProcessBuilder(java, "-cp", System.getProperty("java.class.path"),
                DurabilityTest.class.getName(), "child", f.server(f.work),
                Integer.toString(f.port()), f.work.toString(), Integer.toString(count), prefix,
                target)
                .redirectError(ProcessBuilder.Redirect.INHERIT).start();
    }

    /** Collects the "sent" lines of a child in the background. */
    /**
     * Waits (15 s at the most) until the child {@code p} has reported {@code steps} more lines
     * into {@code progress}, kills it {@code pauseMillis} later and checks that it ended.
     */
    private static void killOnTheWay(Process p, Thread output, List<String> progress, int steps,
            int pauseMillis, String what) throws Exception {
        long until = System.currentTimeMillis() + 15000;
        int before = progress.size();
        while (progress.size() < before + steps && System.currentTimeMillis() < until) {
            Thread.sleep(10);
        }
        Thread.sleep(pauseMillis);
        p.destroyForcibly();
        ok(p.waitFor(30, TimeUnit.SECONDS), what + " ended");
        output.join(5000);
    }

    private static Thread collect(Process p, List<String> sent) {
        return collect(p, sent, "sent ");
    }

    /** Collects what follows {@code prefix} on the lines of a child, in the background. */
    private static Thread collect(Process p, List<String> sent, String prefix) {
        Thread t = new Thread(() -> {
            try (BufferedReader r = new BufferedReader(new InputStreamReader(p.getInputStream(),
                    StandardCharsets.UTF_8))) {
                String line;
                while ((line = r.readLine()) != null) {
                    if (line.startsWith(prefix)) {
                        sent.add(line.substring(prefix.length()));
                    }
                }
            } catch (IOException e) {
                // the child was killed
            }
        });
        t.setDaemon(true);
        t.start();
        return t;
    }

    private static Set<String> ids(List<Entry> entries, int type) {
        Set<String> s = new TreeSet<>();
        for (Entry e : entries) {
            if (e.type() == type) {
                ok(s.add(e.ipMsgId()), "no duplicate of " + e.ipMsgId());
            }
        }
        return s;
    }

    private static void killed() throws Exception {
        Fixture f = new Fixture();
        List<String> sent = Collections.synchronizedList(new ArrayList<>());
        Random random = new Random(4);
        for (int round = 0; round < 5; round++) {
            Process p = start(f, 10000, "K" + round + "-", "TEAM");
            killOnTheWay(p, collect(p, sent), sent, 2, random.nextInt(400), "child");
        }
        ok(sent.size() >= 10, "children got going: " + sent.size());
        MailSession bob = f.session("bob");
        MailSession carol = f.session("carol");
        MailSession alice = f.session("alice");
        Set<String> atBob = ids(bob.list("", "", 100000), Entry.MESSAGE);
        Set<String> atCarol = ids(carol.list("", "", 100000), Entry.MESSAGE);
        Set<String> reported = ids(alice.list("", "", 100000), Entry.REPORT);
        eq(atBob, atCarol, "each message at both members or at neither");
        eq(atBob, reported, "each delivered message has its report");
        ok(atBob.containsAll(sent), "every acknowledged submission is there");
        Path receive = Files.createDirectories(f.work.resolve("fetched"));
        for (Entry e : carol.list("", "", 100000)) {
            eq(64 * 1024, e.getInt("part.1.size"), "size of " + e.ipMsgId());
        }
        for (Entry e : bob.list("", "", 100000)) {
            List<String> names = bob.fetch(e.listId(), receive.toString(), f.work).fileNames;
            eq(64L * 1024, Files.size(Paths.get(names.get(0))), "part of " + e.ipMsgId()
                    + " complete");
            Files.delete(Paths.get(names.get(0)));
        }
        if (Fixture.onPostgres()) {
            return;
        }
        try (Stream<Path> all = Files.walk(f.dir)) {
            all.forEach(p -> ok(!AtomicFiles.isTemporary(p), "temporary file left: " + p));
        }
        try (Stream<Path> spool = Files.list(f.dir.resolve(Job.SPOOL))) {
            eq(0L, spool.count(), "spool empty after recovery");
        }
    }

    /**
     * Four processes of one sender submit at the same time, so that each settles the others'
     * submissions while they are made.
     */
    private static void concurrent() throws Exception {
        Fixture f = new Fixture();
        List<String> sent = Collections.synchronizedList(new ArrayList<>());
        List<Process> processes = new ArrayList<>();
        List<Thread> readers = new ArrayList<>();
        for (String prefix : new String[] {"A", "B", "C", "D"}) {
            Process p = start(f, 10, prefix, "Bakker");
            processes.add(p);
            readers.add(collect(p, sent));
        }
        int failed = 0;
        for (Process p : processes) {
            ok(p.waitFor(180, TimeUnit.SECONDS), "every process ended");
            failed += p.exitValue() == 0 ? 0 : 1;
        }
        for (Thread t : readers) {
            t.join(5000);
        }
        eq(0, failed, "processes that failed");
        eq(40, sent.size(), "all sent");
        List<Entry> inbox = f.session("bob").list("", "", 1000);
        eq(new TreeSet<>(sent), ids(inbox, Entry.MESSAGE), "all delivered once");
        Set<String> listIds = new TreeSet<>();
        inbox.forEach(e -> listIds.add(e.listId()));
        eq(40, listIds.size(), "distinct list identifiers");
    }

    /** receiver SERVER PORT WORK: as bob, fetches and deletes every message, over and over. */
    private static void receiver(String[] a) throws Exception {
        Path work = Paths.get(a[3]);
        MailSession bob = session(a, work, "bob");
        while (true) {
            for (Entry e : bob.list("MSG_TYPE=MSG", "", 5)) {
                bob.fetch(e.listId(), "", work);
                bob.delete(e.listId());
                System.out.println("done " + e.ipMsgId());
                System.out.flush();
            }
        }
    }

    private static void killedReceiver() throws Exception {
        Fixture f = new Fixture();
        MailSession alice = f.session("alice");
        Path part = f.file("payload", "x".repeat(10000));
        int total = 60;
        for (int i = 0; i < total; i++) {
            alice.submit(message("R" + i, 3, 1, to(address("Bakker")), part), f.work);
        }
        String java = Paths.get(System.getProperty("java.home"), "bin", "java").toString();
        List<String> done = Collections.synchronizedList(new ArrayList<>());
        Random random = new Random(7);
        for (int round = 0; round < 6 && done.size() < total; round++) {
            Process p = new ProcessBuilder(java, "-cp", System.getProperty("java.class.path"),
                    DurabilityTest.class.getName(), "receiver", f.server(f.work),
                    Integer.toString(f.port()), f.work.toString()).redirectError(ProcessBuilder.Redirect.INHERIT).start();
            killOnTheWay(p, collect(p, done, "done "), done, 1, random.nextInt(300), "receiver");
        }
        ok(done.size() >= 6, "receivers got going: " + done.size());
        MailSession bob = f.session("bob");
        List<Entry> left = bob.list("", "", 1000);
        Set<String> receipts = new TreeSet<>();
        for (Entry n : f.session("alice").list("", "", 1000)) {
            eq(Entry.NOTIFICATION, n.type(), "only notifications");
            eq(1, n.notices().get(0).notifyType, "receipts only (nothing deleted unread)");
            ok(receipts.add(n.ipMsgId()), "one receipt per message: " + n.ipMsgId());
        }
        Set<String> expected = new TreeSet<>();
        Set<String> inBox = new TreeSet<>();
        for (Entry e : left) {
            inBox.add(e.ipMsgId());
            if (e.isRead()) {
                expected.add(e.ipMsgId());
            }
        }
        for (int i = 0; i < total; i++) {
            if (!inBox.contains("R" + i)) {
                expected.add("R" + i);
            }
        }
        eq(expected, receipts, "a receipt exactly for each message fetched");
        ok(inBox.stream().noneMatch(done::contains), "a reported deletion is final");
    }
}
