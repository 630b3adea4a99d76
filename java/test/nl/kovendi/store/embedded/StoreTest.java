package nl.kovendi.store.embedded;

import static nl.kovendi.store.Check.eq;
import static nl.kovendi.store.Check.ok;
import static nl.kovendi.store.Check.verdict;
import static nl.kovendi.store.Fixture.address;
import static nl.kovendi.store.Fixture.alias;
import static nl.kovendi.store.Fixture.list;
import static nl.kovendi.store.Fixture.message;
import static nl.kovendi.store.Fixture.to;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.ArrayList;
import java.util.List;
import java.util.stream.Stream;

import nl.kovendi.Verdict;
import nl.kovendi.objects.MessageOut;
import nl.kovendi.store.Check;
import nl.kovendi.store.Fixture;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.Faults;
import nl.kovendi.store.api.Fetched;
import nl.kovendi.store.api.ListIds;
import nl.kovendi.store.api.PasswordHash;
import nl.kovendi.store.api.Pbkdf2Sha256;
import nl.kovendi.store.api.ScramVerifier;
import nl.kovendi.store.api.StopCheck;

/** The message store: log-in, submission, reports, notifications, fetch, delete, faults. */
public final class StoreTest {
    private static final String ALL = "";

    public static void main(String[] args) {
        Check c = new Check();
        c.run("log-in checks the salted password hash, never stores it plainly", StoreTest::login);
        c.run("password change holds from the next log-in", StoreTest::passwordChange);
        c.run("files private, strong hashes, older hashes replaced at log-in",
                StoreTest::secrets);
        c.run("the password hash is PBKDF2-HMAC-SHA-256 byte for byte", StoreTest::pbkdf2);
        c.run("a store file reads back exactly what was written", StoreTest::propertiesFile);
        c.run("submission reaches full addresses, aliases and lists once per mailbox",
                StoreTest::submission);
        c.run("a message that reaches nobody is refused; bad messages are refused",
                StoreTest::refusals);
        c.run("report request 1, 2 and 3", StoreTest::reports);
        c.run("a report longer than 21 entries is split", StoreTest::longReport);
        c.run("notification request 1, 2 and 3", StoreTest::notifications);
        c.run("fetch writes the parts, marks READ and never overwrites", StoreTest::fetch);
        c.run("a fetch into an unusable directory changes nothing", StoreTest::fetchFailure);
        c.run("delete removes the item and its parts", StoreTest::delete);
        c.run("listing pages after a list identifier and applies the filter", StoreTest::paging);
        c.run("fault rules fail, wait and count down", StoreTest::faults);
        c.run("a damaged or busy store fails with its verdict", StoreTest::damaged);
        c.run("a certain job is applied by the next process; leftovers are removed",
                StoreTest::recovery);
        c.finish();
    }

    private static void login() throws Exception {
        Fixture f = new Fixture();
        ok(f.login("alice") != null, "alice logs in");
        ok(MailService.login(f.store, "ALICE", "SECRET1-ALICE") != null,
                "user and password without regard to letter case");
        verdict(Verdict.LOGIN_REFUSED, () -> MailService.login(f.store, "alice", "secret2-bobby"));
        verdict(Verdict.LOGIN_REFUSED, () -> MailService.login(f.store, "nobody", "secret1-alice"));
        verdict(Verdict.LOGIN_REFUSED, () -> MailService.login(f.store, "alice", ""));
        String dir = Files.readString(f.dir.resolve(Directory.FILE), StandardCharsets.ISO_8859_1);
        ok(!dir.toLowerCase().contains("secret"), "no plain password in the directory");
        ok(dir.contains("pbkdf2-sha256$"), "hash scheme recorded");
        Directory d = Directory.load(f.dir);
        ok(!d.mailbox("alice").passwordHash.equals(PasswordHash.create("secret1-alice")),
                "salted: the same password hashes differently");
        verdict(Verdict.CONNECTION_LOST, () -> Store.open(f.work));
    }

