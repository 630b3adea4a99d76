package nl.kovendi.store;

import static nl.kovendi.store.Check.eq;
import static nl.kovendi.store.Check.ok;
import static nl.kovendi.store.Fixture.address;
import static nl.kovendi.store.Fixture.alias;
import static nl.kovendi.store.Fixture.list;
import static nl.kovendi.store.Fixture.message;
import static nl.kovendi.store.Fixture.to;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.TreeMap;

import nl.kovendi.Client;
import nl.kovendi.Verdict;
import nl.kovendi.objects.MessageInHolder;
import nl.kovendi.objects.MessageOut;
import nl.kovendi.objects.MessageSummaryList;
import nl.kovendi.objects.ORNameForm11;
import nl.kovendi.objects.SessionInfo;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.MailSession;
import nl.kovendi.store.api.StoreException;

/**
 * The PostgreSQL message service against the embedded store and on its own: the same mailbox
 * contents after the same exchange, each mailbox role confined to its own mailbox even with
 * psql, passwords kept out of every log, and a server restart in the middle of a run.
 */
public final class ServiceTest {
    private static final int EXTRA = 10;

    public static void main(String[] args) {
        Check c = new Check();
        c.run("both stores leave the same mailbox contents after the same exchange",
                ServiceTest::sameContents);
        c.run("a mailbox role reaches only its own mailbox, even with psql", ServiceTest::roles);
        c.run("password change and wrong passwords; no password in any log",
                ServiceTest::passwords);
        c.run("a server restart ends the session with verdict 3; nothing is lost",
                ServiceTest::restart);
        c.finish();
    }

    /** Runs one exchange on a store and returns every mailbox's items and received files. */
    private static String exchange(Fixture f) throws Exception {
        List<String> big = new ArrayList<>(List.of("add-list", f.target, "BIG", "alice", "bob"));
        for (int i = 1; i <= EXTRA; i++) {
            String u = String.format("m%02d", i);
            Fixture.admin("add-mailbox", f.target, u, "member-pass-" + i, "COU=NL", "ADM=400NET",
                    "ORG=OTHER", "SUR=Member" + i);
            big.add(u);
        }
        Fixture.admin(big.toArray(new String[0]));
        MailSession alice = f.session("alice");
        Path one = f.file("one.edi", "UNB+UNOA:1+A+B'\u00e9\r\n");
        Path two = f.file("two.bin", "\u0000\u00ff binary");
        ORNameForm11 everyone = new ORNameForm11();
        everyone.setCountryName("nl ");
        everyone.setAdDomainName("400net");
        MessageOut m1 = message("M1", 3, 3, to(address("BAKKER"), alias("bobby"), list("TEAM"),
                address("Nobody"), everyone, alias("NOALIAS"), list("NOLIST")), one, two);
        m1.getRecipientList().getRecipient(1).setType((short) 2);
        m1.getRecipientList().getRecipient(2).setType((short) 3);
        m1.setFreeFormName("Alice from sales");
        alice.submit(m1, f.work);
        alice.submit(message("M2", 2, 3, to(list("BIG"), list("big"), address("Claes")), one),
                f.work);
        alice.submit(message("M3", 2, 1, to(list("TEAM")), two), f.work);
        Check.verdict(Verdict.NO_RECIPIENT, () -> alice.submit(message("M4", 1, 3,
                to(address("Nobody"))), f.work));
        MailSession bob = f.session("bob");
        MailSession carol = f.session("carol");
        StringBuilder files = new StringBuilder();
        Path rcv = Files.createDirectories(f.work.resolve("rcv"));
        for (Entry e : bob.list("MSG_TYPE=MSG & IP_MSG_ID=M1", "", 10)) {
            for (String n : bob.fetch(e.listId(), "rcv", f.work).fileNames) {
                files.append(Files.readString(f.work.resolve(n), StandardCharsets.ISO_8859_1))
                        .append('|');
            }
        }
        ok(files.length() > 0 && Files.list(rcv).count() == 2, "bob received two files");
        for (Entry e : bob.list("IP_MSG_ID=M3", "", 10)) {
            bob.delete(e.listId());
        }
        for (Entry e : carol.list("IP_MSG_ID=M1", "", 10)) {
            carol.delete(e.listId());
        }
        Check.verdict(Verdict.MESSAGE_NOT_FOUND, () -> carol.delete("0000000001"));
        StringBuilder dump = new StringBuilder(files);
        for (String u : List.of("alice", "bob", "carol", "m01", "m10")) {
            MailSession s = u.startsWith("m") ? Services.open(f.server(f.work), f.port(), u,
                    "MEMBER-PASS-" + Integer.parseInt(u.substring(1)), f.work, r -> { })
                    : f.session(u);
            dump.append("== ").append(u).append(' ').append(s.counts()[0]).append('/')
                    .append(s.counts()[1]).append('\n');
            List<Entry> page = s.list("", "", 3);
            List<Entry> all = new ArrayList<>(page);
            while (page.size() == 3) {
                page = s.list("", page.get(2).listId(), 3);
                all.addAll(page);
            }
            for (Entry e : all) {
                TreeMap<Object, Object> p = new TreeMap<>(e.p);
                p.keySet().removeIf(k -> k.equals("listId") || k.equals("entryTime")
                        || k.equals("readTime") || k.toString().matches("ntf\\.\\d+\\.time"));
                dump.append(p).append('\n');
            }
            s.close();
        }
        return dump.toString();
    }

