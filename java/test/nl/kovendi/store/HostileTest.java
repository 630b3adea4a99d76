package nl.kovendi.store;

import static nl.kovendi.store.Check.eq;
import static nl.kovendi.store.Check.ok;
import static nl.kovendi.store.Fixture.address;
import static nl.kovendi.store.Fixture.message;
import static nl.kovendi.store.Fixture.to;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;

import nl.kovendi.store.api.MailSession;
import nl.kovendi.store.api.StoreException;

/**
 * A hostile party on the PostgreSQL service: mallory holds valid credentials for her own mailbox
 * and calls the service's functions with psql, as any party can. Each case tries one attack on
 * the other parties and checks that it harms none of them; where the harm would show in a
 * partner's run, the partner runs the real program.
 */
public final class HostileTest {
    private static final String MALLORY = "kvm_mallory";
    private static final String MALLORY_PW = "MALLORY-PW-01";
    /** The address fields of bob (and, with another surname, of anyone) as submit takes them. */
    private static final String EMPTY16 = ", ''".repeat(16);

    public static void main(String[] args) {
        Check c = new Check();
        c.run("texts with control characters, NULLs and bad numbers are refused by the service",
                HostileTest::texts);
        c.run("stored control characters, NULLs and a reused identifier steer no partner's run",
                HostileTest::storedPoison);
        c.run("size, count and byte quotas; one sender fills only its share",
                HostileTest::quotas);
        c.run("two concurrent senders never pass the count quota", HostileTest::concurrency);
        c.run("a role takes only its own connection slots", HostileTest::connections);
        c.run("a transaction held open stalls nobody for long", HostileTest::stalls);
        c.run("a rolled-back submission tells nothing about the addresses",
                HostileTest::rollback);
        c.run("least privilege: owners, PUBLIC, fault rules, new functions",
                HostileTest::privileges);
        c.run("init runs as one transaction", HostileTest::initAtOnce);
        c.run("a stop cancels a call that waits in the server", HostileTest::stop);
        c.finish();
    }

    private static Fixture service() throws Exception {
        Fixture f = new Fixture(true);
        Fixture.admin("add-mailbox", f.target, "mallory", MALLORY_PW, "COU=NL", "ADM=400NET",
                "ORG=EVIL", "SUR=Mallory");
        return f;
    }

    /** The SQL of a submission by psql: header pairs, one addressed recipient, the parts. */
    private static String submit(String head, String surname, String parts) {
        return "SELECT kovendi.submit(" + head + ", ARRAY[1], ARRAY[1], ARRAY[''], ARRAY[''],"
                + " ARRAY['NL', '400NET', '', '" + surname + "'" + EMPTY16 + "], " + parts + ")";
    }

    /** Runs a psql script as mallory (one session, going on after errors): status, output. */
    private static String[] mallory(Fixture f, String script) throws Exception {
        Path file = Files.createTempFile(f.work, "mallory", ".sql");
        Files.writeString(file, script);
        return f.pg.psqlAs(MALLORY, MALLORY_PW, "\\i " + file);
    }

    /**
     * Submits {@code times} messages as mallory, each taking its outcome in a transaction of its
     * own after the submission's, as the client does: the number of deliveries.
     */
    private static int malloryDelivers(Fixture f, int times, String mid, String surname,
            String parts) throws Exception {
        StringBuilder script = new StringBuilder();
        for (int i = 0; i < times; i++) {
            script.append(submit("ARRAY['ipMsgId', '" + mid + i + "']", surname, parts))
                    .append(" AS sid \\gset\nSELECT kovendi.submission_result(:sid);\n");
        }
        String[] r = mallory(f, script.toString());
        eq("0", r[0], "mallory's submissions: " + r[1]);
        int reached = 0;
        for (String line : r[1].trim().split("\n")) {
            reached += Integer.parseInt(line.trim());
        }
        return reached;
    }

    private static int items(Fixture f, String user) throws Exception {
        return Integer.parseInt(f.pg.psql("kovendi", "SELECT count(*) FROM kovendi.entry e"
                + " JOIN kovendi.mailbox m ON m.role = e.owner WHERE m.usr = '" + user + "'")
                .trim());
    }