    private static void secrets() throws Exception {
        Fixture f = new Fixture();
        MailService alice = f.login("alice");
        alice.submit(message("PRIVATE", 0, 0, to(address("Bakker")),
                f.file("p.txt", "private\n")), f.work);
        if (Files.getFileStore(f.dir).supportsFileAttributeView("posix")) {
            Path other = Check.tempDir("other");
            Files.setPosixFilePermissions(other, PosixFilePermissions.fromString("rwxr-xr-x"));
            Fixture.admin("init", other.toString());
            ok(Files.getPosixFilePermissions(other).equals(
                    PosixFilePermissions.fromString("rwx------")), "a new store directory is private");
            int files = 0;
            try (java.util.stream.Stream<Path> all = Files.walk(f.dir)) {
                for (Path p : (Iterable<Path>) all::iterator) {
                    if (p.equals(f.dir)) {
                        continue;
                    }
                    String mode = PosixFilePermissions.toString(Files.getPosixFilePermissions(p));
                    boolean dir = Files.isDirectory(p);
                    eq(dir ? "rwx------" : "rw-------", mode, "mode of " + f.dir.relativize(p));
                    files += dir ? 0 : 1;
                }
            }
            ok(files >= 5, "the store's files were checked: " + files);
        }

        Directory d = Directory.load(f.dir);
        ok(PasswordHash.rounds(d.mailbox("bob").passwordHash) >= 100_000, "at least 100,000 rounds");
        // an older store
        d.mailbox("bob").passwordHash = PasswordHash.create("secret2-bobby", 300);
        d.save(f.dir);
        verdict(Verdict.LOGIN_REFUSED, () -> MailService.login(f.store, "bob", "wrong"));
        eq(300, PasswordHash.rounds(Directory.load(f.dir).mailbox("bob").passwordHash),
                "a refused log-in changes nothing");
        ok(f.login("bob") != null, "the older hash still verifies");
        String upgraded = Directory.load(f.dir).mailbox("bob").passwordHash;
        eq(PasswordHash.ITERATIONS, PasswordHash.rounds(upgraded), "replaced at the log-in");
        long start = System.nanoTime();
        ok(f.login("bob") != null, "the new hash verifies");
        long millis = (System.nanoTime() - start) / 1_000_000;
        System.out.println("  log-in with " + PasswordHash.ITERATIONS + " rounds: " + millis + " ms");
        ok(millis < 1500, "a log-in stays quick: " + millis + " ms");
        eq(upgraded, Directory.load(f.dir).mailbox("bob").passwordHash, "hashed once");
    }

    private static void pbkdf2() throws Exception {
        // Published vectors (first 32 bytes of the derived key).
        eq("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc",
                hex(Pbkdf2Sha256.derive(bytes("passwd"), bytes("salt"), 1)), "passwd/salt, 1 round");
        eq("4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56",
                hex(Pbkdf2Sha256.derive(bytes("Password"), bytes("NaCl"), 80000)),
                "Password/NaCl, 80,000 rounds");
        // Against the runtime's own implementation, across the block boundaries of the password
        // (the HMAC key) and of the salt (the first round's message), and non-ASCII text.
        java.util.Random random = new java.util.Random(27);
        String[] passwords = {"", "A", "SECRET1", "x".repeat(63), "y".repeat(64), "z".repeat(65),
            "w".repeat(200), "G\u00c9HEIM\u20ac", "P\ud83d\ude00W"};
        int[] saltLengths = {1, 16, 51, 52, 55, 56, 59, 60, 64, 115, 116, 123, 124, 200};
        for (String password : passwords) {
            for (int saltLength : saltLengths) {
                byte[] salt = new byte[saltLength];
                random.nextBytes(salt);
                int rounds = 1 + random.nextInt(40);
                byte[] expected = ScramVerifier.runtimePbkdf2(password, salt, rounds);
                eq(hex(expected), hex(Pbkdf2Sha256.derive(
                        password.getBytes(StandardCharsets.UTF_8), salt, rounds)),
                        "password of " + password.length() + ", salt of " + saltLength);
            }
        }
        // A hash stored by the runtime's implementation verifies, at its own round count.
        byte[] salt = new byte[16];
        random.nextBytes(salt);
        byte[] stored = ScramVerifier.runtimePbkdf2("SECRET1", salt, 1000);
        java.util.Base64.Encoder b64 = java.util.Base64.getEncoder();
        String line = "pbkdf2-sha256$1000$" + b64.encodeToString(salt) + "$"
                + b64.encodeToString(stored);
        ok(PasswordHash.verify("secret1", line), "a stored hash verifies");
        ok(!PasswordHash.verify("secret2", line), "another password does not");
    }

