package nl.kovendi.store;

import static nl.kovendi.store.Fixture.address;
import static nl.kovendi.store.Fixture.message;
import static nl.kovendi.store.Fixture.to;

import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;

import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.Fetched;
import nl.kovendi.store.api.MailSession;

/**
 * Throughput of the two stores: PARTIES parties, each in a process of its own, each sending
 * MESSAGES messages (one body part of 1 KB, round robin to the other parties) and receiving what
 * it gets (list, fetch, delete), all at once. Prints messages per second for the embedded store
 * and for PostgreSQL and checks that every message was received exactly once.
 *
 * <pre>
 * java -cp kovendi.jar:kovendi-tests.jar:postgresql.jar nl.kovendi.store.Benchmark [PARTIES [MESSAGES]]
 * </pre>
 */
public final class Benchmark {
    private Benchmark() {
    }

    public static void main(String[] args) throws Exception {
        if (args.length > 0 && args[0].equals("party")) {
            party(args);
            return;
        }
        int parties = args.length > 0 ? Integer.parseInt(args[0]) : 20;
        int messages = args.length > 1 ? Integer.parseInt(args[1]) : 50;
        Check c = new Check();
        c.run("embedded store", () -> Check.ok(run(new Fixture(false), "embedded store",
                parties, messages), "embedded store"));
        c.run("PostgreSQL", () -> Check.ok(run(new Fixture(true), "PostgreSQL", parties,
                messages), "PostgreSQL"));
        c.finish();
    }

    private static String user(int i) {
        return String.format("p%02d", i);
    }

    private static boolean run(Fixture f, String name, int parties, int messages)
            throws Exception {
        for (int i = 1; i <= parties; i++) {
            Fixture.admin("add-mailbox", f.target, user(i), "member-pass-" + i, "COU=NL",
                    "ADM=400NET",
                    "ORG=BENCH", "SUR=Party" + i);
        }
        Files.write(f.work.resolve("payload"), new byte[1024]);
        String java = Paths.get(System.getProperty("java.home"), "bin", "java").toString();
        Map<Integer, Integer> expected = new TreeMap<>();
        for (int i = 1; i <= parties; i++) {
            for (int k = 0; k < messages; k++) {
                expected.merge(target(i, k, parties), 1, Integer::sum);
            }
        }
        List<Process> procs = new ArrayList<>();
        List<String> received = Collections.synchronizedList(new ArrayList<>());
        List<Long> marks = Collections.synchronizedList(new ArrayList<>());
        List<Thread> readers = new ArrayList<>();
        for (int i = 1; i <= parties; i++) {
            Path work = Files.createDirectories(f.work.resolve(user(i)));
            Process p = new ProcessBuilder(java, "-XX:TieredStopAtLevel=1", "-cp",
                    System.getProperty("java.class.path"), Benchmark.class.getName(), "party",
                    f.server(work), Integer.toString(f.port()), work.toString(),
                    Integer.toString(i), Integer.toString(parties), Integer.toString(messages),
                    Integer.toString(expected.getOrDefault(i, 0)))
                    .redirectError(ProcessBuilder.Redirect.INHERIT).start();
            procs.add(p);
            Thread t = new Thread(() -> {
                try (BufferedReader r = new BufferedReader(new InputStreamReader(
                        p.getInputStream(), StandardCharsets.UTF_8))) {
                    String line;
                    while ((line = r.readLine()) != null) {
                        if (line.startsWith("got ")) {
                            received.add(line.substring(4));
                        } else if (line.startsWith("t ")) {
                            String[] w = line.split(" ");
                            marks.add(Long.parseLong(w[1]));
                            marks.add(Long.parseLong(w[2]));
                        }
                    }
                } catch (Exception e) {
                    // the party ended
                }
            });
            t.start();
            readers.add(t);
        }
        boolean fine = true;
        for (Process p : procs) {
            fine &= p.waitFor() == 0;
        }
        for (Thread t : readers) {
            t.join();
        }
        long start = Long.MAX_VALUE;
        long end = 0;
        for (int k = 0; k < marks.size(); k += 2) {
            start = Math.min(start, marks.get(k));
            end = Math.max(end, marks.get(k + 1));
        }
        int total = parties * messages;
        List<String> sorted = new ArrayList<>(received);
        Collections.sort(sorted);
        boolean once = sorted.size() == total && sorted.stream().distinct().count() == total;
        double seconds = (end - start) / 1000.0;
        System.out.printf("%s: %d parties, %d messages sent and received in %.1f s: %.1f"
                + " messages/s; every message received exactly once: %s%n", name, parties,
                total, seconds, total / seconds, once && fine ? "yes"
                        : "NO (" + sorted.size() + " received, " + sorted.stream().distinct()
                                .count() + " distinct)");
        return once && fine;
    }

    private static int target(int from, int k, int parties) {
        return (from - 1 + 1 + k % (parties - 1)) % parties + 1;
    }

    /** party SERVER PORT WORK I PARTIES MESSAGES EXPECTED */
    private static void party(String[] a) throws Exception {
        Path work = Paths.get(a[3]);
        int me = Integer.parseInt(a[4]);
        int parties = Integer.parseInt(a[5]);
        int messages = Integer.parseInt(a[6]);
        int expected = Integer.parseInt(a[7]);
        Files.copy(work.getParent().resolve("payload"), work.resolve("payload"));
        MailSession s = Services.open(a[1], Integer.parseInt(a[2]), user(me),
                "MEMBER-PASS-" + me, work,
                r -> { });
        long t0 = System.currentTimeMillis();
        int sent = 0;
        int got = 0;
        while (sent < messages || got < expected) {
            if (sent < messages) {
                int to = target(me, sent, parties);
                s.submit(message(user(me) + "-" + sent, 1, 1, to(address("Party" + to)),
                        work.resolve("payload")), work);
                sent++;
            }
            List<Entry> page = s.list("MSG_TYPE=MSG", "", 20);
            for (Entry e : page) {
                Fetched f = s.fetch(e.listId(), "", work);
                for (String n : f.fileNames) {
                    Files.delete(work.resolve(n));
                }
                s.delete(e.listId());
                System.out.println("got " + e.ipMsgId());
                got++;
            }
            if (sent >= messages && page.isEmpty()) {
                Thread.sleep(20);
            }
        }
        System.out.println("t " + t0 + " " + System.currentTimeMillis());
        s.close();
    }
}