    private static void settings(Fixture f, String assignments) throws Exception {
        f.pg.psql("kovendi", "UPDATE kovendi.settings SET " + assignments
                + "; SELECT kovendi.admin_apply_limits(NULL)");
    }

    private static void texts() throws Exception {
        Fixture f = service();
        String ok = "ARRAY['ipMsgId', 'M1', 'subject', 'fine']";
        String[] attacks = {
            submit("ARRAY['ipMsgId', 'M1', 'subject', 'hello' || chr(10) || '0000000003']",
                    "Bakker", "'{}'"),
            submit("ARRAY['ipMsgId', 'M1', 'subject', NULL]", "Bakker", "'{}'"),
            submit("ARRAY['ipMsgId', 'M1', 'subject']", "Bakker", "'{}'"),
            submit("NULL", "Bakker", "'{}'"),
            submit("ARRAY['ipMsgId', 'M' || chr(127)]", "Bakker", "'{}'"),
            submit("ARRAY['ipMsgId', repeat('m', 65)]", "Bakker", "'{}'"),
            submit("ARRAY['priority', 'x']", "Bakker", "'{}'"),
            submit("ARRAY['notifReq', '12']", "Bakker", "'{}'"),
            submit("ARRAY[['ipMsgId', 'M1'], ['subject', 'two dimensions']]", "Bakker", "'{}'"),
            submit(ok, "Bak' || chr(13) || 'ker", "'{}'"),
            submit(ok, "Bakker", "ARRAY[NULL]::bytea[]"),
            submit(ok, "Bakker", "array_fill('x'::bytea, ARRAY[9])"),
            submit(ok, "Bakker", "'{}'").replace("ARRAY[1], ARRAY[1]", "ARRAY[4], ARRAY[1]"),
            submit(ok, "Bakker", "'{}'").replace("ARRAY[1], ARRAY[1]", "ARRAY[1], ARRAY[NULL]"),
            submit(ok, "Bakker", "'{}'").replace("ARRAY[''], ARRAY['']",
                    "ARRAY[''], ARRAY[repeat('f', 33)]"),
            submit(ok, "Bakker", "'{}'").replace("ARRAY[''], ARRAY['']",
                    "ARRAY['BOBBY' || chr(10)], ARRAY['']").replace("ARRAY[1], ARRAY[1]",
                    "ARRAY[1], ARRAY[5]"),
        };
        // one statement, and one transaction, per attack
        String[] r = mallory(f, String.join(";\n", attacks) + ";\n");
        eq(attacks.length, r[1].split("ERROR:", -1).length - 1, "attacks refused:\n" + r[1]);
        eq(0, items(f, "bob"), "nothing reached bob");
        eq(1, malloryDelivers(f, 1, "FINE", "Bakker", "'{}'"), "a proper submission is delivered");
    }

    /** A message of alice's for bob, sent through the client; returns its list identifier. */
    private static String aliceSends(Fixture f, String mid, String body) throws Exception {
        MailSession alice = f.session("alice");
        alice.submit(message(mid, 1, 1, to(address("Bakker")), f.file(mid + ".txt", body)),
                f.work);
        alice.close();
        return f.pg.psql("kovendi", "SELECT e.props->>'listId' FROM kovendi.entry e"
                + " WHERE e.props->>'ipMsgId' = '" + mid + "'").trim();
    }

    /** Puts into bob's mailbox an item as a service without these checks stored it. */
    private static void storedForBob(Fixture f, String props) throws Exception {
        f.pg.psql("kovendi", "WITH n AS (UPDATE kovendi.mailbox SET next_list_id = next_list_id"
                + " + 1 WHERE usr = 'bob' RETURNING role, next_list_id) INSERT INTO kovendi.entry"
                + " SELECT role, next_list_id, jsonb_build_object('type', '1', 'listId',"
                + " lpad(next_list_id::text, 10, '0'), 'entryTime', '202401011200', 'access',"
                + " 'NEW', 'parts', '0') || jsonb_build_object(" + props + ") FROM n");
    }