    private static void propertiesFile() throws Exception {
        java.util.Properties written = new java.util.Properties();
        String[] texts = {"", "plain", " lead", "trail ", "a b", "k=v", "k:v", "#x", "!x", "\\",
            "back\\slash", "tab\tline\nreturn\rfeed\f", "\u00e9t\u00e9", "\u20ac", "\u0001\u007f",
            "=:#! mixed \\ \u00ff"};
        for (int i = 0; i < texts.length; i++) {
            written.setProperty(texts[i], texts[(i + 3) % texts.length]);
        }
        Path file = Check.tempDir("props").resolve("p.properties");
        AtomicFiles.writeProperties(file, written);
        eq(written, AtomicFiles.readProperties(file), "read back");
        ok(!Files.readString(file, StandardCharsets.ISO_8859_1).startsWith("#"), "no date line");
    }

    private static byte[] bytes(String s) {
        return s.getBytes(StandardCharsets.UTF_8);
    }

    private static String hex(byte[] b) {
        StringBuilder s = new StringBuilder();
        for (byte x : b) {
            s.append(Character.forDigit((x >> 4) & 0xf, 16)).append(Character.forDigit(x & 0xf, 16));
        }
        return s.toString();
    }

    private static void passwordChange() throws Exception {
        Fixture f = new Fixture();
        MailService s = f.login("alice");
        verdict(Verdict.PASSWORD_INVALID, () -> s.changePassword(""));
        verdict(Verdict.PASSWORD_INVALID, () -> s.changePassword("1234567890123456"));
        verdict(Verdict.PASSWORD_INVALID, () -> s.changePassword("ab\tc"));
        s.changePassword("NIEUW12345ABCDE");
        ok(s.counts() != null, "the open session goes on");
        verdict(Verdict.LOGIN_REFUSED, () -> MailService.login(f.store, "alice", "secret1-alice"));
        ok(MailService.login(f.store, "alice", "nieuw12345abcde") != null, "new password");
    }

    private static List<Entry> items(Fixture f, String user) throws Exception {
        return f.login(user).list(ALL, "", 1000);
    }

    private static void submission() throws Exception {
        Fixture f = new Fixture();
        MailService alice = f.login("alice");
        Path a = f.file("a.txt", "first part");
        Path b = f.file("b.txt", "second part \u00e9");
        alice.submit(message("MID1", 1, 1, to(address("bakker")), a, b), f.work);
        alice.submit(message("MID2", 1, 1, to(alias("bobby"), list("TEAM")), a), f.work);
        List<Entry> bob = items(f, "bob");
        eq(2, bob.size(), "bob: one copy of each message");
        eq("MID1", bob.get(0).ipMsgId(), "first");
        eq(2, bob.get(0).partCount(), "two parts");
        eq("Alders", bob.get(0).surName(), "originator surname");
        eq("MID2", bob.get(1).ipMsgId(), "second");
        List<Entry> carol = items(f, "carol");
        eq(1, carol.size(), "carol through the list");
        eq(0, items(f, "alice").size(), "no reports with report request 1");
        // a recipient of kind 3 is not shown to the others
        MessageOut m = message("MID3", 1, 1, to(address("Claes"), address("Bakker")));
        m.getRecipientList().getRecipient(1).setType((short) 3);
        alice.submit(m, f.work);
        eq(1, items(f, "carol").get(1).recipients().size(), "carol does not see the blind copy");
        eq(2, items(f, "bob").get(2).recipients().size(), "bob sees himself");
        ok(!items(f, "bob").get(0).listId().equals(items(f, "carol").get(0).listId()),
                "list identifiers unique");
    }

