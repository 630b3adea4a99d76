package nl.kovendi.store;

import static nl.kovendi.store.Check.eq;
import static nl.kovendi.store.Check.ok;
import static nl.kovendi.store.Fixture.address;
import static nl.kovendi.store.Fixture.admin;
import static nl.kovendi.store.Fixture.alias;
import static nl.kovendi.store.Fixture.message;
import static nl.kovendi.store.Fixture.to;

import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.Fetched;
import nl.kovendi.store.api.MailSession;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.api.UsageException;
import nl.kovendi.store.embedded.MailService;
import nl.kovendi.store.embedded.Store;

/**
 * The commands that survey or move a whole store: remove-mailbox, set-address, status, check,
 * export and import, and where passwords come from. On PostgreSQL (-Dkovendi.store=postgresql)
 * the same cases run on a service, and a store travels embedded -> PostgreSQL -> embedded.
 */
public final class StoreAdminTest {
    public static void main(String[] args) {
        Check c = new Check();
        c.run("set-address readdresses a mailbox; status counts new, read and reports",
                StoreAdminTest::readdressAndStatus);
        if (Fixture.onPostgres()) {
            // The trip also removes mailboxes and refuses nothing it should take.
            c.run("embedded -> PostgreSQL -> embedded keeps mailboxes, passwords and items",
                    StoreAdminTest::roundTrip);
        } else {
            c.run("remove-mailbox takes the mailbox, its items, aliases and list places",
                    StoreAdminTest::removal);
            c.run("a dump holds everything; a cut or foreign dump and a full store are refused",
                    StoreAdminTest::dumpChecks);
            c.run("check HOME names each mistake of a user file", StoreAdminTest::checkHome);
            c.run("passwords from standard input, from a file, or with a warning",
                    StoreAdminTest::passwords);
        }
        c.finish();
    }

    /** bob has a message from alice and a READ one; alice has the delivery reports. */
    private static void fill(Fixture f) throws Exception {
        Path file = f.file("order.txt", "bestelling \u00e9\u00ff\n\u0001binary\u00ad");
        MailSession alice = f.session("alice");
        alice.submit(message("ORDER1", 3, 3, to(address("Bakker")), file), f.work);
        alice.submit(message("ORDER2", 1, 3, to(alias("BOBBY")), file, file), f.work);
        alice.close();
        MailSession bob = f.session("bob");
        String first = bob.list("MSG_TYPE=MSG", "", 10).get(0).listId();
        bob.fetch(first, f.work.toString(), f.work);
        bob.close();
    }

    private static void removal() throws Exception {
        Fixture f = new Fixture();
        fill(f);
        String out = admin("remove-mailbox", f.target, "bob");
        eq("removed alias BOBBY\n", out.replace("removed list TEAM\n", ""), "what went");
        ok(!out.contains("list TEAM"), "TEAM keeps carol: " + out);
        String list = admin("list", f.target);
        ok(!list.contains("bob") && list.contains("list TEAM -> carol"), list);
        Check.verdict(Verdict.LOGIN_REFUSED, () -> f.session("bob"));
        admin("remove-mailbox", f.target, "carol");
        ok(!admin("list", f.target).contains("TEAM"), "a list without members goes");
        Check.verdict(f.pg != null ? Verdict.CONNECTION_LOST : Verdict.INVALID_ARGUMENT,
                () -> admin("remove-mailbox", f.target, "bob"));
        // The name is free again, and the new mailbox starts empty.
        admin("add-mailbox", f.target, "bob", "secret2-bobby", "COU=NL", "ADM=400NET", "SUR=Bakker");
        MailSession bob = f.session("bob");
        eq(0, bob.counts()[0], "items of the new bob");
        bob.close();
        // alice's reports of the messages to bob stay hers.
        ok(admin("status", f.target).contains("alice         0      0        3"),
                admin("status", f.target));
    }

    private static void readdressAndStatus() throws Exception {
        Fixture f = new Fixture();
        fill(f);
        eq("MAILBOX     NEW   READ  REPORTS\n"
                + "alice         0      0        3\n"
                + "bob           1      1        0\n"
                + "carol         0      0        0\n", admin("status", f.target), "status");
        Check.verdict(Verdict.NOT_ALLOWED, () -> admin("set-address", f.target, "carol",
                "COU=NL", "ADM=400NET", "ORG=KOVENDI", "SUR=Bakker", "GIV=Bob"));
        admin("set-address", f.target, "carol", "COU=NL", "ADM=400NET", "PMD=QRT400", "SUR=Cools",
                "FFN=Carol Cools");
        ok(admin("list", f.target).contains("mailbox carol \"Carol Cools\" COU=NL ADM=400NET"
                + " PMD=QRT400 SUR=Cools"), admin("list", f.target));
        MailSession alice = f.session("alice");
        Path file = f.file("x.txt", "x");
        Check.verdict(Verdict.NO_RECIPIENT, () -> alice.submit(message("OLD", 1, 1,
                to(address("Claes")), file), f.work));
        alice.submit(message("NEW", 1, 1, to(address("Cools")), file), f.work);
        alice.close();
        ok(admin("status", f.target).contains("carol         1      0        0"), "arrived");
    }