    private static void sameContents() throws Exception {
        String embedded = exchange(new Fixture(false));
        String service = exchange(new Fixture(true));
        ok(embedded.contains("ntf.total=25") && embedded.contains("ntf.20.diag")
                && embedded.contains("rcpt.2.type=3") && embedded.contains("ntf.0.diag=1"),
                "the exchange covers long reports, blind copies and non-deliveries:\n"
                        + embedded);
        eq(embedded, service, "mailbox contents");
    }

    private static void roles() throws Exception {
        Fixture f = new Fixture(true);
        PgServer pg = f.pg;
        f.session("alice").submit(message("SECRET-M", 3, 3, to(list("TEAM"))), f.work);
        for (String mid : List.of("FOR-CAROL-1", "FOR-CAROL-2")) {
            f.session("alice").submit(message(mid, 1, 1, to(address("Claes"))), f.work);
        }
        // list identifiers are counted per mailbox: carol's third item has no match in bob's
        String carolsItem = f.session("carol").list("", "", 5).get(2).listId();
        String[] own = pg.psqlAs("kvm_bob", "SECRET2-BOBBY",
                "SELECT owner, props->>'ipMsgId' FROM kovendi.entry");
        eq("0", own[0], "bob reads his entries: " + own[1]);
        eq("kvm_bob|SECRET-M", own[1].trim(), "only his own");
        String[] refused = {
            "UPDATE kovendi.entry SET props = '{}'",
            "DELETE FROM kovendi.entry",
            "INSERT INTO kovendi.entry VALUES ('kvm_carol', 99, '{}')",
            "DELETE FROM kovendi.part",
            "SELECT * FROM kovendi.mailbox",
            "SELECT * FROM kovendi.fault",
            "INSERT INTO kovendi.fault (operation, delay_ms, verdict, left_count)"
                + " VALUES ('API_open', 0, 3, -1)",
            "SELECT kovendi.admin_set_password('alice', 'x')",
            "SELECT kovendi.admin_add_alias('MINE', 'carol')",
            "SELECT kovendi.caller()",
            "SELECT kovendi.delete_entry(" + Long.parseLong(carolsItem) + ")",
            "SELECT kovendi.mark_read(" + Long.parseLong(carolsItem) + ")",
            "ALTER ROLE kvm_alice PASSWORD 'x'",
            "SET ROLE kvm_carol",
            "CREATE TABLE public.mine (x int)",
        };
        for (String sql : refused) {
            String[] r = pg.psqlAs("kvm_bob", "SECRET2-BOBBY", sql);
            ok(!r[0].equals("0") && r[1].contains("ERROR"), "refused: " + sql + ": " + r[1]);
        }
        String[] wrong = pg.psqlAs("kvm_bob", "WRONG", "SELECT 1");
        ok(!wrong[0].equals("0") && wrong[1].contains("password authentication failed"),
                "wrong password: " + wrong[1]);
        eq("NEW", f.session("carol").list("", "", 5).get(0).isRead() ? "READ" : "NEW",
                "carol's item untouched");
        eq(3, f.session("carol").counts()[0], "and still there");
        String show = Fixture.admin("show", f.target, "carol");
        ok(show.contains("MSG NEW SECRET-M"), "the administrator sees it: " + show);
    }