    private static void refusals() throws Exception {
        Fixture f = new Fixture();
        MailService alice = f.login("alice");
        verdict(Verdict.NO_RECIPIENT, () -> alice.submit(message("X", 1, 3,
                to(address("Nobody"), alias("NOALIAS"), list("NOLIST"))), f.work));
        verdict(Verdict.NO_RECIPIENT, () -> alice.submit(message("X", 1, 3, to()), f.work));
        verdict(Verdict.BODY_PART_UNREADABLE, () -> alice.submit(message("X", 1, 3,
                to(address("Bakker")), f.work.resolve("missing.txt")), f.work));
        MessageOut longId = message("X".repeat(65), 1, 3, to(address("Bakker")));
        verdict(Verdict.MESSAGE_INVALID, () -> alice.submit(longId, f.work));
        MessageOut longSubject = message("X", 1, 1, to(address("Bakker")));
        longSubject.setSubject("S".repeat(257));
        verdict(Verdict.MESSAGE_INVALID, () -> alice.submit(longSubject, f.work));
        nl.kovendi.objects.ORNameForm11 wideName = address("Bakker");
        wideName.setSurName("B".repeat(41));
        verdict(Verdict.MESSAGE_INVALID, () -> alice.submit(message("X", 1, 1, to(wideName)),
                f.work));
        MessageOut badPart = message("X", 1, 3, to(address("Bakker")), f.file("p", "x"));
        badPart.getBodyPartList().getBodyPart(0).setType((short) 1);
        verdict(Verdict.MESSAGE_INVALID, () -> alice.submit(badPart, f.work));
        ORName21 many = new ORName21();
        verdict(Verdict.MESSAGE_INVALID, () -> alice.submit(message("X", 1, 3, many.names),
                f.work));
        eq(0, items(f, "bob").size(), "nothing delivered by refused submissions");
        MessageOut atWidth = message("I".repeat(64), 1, 1, to(address("Bakker")));
        atWidth.setSubject("S".repeat(256));
        atWidth.setInReplyTo("R".repeat(64));
        atWidth.setFreeFormName("F".repeat(32));
        alice.submit(atWidth, f.work);
        Entry got = items(f, "bob").get(0);
        eq("I".repeat(64), got.ipMsgId(), "identifier of 64 characters kept whole");
        eq(256, got.subject().length(), "subject of 256 characters kept whole");
        alice.submit(message("X", 1, 1, to(address("Bakker"))), f.work);
        ok(items(f, "bob").size() == 2, "the store goes on after refusals");
        eq(0, items(f, "alice").size(), "no reports for refused submissions");
        String[] spool = f.dir.resolve(Job.SPOOL).toFile().list();
        eq(0, spool == null ? 0 : spool.length, "no spool leftovers");
    }

    /** Twenty-one recipients, one more than a message may have. */
    private static final class ORName21 {
        final nl.kovendi.objects.ORName[] names = new nl.kovendi.objects.ORName[21];

        ORName21() {
            for (int i = 0; i < names.length; i++) {
                names[i] = address("Bakker");
            }
        }
    }