    private static void storedPoison() throws Exception {
        if (!Home.available()) {
            System.out.println("     (skipped: no kovendi in KOVENDI_BIN_DIR)");
            return;
        }
        Fixture f = service();
        // mallory sends first with the identifier that alice is going to use
        eq(1, malloryDelivers(f, 1, "ALICE-000", "Bakker", "ARRAY['decoy'::bytea]"),
                "decoy sent");
        String genuine = aliceSends(f, "ALICE-0000", "the genuine order\n");
        // a subject that would start a listing line of its own with alice's list identifier,
        // and a subject and sender that are NULL
        storedForBob(f, "'ipMsgId', 'MALLORY-1', 'subject', 'hello' || chr(10) || '" + genuine
                + "', 'orig.user', 'mallory'");
        storedForBob(f, "'ipMsgId', 'MALLORY-2', 'subject', NULL, 'orig.addr.SUR', NULL");
        Home bob = new Home("bob", "SECRET2-BOBBY", f.pg.port);
        List<String> status = bob.run("*001LIJST\n*002VERWIJDER\nMID=MALLORY*\n*003ONTVANG\n");
        List<String> deleted = new ArrayList<>();
        for (String line : status) {
            ok(line.startsWith("*00") && !Home.field(line, 3).equals("1504"),
                    "a status line split by a text or failed on a NULL: " + line + bob.describe());
            if (Home.field(line, 1).equals("*002VERWIJDER")) {
                deleted.add(Home.field(line, 4));
            }
        }
        ok(deleted.size() == 2 && !deleted.contains(genuine), "VERWIJDER MID=MALLORY* deleted "
                + deleted + ", alice's message is " + genuine + bob.describe());
        eq(4, bob.lines("qrt400.lst").size(), "one listing line per item" + bob.describe());
        List<String> bodies = new ArrayList<>();
        for (String r : bob.lines("qrtlnk.rcv")) {
            bodies.add(bob.read(Home.field(r, 6)));
        }
        eq(List.of("decoy", "the genuine order\n"), bodies, "both messages with the reused"
                + " identifier recorded" + bob.describe());
        eq(0, items(f, "bob"), "every item taken from the mailbox");
    }

    private static void quotas() throws Exception {
        Fixture f = service();
        settings(f, "capacity = 6, sender_share = 50, max_message = 1000, max_bytes = 3000");
        String[] big = f.pg.psqlAs(MALLORY, MALLORY_PW,
                submit("'{}'", "Bakker", "ARRAY[convert_to(repeat('x', 1001), 'UTF8')]"));
        ok(!big[0].equals("0") && big[1].contains("at most 1000"), "too big: " + big[1]);
        eq(3, malloryDelivers(f, 6, "FLOOD", "Bakker", "'{}'"), "mallory fills half of bob's");
        MailSession alice = f.session("alice");
        for (int i = 0; i < 3; i++) {
            alice.submit(message("A" + i, 1, 1, to(address("Bakker"))), f.work);
        }
        Check.verdict(7, () -> alice.submit(message("A3", 1, 3, to(address("Bakker"))),
                f.work));
        eq(6, items(f, "bob"), "bob's mailbox is full, with alice's three");
        alice.close();

        f.pg.psql("kovendi", "DELETE FROM kovendi.entry");
        String part = "ARRAY[convert_to(repeat('x', 900), 'UTF8')]";
        eq(1, malloryDelivers(f, 2, "B", "Bakker", part), "900 bytes, not 1800: her share is 1500");
        MailSession alice2 = f.session("alice");
        alice2.submit(message("A900", 1, 1, to(address("Bakker")), f.file("a900",
                "y".repeat(900))), f.work);
        alice2.close();
        MailSession carol = f.session("carol");
        for (int size : new int[] {900, 300}) {
            carol.submit(message("C" + size, 1, 1, to(address("Bakker")),
                    f.file("c" + size, "y".repeat(size))), f.work);
        }
        Check.verdict(7, () -> carol.submit(message("C1", 1, 1, to(address("Bakker")),
                f.file("c1", "y")), f.work));
        eq(4, items(f, "bob"), "the byte quota of 3000 holds");
        carol.close();
    }