    private static void dumpChecks() throws Exception {
        Fixture f = new Fixture();
        fill(f);
        Path dump = f.work.resolve("store.dump");
        admin("export", f.target, dump.toString());
        List<String> lines = Files.readAllLines(dump, StandardCharsets.UTF_8);
        eq("kovendi-store dump\t1", lines.get(0), "header");
        eq("end\t3\t1\t1\t5", lines.get(lines.size() - 1), "counts");
        // A service reports its refusals as verdict 3, with the server's words.
        Check.verdict(f.pg != null ? Verdict.CONNECTION_LOST : Verdict.NOT_ALLOWED,
                () -> admin("import", f.target, dump.toString()));
        String counts = admin("status", f.target);
        Fixture empty = new Fixture();  // on PostgreSQL the same database, emptied
        for (String u : List.of("alice", "bob", "carol")) {
            admin("remove-mailbox", empty.target, u);
        }
        Path cut = f.work.resolve("cut.dump");
        Files.write(cut, lines.subList(0, lines.size() - 1), StandardCharsets.UTF_8);
        Check.verdict(Verdict.INVALID_ARGUMENT, () -> admin("import", empty.target, cut.toString()));
        Path foreign = f.work.resolve("foreign.dump");
        Files.writeString(foreign, "kovendi-store dump\t2\n");
        Check.verdict(Verdict.INVALID_ARGUMENT,
                () -> admin("import", empty.target, foreign.toString()));
        eq("", admin("list", empty.target), "nothing imported from a refused dump");
        admin("import", empty.target, dump.toString());
        eq(counts, admin("status", empty.target), "the copy's counts");
        Path again = f.work.resolve("again.dump");
        admin("export", empty.target, again.toString());
        eq(lines, Files.readAllLines(again, StandardCharsets.UTF_8), "export of the copy");
    }

    /** Dumps with the credentials left out: their form differs between the stores. */
    private static List<String> comparable(Path dump) throws Exception {
        List<String> out = new ArrayList<>();
        for (String line : Files.readAllLines(dump, StandardCharsets.UTF_8)) {
            String[] f = line.split("\t", -1);
            if (f[0].equals("mailbox")) {
                f[3] = "CREDENTIAL";
            }
            out.add(String.join("\t", f));
        }
        return out;
    }

    private static void roundTrip() throws Exception {
        Fixture embedded = new Fixture(false);
        fill(embedded);
        Path first = embedded.work.resolve("first.dump");
        admin("export", embedded.target, first.toString());

        Fixture service = new Fixture(true);
        for (String u : List.of("alice", "bob", "carol")) {
            admin("remove-mailbox", service.target, u);
        }
        admin("import", service.target, first.toString());
        Check.verdict(Verdict.CONNECTION_LOST, () -> admin("import", service.target,
                first.toString()));  // a service with mailboxes is not filled again
        Path second = embedded.work.resolve("second.dump");
        admin("export", service.target, second.toString());
        eq(comparable(first), comparable(second), "PostgreSQL's export of the imported store");
        ok(Files.readString(second).contains("SCRAM-SHA-256$"), "verifiers carried");
        MailSession bob = service.session("bob");
        eq(2, bob.counts()[0], "bob's items on the service");
        String unread = bob.list("ACCESS_STATUS=NEW & MSG_TYPE=MSG", "", 10).get(0).listId();
        Fetched got = bob.fetch(unread, service.work.toString(), service.work);
        eq("bestelling \u00e9\u00ff\n\u0001binary\u00ad", Files.readString(
                service.work.resolve(got.fileNames.get(0)), StandardCharsets.ISO_8859_1),
                "the file of an imported item, byte for byte");
        bob.close();
        Check.verdict(Verdict.LOGIN_REFUSED, () -> Services.open("127.0.0.1",
                service.port(), "alice", "wrong", service.work, r -> { }));

        Path back = Check.tempDir("back");
        admin("init", back.toString());
        admin("import", back.toString(), second.toString());
        Path third = embedded.work.resolve("third.dump");
        admin("export", back.toString(), third.toString());
        eq(comparable(first), comparable(third), "back in an embedded store");
        Store store = Store.open(back);
        ok(MailService.login(store, "carol", "SECRET3-CAROL") != null, "a verifier verifies");
        Check.verdict(Verdict.LOGIN_REFUSED, () -> MailService.login(store, "carol", "secret4"));
        ok(store.readDirectory().mailbox("carol").passwordHash().startsWith("pbkdf2-sha256$"),
                "replaced by a hash of its own at the log-in");
    }