    private static void reports() throws Exception {
        Fixture f = new Fixture();
        MailService alice = f.login("alice");
        alice.submit(message("R1", 1, 1, to(address("Bakker"), address("Nobody"))), f.work);
        eq(0, items(f, "alice").size(), "1: no report at all");
        alice.submit(message("R2", 1, 2, to(address("Bakker"))), f.work);
        eq(0, items(f, "alice").size(), "2: no report when everything was delivered");
        alice.submit(message("R3", 1, 2, to(address("Bakker"), address("Nobody"))), f.work);
        List<Entry> reps = items(f, "alice");
        eq(1, reps.size(), "2: one report for a non-delivery");
        List<Entry.Notice> n = reps.get(0).notices();
        eq(1, n.size(), "2: only the non-delivered recipient");
        eq("Nobody", n.get(0).party.address().get("SUR"), "recipient named as addressed");
        eq(2, n.get(0).notifyType, "non-delivery");
        eq(Submission.REASON_UNABLE_TO_TRANSFER, n.get(0).reason, "reason");
        eq(Submission.DIAG_UNRECOGNISED, n.get(0).diagnostic, "diagnostic");
        alice.submit(message("R4", 1, 3, to(address("Bakker"), alias("BOBBY"), alias("NONE"),
                list("TEAM"))), f.work);
        Entry r = items(f, "alice").get(1);
        eq(Entry.REPORT, r.type(), "report type 3");
        eq("R4", r.ipMsgId(), "report carries the message identifier");
        n = r.notices();
        eq(5, n.size(), "one entry per recipient (list members each)");
        eq("Bakker", n.get(0).party.address().get("SUR"), "address recipient");
        eq(1, n.get(0).notifyType, "delivered");
        ok(n.get(0).timeKey.length() == 12, "delivery time");
        eq("Bakker", n.get(1).party.address().get("SUR"), "alias entry carries the resolved name");
        eq("NONE", n.get(2).party.address().get("SUR"), "unknown alias as surname");
        eq(2, n.get(2).notifyType, "unknown alias not delivered");
        eq("Claes", n.get(4).party.address().get("SUR"), "list member");
        ok(r.entryTimeText().matches("\\d\\d/\\d\\d/\\d\\d-\\d\\d:\\d\\d"), "entry time form");
        eq(4, items(f, "bob").size(), "bob got R1 (delivered part), R2, R3, R4 once each");
    }

    private static void longReport() throws Exception {
        Fixture f = new Fixture();
        List<String> users = new ArrayList<>();
        for (int i = 0; i < 22; i++) {
            String u = "m" + i;
            Fixture.admin("add-mailbox", f.dir.toString(), u, "pw", "COU=NL", "SUR=Member" + i);
            users.add(u);
        }
        List<String> args = new ArrayList<>(List.of("add-list", f.dir.toString(), "BIG"));
        args.addAll(users);
        Fixture.admin(args.toArray(new String[0]));
        f.login("alice").submit(message("BIG1", 1, 3, to(list("BIG"))), f.work);
        List<Entry> reps = items(f, "alice");
        eq(2, reps.size(), "two reports");
        eq(21, reps.get(0).notices().size(), "first report full");
        eq(1, reps.get(1).notices().size(), "rest in the second");
        eq(22, reps.get(1).getInt("ntf.total"), "total given");
    }

    private static void notifications() throws Exception {
        Fixture f = new Fixture();
        MailService alice = f.login("alice");
        MailService bob = f.login("bob");
        Path recv = Check.tempDir("recv");
        for (int not = 1; not <= 3; not++) {
            alice.submit(message("N" + not + "a", not, 1, to(address("Bakker"))), f.work);
            alice.submit(message("N" + not + "b", not, 1, to(address("Bakker"))), f.work);
        }
        List<Entry> inbox = bob.list(ALL, "", 100);
        for (Entry e : inbox) {
            if (e.ipMsgId().endsWith("a")) {
                bob.fetch(e.listId(), recv.toString(), f.work);
                bob.fetch(e.listId(), recv.toString(), f.work);
            } else {
                bob.delete(e.listId());
            }
        }
        List<Entry> back = items(f, "alice");
        eq(3, back.size(), "receipt for N3a, non-receipt for N2b and N3b");
        for (Entry n : back) {
            eq(Entry.NOTIFICATION, n.type(), "type 2");
            Entry.Notice one = n.notices().get(0);
            eq("Bakker", one.party.address().get("SUR"), "concerns bob");
            switch (n.ipMsgId()) {
                case "N3a":
                    eq(1, one.notifyType, "receipt");
                    ok(one.timeKey.length() == 12, "time of receipt");
                    break;
                case "N2b":
                case "N3b":
                    eq(2, one.notifyType, "non-receipt");
                    break;
                default:
                    throw new AssertionError("unexpected notification for " + n.ipMsgId());
            }
        }
    }