    private static void concurrency() throws Exception {
        Fixture f = service();
        settings(f, "capacity = 8, sender_share = 100");
        ExecutorService pool = Executors.newFixedThreadPool(3);
        List<Future<Integer>> senders = new ArrayList<>();
        for (String user : List.of("alice", "carol", "mallory")) {
            senders.add(pool.submit(() -> {
                MailSession s = user.equals("mallory") ? Services.open("127.0.0.1", f.pg.port,
                        user, MALLORY_PW, f.work, r -> { }) : f.session(user);
                int sent = 0;
                for (int i = 0; i < 8; i++) {
                    try {
                        s.submit(message(user + i, 1, 1, to(address("Bakker"))), f.work);
                        sent++;
                    } catch (StoreException e) {
                        eq(7, (int) e.verdict(), "a full mailbox: " + e.getMessage());
                    }
                }
                s.close();
                return sent;
            }));
        }
        int sent = 0;
        for (Future<Integer> s : senders) {
            sent += s.get(120, TimeUnit.SECONDS);
        }
        pool.shutdown();
        eq(8, items(f, "bob"), "bob's mailbox holds exactly its capacity");
        eq(8, sent, "and every delivery was reported as one");
    }

    private static void connections() throws Exception {
        Fixture f = service();
        settings(f, "connections = 2");
        Path out = Files.createTempFile(f.work, "psql", ".out");
        List<Process> held = new ArrayList<>();
        try {
            for (int i = 0; i < 2; i++) {
                Process p = f.pg.interactive(MALLORY, MALLORY_PW, out);
                PgServer.send(p, "SELECT 1;\n");
                held.add(p);
            }
            long until = System.currentTimeMillis() + 20000;
            while (!f.pg.psql("kovendi", "SELECT count(*) FROM pg_stat_activity WHERE usename = '"
                    + MALLORY + "'").trim().equals("2") && System.currentTimeMillis() < until) {
                Thread.sleep(50);
            }
            String[] third = f.pg.psqlAs(MALLORY, MALLORY_PW, "SELECT 1");
            ok(!third[0].equals("0") && third[1].contains("too many connections"),
                    "a third connection of mallory: " + third[1]);
            eq("0", f.pg.psqlAs("kvm_alice", "SECRET1-ALICE", "SELECT 1")[0], "alice connects");
        } finally {
            for (Process p : held) {
                p.destroy();
            }
        }
    }

    /** Sends one message from alice to bob; returns the seconds it took. */
    private static double aliceSendsTimed(Fixture f, String mid) throws Exception {
        long t0 = System.nanoTime();
        MailSession alice = f.session("alice");
        alice.submit(message(mid, 1, 1, to(address("Bakker"))), f.work);
        alice.close();
        return (System.nanoTime() - t0) / 1e9;
    }

    private static void stalls() throws Exception {
        Fixture f = service();
        settings(f, "idle_ms = 1000, hold_ms = 3000, lock_wait_ms = 20000");
        Path out = Files.createTempFile(f.work, "psql", ".out");
        String[] holds = {
            // idle in a transaction that holds bob's mailbox
            "SET idle_in_transaction_session_timeout = 0;\nBEGIN;\n"
                + submit("ARRAY['ipMsgId', 'HOLD']", "Bakker", "'{}'") + ";\n",
            // busy in it
            "SET statement_timeout = 0;\nBEGIN;\n"
                + submit("ARRAY['ipMsgId', 'HOLD']", "Bakker", "'{}'") + ";\n"
                + "SELECT pg_sleep(600);\n",
            // a fault rule's lock, which version 1 shared between the mailboxes
            "BEGIN;\nSELECT * FROM kovendi.take_fault('API_sendMsg');\n",
        };
        double[] limits = {6, 10, 6};
        f.fault("alice", "API_sendMsg", "delay", "0", "*");
        for (int i = 0; i < holds.length; i++) {
            Process p = f.pg.interactive(MALLORY, MALLORY_PW, out);
            PgServer.send(p, holds[i]);
            long until = System.currentTimeMillis() + 20000;
            while (!f.pg.psql("kovendi", "SELECT count(*) FROM pg_stat_activity WHERE usename = '"
                    + MALLORY + "' AND xact_start IS NOT NULL").trim().equals("1")
                    && System.currentTimeMillis() < until) {
                Thread.sleep(50);
            }
            Thread.sleep(200);
            double seconds = aliceSendsTimed(f, "S" + i);
            System.out.printf("     hold %d: alice's send took %.1f s%n", i, seconds);
            ok(seconds < limits[i], "hold " + i + ": alice waited " + seconds + " s");
            p.destroy();
            p.waitFor(10, TimeUnit.SECONDS);
        }
        eq("0", f.pg.psql("kovendi", "SELECT count(*) FROM kovendi.entry WHERE"
                + " props->>'ipMsgId' = 'HOLD'").trim(), "the held submissions were undone");
    }