    private static void passwords() throws Exception {
        Fixture f = new Fixture(true);
        Client bob = ClientTest.open(f, "bob", "secret2-bobby", null);
        eq((short) 0, bob.API_changeNetworkPwd("Plain-New-77"), "changed");
        eq(null, ClientTest.open(f, "bob", "secret2-bobby", null), "old password refused");
        Client c = new Client();
        eq(null, ClientTest.open(f, "bob", "Wrong-Pw-55", null), "wrong password");
        ok(ClientTest.open(f, "bob", "plain-new-77", null) != null, "new one, any letter case");
        eq((short) -1, bob.API_changeNetworkPwd("SHORT-1"), "too short for the service");
        eq(Verdict.PASSWORD_INVALID, bob.API_verdictValue(), "password refused");
        Check.verdict(Verdict.PASSWORD_INVALID, () -> Fixture.admin("set-password", f.target,
                "carol", "ONLYLETTERSHERE"));
        try {
            Fixture.admin("set-password", f.target, "nobody", "Admin-Pw-6666");
            throw new AssertionError("set-password of an unknown mailbox succeeded");
        } catch (StoreException e) {
            ok(e.getMessage().contains("no mailbox nobody"), e.getMessage());
        }
        Fixture.admin("set-password", f.target, "carol", "Carol-Pw-4444");
        ok(ClientTest.open(f, "carol", "CAROL-PW-4444", null) != null, "carol's new password");
        String log = f.pg.log();
        ok(log.contains("no mailbox nobody") && log.contains("password authentication failed"),
                "failed calls and log-ins are in the server's log:\n" + log);
        ok(!log.contains("SCRAM-SHA-256$"), "no password verifier in the server's log:\n" + log);
        String client = Files.readString(f.work.resolve("kovendi-client.log"),
                StandardCharsets.ISO_8859_1);
        ok(client.contains("API_open: failed, verdict 6"), "refusals in the client's log");
        for (String text : new String[] {log, client}) {
            String upper = text.toUpperCase();
            for (String pw : new String[] {"PLAIN-NEW-77", "WRONG-PW-55", "ADMIN-PW-6666",
                "CAROL-PW-4444", "SECRET2-BOBBY"}) {
                ok(!upper.contains(pw), pw + " written in a log");
            }
        }
        c.close();
    }

    private static void restart() throws Exception {
        Fixture f = new Fixture(true);
        Client alice = ClientTest.open(f, "alice", "secret1-alice", null);
        eq((short) 0, alice.API_sendMsg(message("BEFORE", 1, 3, to(address("Bakker")))), "sent");
        f.pg.restart();
        eq((short) -1, alice.API_sendMsg(message("DURING", 1, 3, to(address("Bakker")))),
                "the session is gone");
        eq(Verdict.CONNECTION_LOST, alice.API_verdictValue(), "connection lost, a fatal verdict");
        alice.close();
        SessionInfo info = new SessionInfo();
        Client bob = ClientTest.open(f, "bob", "secret2-bobby", info);
        ok(bob != null, "the next session works");
        eq((short) 1, info.getMbxInMsgQtty(), "the message from before the restart is there");
        MessageSummaryList page = new MessageSummaryList(5);
        eq((short) 1, bob.API_listMbxInNext("", "", page), "listed");
        eq("BEFORE", page.getMessageSummary(0).getIpMsgId(), "and only that one");
        eq((short) 0, bob.API_getMsg(page.getMessageSummary(0).getListId(),
                new MessageInHolder(), ""), "fetched");
        Client again = ClientTest.open(f, "alice", "secret1-alice", null);
        eq((short) 1, again.API_listMbxInNext("MSG_TYPE=RPT", "", new MessageSummaryList(5)),
                "its report");
    }

}