    private static void fetch() throws Exception {
        Fixture f = new Fixture();
        Path a = f.file("a.txt", "AAA");
        Path b = f.file("b.bin", "BBBB\u00ff");
        f.login("alice").submit(message("F1", 1, 1, to(address("Bakker")), a, b), f.work);
        MailService bob = f.login("bob");
        String id = bob.list(ALL, "", 10).get(0).listId();
        Files.createDirectories(f.work.resolve("in"));
        Fetched got = bob.fetch(id, "in", f.work);
        eq(2, got.fileNames.size(), "two files");
        String first = got.fileNames.get(0);
        ok(first.matches("in/[BCDFGHJKLMNPQRSTVWXZ]{8}\\.001"), "name " + first);
        eq(first.substring(0, first.length() - 1) + "2", got.fileNames.get(1),
                "part 2 differs in the last character only");
        eq("AAA", Files.readString(f.work.resolve(first)), "part 1 content");
        ok(java.util.Arrays.equals(Files.readAllBytes(b),
                Files.readAllBytes(f.work.resolve(got.fileNames.get(1)))), "part 2 content");
        ok(got.entry.isRead(), "READ");
        eq(1, bob.list("ACCESS_STATUS=READ", "", 10).size(), "listed as READ");
        eq(0, bob.list("ACCESS_STATUS=NEW", "", 10).size(), "no longer NEW");
        Fetched again = bob.fetch(id, "in/", f.work);
        ok(!again.fileNames.get(0).equals(first), "a second fetch never overwrites");
        ok(Files.exists(f.work.resolve(first)), "first files kept");
        Fetched third = bob.fetch(id, "in\\", f.work);
        ok(third.fileNames.get(0).startsWith("in\\"), "directory as given: "
                + third.fileNames.get(0));
        ok(Files.exists(f.work.resolve(third.fileNames.get(1).replace('\\', '/'))),
                "a backslash separates as well");
        Fetched here = bob.fetch(id, "", f.work);
        ok(here.fileNames.get(0).matches("[A-Z]{8}\\.001"), "no directory: bare names");
        ok(Files.exists(f.work.resolve(here.fileNames.get(0))), "in the working directory");
        verdict(Verdict.MESSAGE_NOT_FOUND, () -> bob.fetch("0000099999", "in", f.work));
        verdict(Verdict.MESSAGE_NOT_FOUND, () -> bob.fetch("../../x", "in", f.work));
        verdict(Verdict.LIST_ID_INVALID, () -> bob.fetch("", "in", f.work));
        verdict(Verdict.LIST_ID_INVALID, () -> bob.fetch("1234567890123", "in", f.work));
    }

    private static void fetchFailure() throws Exception {
        Fixture f = new Fixture();
        f.login("alice").submit(message("F2", 3, 1, to(address("Bakker")), f.file("a", "x"),
                f.file("b", "y")), f.work);
        MailService bob = f.login("bob");
        String id = bob.list(ALL, "", 10).get(0).listId();
        verdict(Verdict.RECEIVE_DIR_UNUSABLE, () -> bob.fetch(id, "nodir", f.work));
        String longDir = "d".repeat(75);
        Files.createDirectories(f.work.resolve(longDir));
        verdict(Verdict.RECEIVE_DIR_UNUSABLE, () -> bob.fetch(id, longDir, f.work));
        eq(0L, Files.list(f.work.resolve(longDir)).count(), "no files left behind");
        ok(!bob.list(ALL, "", 10).get(0).isRead(), "still NEW");
        eq(0, items(f, "alice").size(), "no receipt notification");
    }