    private static void rollback() throws Exception {
        Fixture f = service();
        String[] seen = new String[2];
        String[] surnames = {"Bakker", "Nobody"};
        Path script = f.work.resolve("probe.sql");
        for (int i = 0; i < 2; i++) {
            Files.writeString(script, "BEGIN;\n"
                    + submit("ARRAY['ipMsgId', 'PROBE']", surnames[i], "'{}'") + " AS sid \\gset\n"
                    + "SAVEPOINT s;\n"
                    + "SELECT kovendi.submission_result(:sid);\n"
                    + "ROLLBACK TO SAVEPOINT s;\n"
                    + "SELECT count(*) FROM kovendi.entry;\n"
                    + "SELECT o_total FROM kovendi.open_session();\n"
                    + "ROLLBACK;\n");
            String[] r = f.pg.psqlAs(MALLORY, MALLORY_PW, "\\i " + script);
            seen[i] = r[1].replaceAll("\\d{2,}", "N");
        }
        eq(seen[0], seen[1], "a probe of an existing and of a missing address look alike");
        ok(seen[0].contains("known once it has been committed"), "the outcome is refused: "
                + seen[0]);
        aliceSends(f, "AFTER", "x");
        eq("0000000001", f.pg.psql("kovendi", "SELECT e.props->>'listId' FROM kovendi.entry e"
                + " WHERE e.props->>'ipMsgId' = 'AFTER'").trim(),
                "bob's numbering shows no trace of the probe");
    }

    private static void privileges() throws Exception {
        Fixture f = service();
        PgServer pg = f.pg;
        Fixture.admin("init", f.target);   // once more, on a service in use: nothing changes
        eq(4, Integer.parseInt(pg.psql("kovendi", "SELECT count(*) FROM kovendi.mailbox").trim()),
                "the mailboxes stay");
        eq("kovendi_service|f|f", pg.psql("kovendi", "SELECT DISTINCT r.rolname, r.rolsuper,"
                + " r.rolcanlogin FROM pg_proc p JOIN pg_roles r ON r.oid = p.proowner"
                + " WHERE p.pronamespace = 'kovendi'::regnamespace AND p.prosecdef").trim(),
                "the SECURITY DEFINER functions belong to a role without log-in");
        eq("f|f", pg.psql("kovendi", "SELECT has_database_privilege('public', 'kovendi',"
                + " 'CONNECT'), has_database_privilege('public', 'kovendi', 'TEMP')").trim(),
                "PUBLIC may neither connect nor make temporary tables");
        pg.psql("kovendi", "DROP ROLE IF EXISTS outsider; CREATE ROLE outsider LOGIN PASSWORD"
                + " 'Outsider-Pw-1'");
        String[] outsider = pg.psqlAs("outsider", "Outsider-Pw-1", "SELECT 1");
        ok(outsider[1].contains("permission denied"), "an outsider connects: " + outsider[1]);
        pg.psql("kovendi", "DROP ROLE outsider");
        String[] temp = pg.psqlAs(MALLORY, MALLORY_PW, "CREATE TEMP TABLE t (x int)");
        ok(temp[1].contains("permission denied"), "mallory made a temporary table: " + temp[1]);
        pg.psql("kovendi", "SET ROLE kovendi_admin; CREATE FUNCTION kovendi.later()"
                + " RETURNS int LANGUAGE sql AS 'SELECT 1'");
        eq("f", pg.psql("kovendi", "SELECT has_function_privilege('" + MALLORY + "',"
                + " 'kovendi.later()', 'EXECUTE')").trim(), "a new function is closed");
        pg.psql("kovendi", "DROP FUNCTION kovendi.later()");

        f.fault("bob", "API_getMsg", "9");
        String take = "SELECT * FROM kovendi.take_fault('API_getMsg')";
        eq("", pg.psqlAs(MALLORY, MALLORY_PW, take)[1].trim(), "mallory takes bob's rule");
        Fixture.admin("faults", f.target, "off");
        eq("", pg.psqlAs("kvm_bob", "SECRET2-BOBBY", take)[1].trim(), "a rule acts while off");
        Fixture.admin("faults", f.target, "on");
        eq("0|9|1", pg.psqlAs("kvm_bob", "SECRET2-BOBBY", take)[1].trim(), "bob's own rule");
    }