    private static void checkHome() throws Exception {
        Fixture f = new Fixture();
        admin("add-mailbox", f.target, "dave", "secret4", "COU=NL", "ADM=400NET", "PMD=QRT400",
                "SUR=Dijk");
        Path home = Check.tempDir("home");
        String gns = "POS=dave\nPIN=SECRET4\nSRV=file:" + f.dir + "\nPNB=1\n";
        Files.writeString(home.resolve("QRTLNK.GNS"), gns);  // found in any letter case
        eq(0, check(home.toString()).problems, "a good user file");
        String[][] mistakes = {
            {"PNB=1", "PNI=1", "unknown key \"PNI\""},
            {"PIN=SECRET4", "PIN=SECRET9", "the password is not the one of mailbox dave"},
            {"POS=dave", "POS=dirk", "has no mailbox dirk (its mailboxes: alice bob carol dave"},
            {"file:" + f.dir, "file:" + f.dir + "-gone", "does not exist (kovendi: status 1506)"},
            {"PNB=1\n", "", "has no PNB= (required also for SRV=file:"},
        };
        for (String[] m : mistakes) {
            Files.writeString(home.resolve("QRTLNK.GNS"), gns.replace(m[0], m[1]));
            Result r = check(home.toString());
            ok(r.problems > 0 && r.out.contains(m[2]), m[1] + ": " + r.out);
        }
        // A scrambled PIN (as the first run leaves it) is read back.
        Files.writeString(home.resolve("QRTLNK.GNS"), gns.replace("SECRET4",
                scrambled("SECRET4")), StandardCharsets.ISO_8859_1);
        eq(0, check(home.toString()).problems, "scrambled password");
        Result noPmd = check(f.target, "alice", "secret1-alice");
        ok(noPmd.problems == 1 && noPmd.out.contains("has no PMD"), noPmd.out);
    }

    /** The PIN as the client scrambles it (the reverse of HomeCheck.plainPin). */
    private static String scrambled(String pin) {
        char[] c = new StringBuilder(pin.toUpperCase()).reverse().toString().toCharArray();
        c[0] = (char) (255 - c[0]);
        for (int i = 1; i < c.length; i++) {
            String d = String.format("%02d", (int) c[i]);
            int stored = 2 * ((d.charAt(1) - '0') * 10 + (d.charAt(0) - '0'));
            c[i] = (char) (stored < 33 ? stored - 56 & 0xff : stored);
        }
        return new String(c);
    }

    private static final class Result {
        int problems;
        String out;
    }

    private static Result check(String... args) throws Exception {
        Result r = new Result();
        List<String> all = new ArrayList<>(List.of("check"));
        all.addAll(List.of(args));
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        try {
            new Admin(new PrintStream(bytes, true, StandardCharsets.UTF_8))
                    .run(all.toArray(new String[0]));
        } catch (StoreException e) {
            r.problems = Integer.parseInt(e.getMessage().replaceAll(" .*", ""));
        }
        r.out = bytes.toString(StandardCharsets.UTF_8);
        return r;
    }

    private static void passwords() throws Exception {
        ByteArrayOutputStream err = new ByteArrayOutputStream();
        PasswordInput input = new PasswordInput(new ByteArrayInputStream(
                "from-stdin\r\nnext\n".getBytes(StandardCharsets.UTF_8)),
                new PrintStream(err, true, StandardCharsets.UTF_8));
        eq(List.of("bob", "from-stdin", "SUR=B"), input.resolve("add-mailbox",
                List.of("bob", "-", "SUR=B")), "standard input");
        Path file = Check.tempDir("pw").resolve("pw");
        Files.writeString(file, "from-file\n");
        eq(List.of("bob", "from-file"), input.resolve("set-password",
                List.of("bob", "--password-file", file.toString())), "a file");
        eq("", err.toString(StandardCharsets.UTF_8), "no warning for those");
        eq(List.of("bob", "literal"), input.resolve("set-password", List.of("bob", "literal")),
                "the old form still works");
        ok(err.toString(StandardCharsets.UTF_8).contains("warning"), "with a warning");
        eq(List.of("h"), input.resolve("check", List.of("h")), "check HOME has no password");
        try {
            input.resolve("set-password", List.of("bob", "--password-file", file + ".none"));
            throw new AssertionError("a missing password file is refused");
        } catch (UsageException e) {
            ok(e.getMessage().contains("password file"), e.getMessage());
        }
    }
}