    private static void delete() throws Exception {
        Fixture f = new Fixture();
        f.login("alice").submit(message("D1", 1, 1, to(address("Bakker")), f.file("a", "x")),
                f.work);
        MailService bob = f.login("bob");
        String id = bob.list(ALL, "", 10).get(0).listId();
        bob.delete(id);
        eq(0, bob.list(ALL, "", 10).size(), "gone");
        String[] left = f.dir.resolve("mbx").resolve("BOB").toFile().list();
        eq(0, left.length, "parts removed too");
        verdict(Verdict.MESSAGE_NOT_FOUND, () -> bob.delete(id));
    }

    private static void paging() throws Exception {
        Fixture f = new Fixture();
        MailService alice = f.login("alice");
        for (int i = 1; i <= 5; i++) {
            MessageOut m = message("P" + i, 1, 1, to(address("Bakker")));
            m.setPriority((short) (i == 3 ? 3 : 1));
            alice.submit(m, f.work);
        }
        MailService bob = f.login("bob");
        List<String> seen = new ArrayList<>();
        String prev = "";
        while (true) {
            List<Entry> page = bob.list("MSG_TYPE=MSG", prev, 2);
            page.forEach(e -> seen.add(e.ipMsgId()));
            if (page.size() < 2) {
                break;
            }
            prev = page.get(1).listId();
        }
        eq(List.of("P1", "P2", "P3", "P4", "P5"), seen, "all pages in mailbox order");
        eq(1, bob.list("PRIORITY=URGENT", "", 20).size(), "filter applied");
        eq(0, bob.list("MSG_TYPE=RPT", "", 20).size(), "no reports");
        verdict(Verdict.FILTER_INVALID, () -> bob.list("PRIORITY", "", 20));
        Path box = f.store.mailboxDir("BOB");
        Files.setLastModifiedTime(box, java.nio.file.attribute.FileTime.fromMillis(
                System.currentTimeMillis() - 10000));
        eq(5, bob.list("", "", 20).size(), "settled mailbox read");
        Store other = Store.open(f.dir);
        MailService.login(other, "alice", "secret1-alice").submit(message("P6", 1, 1,
                to(address("Bakker"))), f.work);
        eq(6, bob.list("", "", 20).size(), "another process's delivery seen at once");
        bob.delete(bob.list("", "", 20).get(0).listId());
        eq(5, bob.list("", "", 20).size(), "own deletion seen at once");
        verdict(Verdict.LIST_ID_INVALID, () -> bob.list("", "1234567890123", 20));
    }

    private static void faults() throws Exception {
        Fixture f = new Fixture();
        Fixture.admin("fault", f.dir.toString(), "API_getMsg", "9", "2");
        Fixture.admin("fault", f.dir.toString(), "API_delMsg", "delay", "0.3");
        eq(Faults.Rule.class, FaultFile.take(f.store, "API_getMsg").getClass(), "first");
        Faults.Rule second = FaultFile.take(f.store, "API_getMsg");
        eq(9, second.verdict(), "second call fails too");
        eq(null, FaultFile.take(f.store, "API_getMsg"), "rule used up");
        Faults.Rule d = FaultFile.take(f.store, "API_delMsg");
        eq(300L, d.delayMillis(), "delay");
        eq(-1, d.verdict(), "delay alone does not fail");
        ok(!Files.exists(f.dir.resolve(FaultFile.FILE)), "control file removed when empty");
        Fixture.admin("fault", f.dir.toString(), "API_open", "delay", "1", "fail", "29", "*");
        for (int i = 0; i < 3; i++) {
            eq(29, FaultFile.take(f.store, "API_open").verdict(), "unlimited");
        }
        Fixture.admin("clear-faults", f.dir.toString());
        eq(null, FaultFile.take(f.store, "API_open"), "cleared");
        Files.writeString(f.dir.resolve(FaultFile.FILE),
                "# comment\nnonsense words here\nAPI_close fail 4\n");
        eq(4, FaultFile.take(f.store, "API_close").verdict(), "hand-written control file");
    }