    private static void initAtOnce() throws Exception {
        Fixture f = service();
        PgServer pg = f.pg;
        pg.psql("postgres", "DROP DATABASE IF EXISTS kv_once");
        pg.psql("postgres", "CREATE DATABASE kv_once");
        // a function of the schema that a view depends on: init cannot replace it and fails
        pg.psql("kv_once", "CREATE SCHEMA kovendi; CREATE FUNCTION kovendi.open_session()"
                + " RETURNS int LANGUAGE sql AS 'SELECT 1'; CREATE VIEW public.v AS"
                + " SELECT kovendi.open_session()");
        Check.verdict(3, () -> Fixture.admin("init", pg.adminUrl("kv_once")));
        eq("t|f", pg.psql("kv_once", "SELECT has_database_privilege('public', 'kv_once',"
                + " 'CONNECT'), to_regclass('kovendi.mailbox') IS NOT NULL").trim(),
                "the failed init changed nothing");
        pg.psql("postgres", "DROP DATABASE kv_once");
    }

    private static void stop() throws Exception {
        if (!Home.available()) {
            System.out.println("     (skipped: no kovendi in KOVENDI_BIN_DIR)");
            return;
        }
        Fixture f = service();
        settings(f, "lock_wait_ms = 120000, hold_ms = 120000, statement_ms = 120000");
        Home alice = new Home("alice", "SECRET1-ALICE", f.pg.port);
        alice.write("letter.txt", "Brief.\n");
        Process admin = f.pg.interactive(null, null, Files.createTempFile(f.work, "a", ".out"));
        try {
            PgServer.send(admin, "BEGIN;\nLOCK TABLE kovendi.entry IN EXCLUSIVE MODE;\n");
            Process run = alice.start("*001ZEND\nMID=LETTER1\nALI=BOBBY\nFIL=letter.txt\n");
            String waiting = "SELECT count(*) FROM pg_stat_activity WHERE usename = 'kvm_alice'"
                    + " AND state = 'active' AND query LIKE '%kovendi.submit%'";
            long until = System.currentTimeMillis() + 60000;
            while (!f.pg.psql("kovendi", waiting).trim().equals("1") && run.isAlive()
                    && System.currentTimeMillis() < until) {
                Thread.sleep(50);
            }
            ok(run.isAlive(), "the run ended before the send waited" + alice.describe());
            eq("1", f.pg.psql("kovendi", waiting).trim(), "the send waits in the server");
            long pressed = System.nanoTime();
            new ProcessBuilder("kill", "-INT", Long.toString(run.pid())).start().waitFor();
            boolean ended = run.waitFor(30, TimeUnit.SECONDS);
            double seconds = (System.nanoTime() - pressed) / 1e9;
            System.out.printf("     the run ended %.2f s after the stop%n", seconds);
            ok(ended && seconds < 5, "the run ended " + seconds + " s after the stop");
            eq("0", f.pg.psql("kovendi", waiting).trim(), "the statement was cancelled");
            List<String> status = alice.lines("qrtlnk.sts");
            eq(2, status.size(), "CONNECT and ZEND" + alice.describe());
            eq("1516", Home.field(status.get(1), 3), "the stop code" + alice.describe());
        } finally {
            admin.destroy();
            admin.waitFor(10, TimeUnit.SECONDS);
        }
        eq(0, items(f, "bob"), "nothing was delivered");
    }
}