    @SuppressWarnings("try")
    private static void damaged() throws Exception {
        Fixture f = new Fixture();
        MailService alice = f.login("alice");
        long saved = Store.lockWaitMillis;
        Store.lockWaitMillis = 300;
        java.util.concurrent.CountDownLatch held = new java.util.concurrent.CountDownLatch(1);
        java.util.concurrent.CountDownLatch done = new java.util.concurrent.CountDownLatch(1);
        Thread holder = new Thread(() -> {
            try (StoreLock lock = StoreLock.acquire(f.dir, 1000)) {
                held.countDown();
                done.await();
            } catch (Exception e) {
                throw new IllegalStateException(e);
            }
        });
        holder.start();
        try {
            held.await();
            verdict(Verdict.STORE_BUSY, () -> alice.list(ALL, "", 10));
            Store.lockWaitMillis = 30000;
            long start = System.currentTimeMillis();
            verdict(Verdict.STOPPED_BY_USER, () -> StopCheck.during(
                    () -> System.currentTimeMillis() - start > 300, () -> alice.list(ALL, "", 10)));
            long waited = System.currentTimeMillis() - start;
            ok(waited >= 300 && waited < 1000, "a stop ends the wait for the lock: " + waited);
        } finally {
            done.countDown();
            holder.join();
            Store.lockWaitMillis = saved;
        }
        eq(0, alice.list(ALL, "", 10).size(), "usable again");
        Files.writeString(f.dir.resolve(Store.COUNTERS), "listId=garbage\n");
        verdict(Verdict.CONNECTION_LOST, () -> alice.submit(message("X", 1, 1,
                to(address("Bakker"))), f.work));
        Files.delete(f.dir.resolve(Directory.FILE));
        verdict(Verdict.CONNECTION_LOST,
                () -> MailService.login(f.store, "alice", "secret1-alice"));
        verdict(Verdict.CONNECTION_LOST, () -> alice.list(ALL, "", 10));
    }

    private static void recovery() throws Exception {
        Fixture f = new Fixture();
        Job job = Job.create();
        Files.writeString(job.partsDir(f.dir).resolve("part1"), "spooled");
        Entry e = Entry.create(Entry.MESSAGE, ListIds.listIdOf(f.store.reserve("listId", 1)),
                f.store.now());
        e.set("ipMsgId", "JOB1");
        e.setInt("parts", 1);
        job.write("BOB", e, 1);
        job.write("CAROL", e, 1);
        job.persist(f.dir);
        Job orphan = Job.create();
        Files.writeString(orphan.partsDir(f.dir).resolve("part1"), "never committed");
        Path mbx = f.store.mailboxDir("BOB");
        Files.writeString(mbx.resolve("0000000009.entry" + AtomicFiles.TEMP_MARKER + "1"), "half");
        MailService bob = f.login("bob");
        eq("JOB1", bob.list("", "", 10).get(0).ipMsgId(), "applied for bob");
        eq("JOB1", f.login("carol").list("", "", 10).get(0).ipMsgId(), "applied for carol");
        eq("spooled", Files.readString(Store.partFile(mbx, e.listId(), 1)), "with its part");
        try (Stream<Path> spool = Files.list(f.dir.resolve(Job.SPOOL))) {
            eq(0L, spool.count(), "job and orphan parts removed");
        }
        try (Stream<Path> box = Files.list(mbx)) {
            ok(box.noneMatch(AtomicFiles::isTemporary), "half-written file removed at log-in");
        }
    }
}
