package nl.kovendi.store;

import static nl.kovendi.store.Check.eq;
import static nl.kovendi.store.Check.ok;
import static nl.kovendi.store.Fixture.address;
import static nl.kovendi.store.Fixture.alias;
import static nl.kovendi.store.Fixture.message;
import static nl.kovendi.store.Fixture.to;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.function.Consumer;

import nl.kovendi.Client;
import nl.kovendi.Verdict;
import nl.kovendi.objects.MessageIn;
import nl.kovendi.objects.MessageInHolder;
import nl.kovendi.objects.MessageOut;
import nl.kovendi.objects.MessageSummary;
import nl.kovendi.objects.MessageSummaryList;
import nl.kovendi.objects.NotifyInfo;
import nl.kovendi.objects.ORNameForm11;
import nl.kovendi.objects.ORNameHolder;
import nl.kovendi.objects.OpenSession;
import nl.kovendi.objects.SessionInfo;
import nl.kovendi.store.embedded.Store;

/** The client as the program drives it: open, send, list, fetch, delete, verdicts, log. */
public final class ClientTest {
    private static final String LIJST = "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | "
            + "( ACCESS_STATUS=NEW  & MSG_TYPE=MSG )";
    private static final String RAPPORT = "( ACCESS_STATUS=NEW  & (MSG_TYPE=NTF | MSG_TYPE=RPT) )";

    public static void main(String[] args) {
        Check c = new Check();
        System.out.println("store: " + (Fixture.onPostgres() ? "PostgreSQL" : "embedded"));
        c.run("open fills the session information; bad opens fail with their verdict",
                ClientTest::open);
        c.run("a message with two files from A to B, receipt and delivery report",
                ClientTest::exchange);
        c.run("listing rows are cut to the row widths", ClientTest::summaries);
        c.run("alias resolution", ClientTest::aliases);
        c.run("a send is found again by its identifier and time; an identifier may be sent again",
                ClientTest::acceptedSince);
        c.run("every verdict can be injected into every operation", ClientTest::injected);
        c.run("no exception escapes; failures go to the client's log", ClientTest::robustness);
        c.run("the store refuses hostile texts; an item with missing texts reads as empty",
                ClientTest::hostile);
        c.finish();
    }

    private static int unusedPort() throws java.io.IOException {
        try (java.net.ServerSocket s = new java.net.ServerSocket(0)) {
            return s.getLocalPort();
        }
    }

    static Client open(Fixture f, String user, String pw, SessionInfo info) {
        Client c = new Client();
        OpenSession o = new OpenSession();
        o.setServer(f.server(f.work));
        o.setPortNb(f.port());
        o.setUser(user);
        o.setPassword(pw);
        o.setWorkingDir(f.work.toString());
        o.setLogging(1);
        o.setVersion("KOVENDI v6.2.2");
        short r = c.API_open(o, info == null ? new SessionInfo() : info);
        return r == -1 ? null : c;
    }

    private static void open() throws Exception {
        Fixture f = new Fixture();
        SessionInfo info = new SessionInfo();
        Client bob = open(f, "bob", "SECRET2-BOBBY", info);
        ok(bob != null, "bob opens with a relative store directory");
        eq("bob", info.getUaName(), "uaName");
        eq("Bob the builder", info.getDefaultFFName(), "free-form name");
        ok(info.getUaId() > 0 && info.getSessionId() > 0, "identifiers");
        eq((short) 0, info.getMbxInMsgQtty(), "empty mailbox");
        eq((short) Store.DEFAULT_CAPACITY, info.getMbxMaxMsgQtty(), "capacity");
        SessionInfo second = new SessionInfo();
        ok(open(f, "bob", "SECRET2-BOBBY", second) != null, "second session");
        ok(second.getSessionId() != info.getSessionId(), "new session number");
        eq((short) 0, bob.API_close(), "close");
        eq((short) -1, bob.API_delMsg("0000000001"), "no operation after close");
        eq(Verdict.SESSION_LOST, bob.API_verdictValue(), "session lost");

        Client c = new Client();
        eq((short) 0, c.API_verdictValue(), "verdict before any call");
        OpenSession o = new OpenSession();
        o.setWorkingDir(f.work.toString());
        o.setUser("bob");
        o.setPassword("wrong");
        o.setServer(f.server(f.work));
        o.setPortNb(f.port());
        eq((short) -1, c.API_open(o, new SessionInfo()), "wrong password");
        eq(Verdict.LOGIN_REFUSED, c.API_verdictValue(), "log-in refused");
        o.setUser("nobody");
        eq((short) -1, c.API_open(o, new SessionInfo()), "unknown user");
        eq(Verdict.LOGIN_REFUSED, c.API_verdictValue(), "log-in refused");
        o.setUser("bob");
        o.setServer("127.0.0.1/kovendi");
        o.setPortNb(unusedPort());
        eq((short) -1, c.API_open(o, new SessionInfo()), "no service at the port");
        eq(Verdict.CONNECTION_LOST, c.API_verdictValue(), "not reachable");
        o.setServer("file:" + f.work.resolve("nostore"));
        eq((short) -1, c.API_open(o, new SessionInfo()), "missing store");
        eq(Verdict.CONNECTION_LOST, c.API_verdictValue(), "not reachable");
        eq((short) -1, c.API_listMbxInNext("", "", new MessageSummaryList(5)), "no session");
        eq(Verdict.SESSION_LOST, c.API_verdictValue(), "no session verdict");
        c.close();
    }

    private static void exchange() throws Exception {
        Fixture f = new Fixture();
        Client alice = open(f, "alice", "SECRET1-ALICE", null);
        Path one = f.file("one.edi", "UNB+UNOA:1+A+B'\u00e9");
        Path two = f.file("two.txt", "plain text");
        MessageOut m = message("EDIAAA00000001", 3, 3, to(address("BAKKER")), one, two);
        m.setSubject("caf\u00e9");
        eq((short) 0, alice.API_sendMsg(m), "sent");

        Client bob = open(f, "bob", "SECRET2-BOBBY", null);
        MessageSummaryList page = new MessageSummaryList(20);
        eq((short) 1, bob.API_listMbxInNext(LIJST, "", page), "one listed");
        MessageSummary s = page.getMessageSummary(0);
        eq("Alders", s.getSurName(), "originator");
        eq((short) 2, s.getBodyPartQtty(), "two parts");
        eq((short) 2, s.getBodyPartType(1), "file part");
        eq((short) 0, s.getBodyPartType(7), "absent part");
        Files.createDirectories(f.work.resolve("rcv"));
        MessageInHolder h = new MessageInHolder();
        eq((short) 0, bob.API_getMsg(s.getListId(), h, f.work.resolve("rcv") + "/"), "fetched");
        MessageIn in = h.getMessageIn();
        eq((short) 1, in.getMsgType(), "a message");
        eq("EDIAAA00000001", in.getIpMsgId(), "identifier");
        eq("caf\u00e9", in.getSubject(), "Latin-1 subject intact");
        eq((short) 2, in.getBodyPartQtty(), "two parts");
        String p1 = in.getBodyPartList().getBodyPart(0).getFileName();
        String p2 = in.getBodyPartList().getBodyPart(1).getFileName();
        ok(p1.endsWith("1") && p2.endsWith("2") && p1.length() <= 80, "part names " + p1);
        ok(Files.readString(Path.of(p1), StandardCharsets.ISO_8859_1).endsWith("\u00e9"),
                "content kept byte for byte");
        eq((short) 1, in.getRecipientQtty(), "recipients");
        eq("BAKKER", ((ORNameForm11) in.getRecipientList().getRecipient(0).getORName())
                .getSurName(), "recipient as the originator addressed it");
        eq((short) 1, in.getOriginator().getType(), "originator form 11");
        eq((short) 0, bob.API_delMsg(s.getListId()), "deleted");
        eq((short) -1, bob.API_delMsg(s.getListId()), "gone");
        eq(Verdict.MESSAGE_NOT_FOUND, bob.API_verdictValue(), "not found");

        MessageSummaryList reps = new MessageSummaryList(20);
        eq((short) 2, alice.API_listMbxInNext(RAPPORT, "", reps), "report and receipt");
        MessageInHolder rh = new MessageInHolder();
        eq((short) 0, alice.API_getMsg(reps.getMessageSummary(0).getListId(), rh, ""), "report");
        MessageIn rep = rh.getMessageIn();
        eq((short) 3, rep.getMsgType(), "report");
        eq("EDIAAA00000001", rep.getHeader().getIpMsgId(), "concerns the message");
        eq((short) 1, rep.getNotifyQtty(), "one entry");
        NotifyInfo ni = rep.getNotifyList().getNotifyInfo(0);
        eq((short) 1, ni.getNotifyType(), "delivered");
        eq("BAKKER", ((ORNameForm11) ni.getORName()).getSurName(), "recipient concerned");
        ok(ni.getRemoteDeliveryTime().matches("\\d\\d/\\d\\d/\\d\\d-\\d\\d:\\d\\d"),
                "delivery time " + ni.getRemoteDeliveryTime());
        eq((short) 0, alice.API_getMsg(reps.getMessageSummary(1).getListId(), rh, ""), "receipt");
        eq((short) 2, rh.getMessageIn().getMsgType(), "single notification");
        eq((short) 1, rh.getMessageIn().getInfo().getNotifyType(), "receipt notification");
        eq((short) 0, alice.API_listMbxInNext(RAPPORT, "", new MessageSummaryList(20)),
                "fetched reports are no longer NEW");
    }

    private static void acceptedSince() throws Exception {
        Fixture f = new Fixture();
        Client alice = open(f, "alice", "SECRET1-ALICE", null);
        Path one = f.file("one.txt", "once");
        long before = System.currentTimeMillis() / 1000 - 1;
        eq((short) 0, alice.API_acceptedSince("TXT00000000001", before), "nothing sent yet");
        MessageOut m = message("TXT00000000001", 1, 1, to(address("BAKKER")), one);
        eq((short) 0, alice.API_sendMsg(m), "sent");
        eq((short) 0, alice.API_sendMsg(m), "the same identifier is accepted again");
        eq((short) 1, alice.API_acceptedSince("TXT00000000001", before), "found");
        eq((short) 0, alice.API_acceptedSince("TXT0000000000", before), "the exact identifier only");
        eq((short) 0, alice.API_acceptedSince("TXT00000000001", before + 3600),
                "not after the time asked for");
        Client bob = open(f, "bob", "SECRET2-BOBBY", null);
        eq((short) 0, bob.API_acceptedSince("TXT00000000001", before), "another mailbox's send");
        eq((short) 2, bob.API_listMbxInNext(LIJST, "", new MessageSummaryList(20)),
                "both copies delivered");
        eq((short) -1, alice.API_acceptedSince(null, before), "no identifier");
        eq(Verdict.INVALID_ARGUMENT, alice.API_verdictValue(), "invalid argument");
    }

    private static void summaries() throws Exception {
        Fixture f = new Fixture();
        Client alice = open(f, "alice", "SECRET1-ALICE", null);
        MessageOut m = message("ID-OF-TWENTY-CHARS!!", 1, 1, to(address("Bakker")));
        m.setSubject("S".repeat(256));
        eq((short) 0, alice.API_sendMsg(m), "sent");
        Client bob = open(f, "bob", "SECRET2-BOBBY", null);
        MessageSummaryList page = new MessageSummaryList(5);
        eq((short) 1, bob.API_listMbxInNext("", "", page), "listed");
        MessageSummary s = page.getMessageSummary(0);
        eq("ID-OF-TWENTY-C", s.getIpMsgId(), "identifier cut to 14");
        eq(32, s.getSubject().length(), "subject cut to 32");
        eq(10, s.getListId().length(), "list identifier whole");
        eq(14, s.getMbxEntryTime().length(), "entry time");
        eq((short) -1, bob.API_listMbxInNext("NOT A FILTER", "", page), "bad filter");
        eq(Verdict.FILTER_INVALID, bob.API_verdictValue(), "filter verdict");
    }

    private static void aliases() throws Exception {
        Fixture f = new Fixture();
        Client alice = open(f, "alice", "SECRET1-ALICE", null);
        ORNameHolder h = new ORNameHolder();
        eq((short) 0, alice.API_aliasToOrname("bobby", h), "known alias");
        ORNameForm11 o = (ORNameForm11) h.getORName();
        eq("Bakker", o.getSurName(), "resolved");
        eq("400NET", o.getAdDomainName(), "with the whole address");
        eq((short) 1, o.getType(), "form 11");
        ORNameHolder none = new ORNameHolder();
        eq((short) 0, alice.API_aliasToOrname("NOBODY", none), "unknown alias");
        eq(null, none.getORName(), "no name");
        eq((short) 0, alice.API_sendMsg(message("A1", 1, 1, to(alias("Bobby")))), "sent to alias");
    }

    private static void injected() throws Exception {
        Fixture f = new Fixture();
        Client alice = open(f, "alice", "SECRET1-ALICE", null);
        for (int v = 0; v <= 30; v++) {
            f.fault("alice", "API_sendMsg", Integer.toString(v));
            eq((short) -1, alice.API_sendMsg(message("V" + v, 1, 1, to(address("Bakker")))),
                    "injected send " + v);
            eq((short) v, alice.API_verdictValue(), "verdict " + v);
        }
        eq((short) 0, alice.API_sendMsg(message("OK", 1, 1, to(address("Bakker")))), "then fine");
        String[] ops = {"API_getMsg", "API_delMsg", "API_listMbxInNext", "API_changeNetworkPwd",
            "API_aliasToOrname", "API_close"};
        for (String op : ops) {
            f.fault("alice", op, "8");
        }
        eq((short) -1, alice.API_getMsg("0000000001", new MessageInHolder(), ""), "get");
        eq((short) -1, alice.API_delMsg("0000000001"), "del");
        eq((short) -1, alice.API_listMbxInNext("", "", new MessageSummaryList(5)), "list");
        eq((short) -1, alice.API_changeNetworkPwd("NEW"), "password");
        eq((short) -1, alice.API_aliasToOrname("BOBBY", new ORNameHolder()), "alias");
        eq((short) -1, alice.API_close(), "close");
        eq((short) 8, alice.API_verdictValue(), "each with its verdict");
        f.fault("alice", "API_open", "29");
        eq(null, open(f, "alice", "SECRET1-ALICE", null), "open stopped");
        f.fault("alice", "API_open", "delay", "0.5");
        long t0 = System.currentTimeMillis();
        ok(open(f, "alice", "SECRET1-ALICE", null) != null, "delayed open succeeds");
        ok(System.currentTimeMillis() - t0 >= 450, "after the delay");
        String log = Files.readString(f.work.resolve("kovendi-client.log"),
                StandardCharsets.ISO_8859_1);
        ok(log.contains("API_sendMsg: fault injection: API_sendMsg fail 7 count 1"),
                "injections logged");
    }

    private static void hostile() throws Exception {
        Fixture f = new Fixture();
        f.maxMessage(100);
        Client alice = open(f, "alice", "SECRET1-ALICE", null);
        Path file = f.file("hostile.txt", "x".repeat(100));
        List<Consumer<MessageOut>> poison = List.of(
            m -> m.setSubject("hello\n0000000003"),
            m -> m.setIpMsgId("MALLORY\r1"),
            m -> m.setInReplyTo("A\u007fB"),
            m -> m.setFreeFormName("Mal\tlory"),
            m -> ((ORNameForm11) m.getRecipientList().getRecipient(0).getORName())
                    .setOrgName("Shop\n0000000001"),
            m -> m.getRecipientList().getRecipient(0).setType((short) 4),
            m -> m.setPriority((short) 12),
            m -> m.setNotifReq((short) -1),
            m -> m.setSubject("s".repeat(257)));
        for (int i = 0; i < poison.size(); i++) {
            MessageOut m = message("H" + i, 1, 3, to(address("Bakker")), file);
            poison.get(i).accept(m);
            eq((short) -1, alice.API_sendMsg(m), "hostile message " + i + " sent");
            eq(Verdict.MESSAGE_INVALID, alice.API_verdictValue(), "verdict of message " + i);
        }
        Path big = f.file("big.txt", "x".repeat(101));
        eq((short) -1, alice.API_sendMsg(message("BIG", 1, 1, to(address("Bakker")), big)),
                "a message over the size limit sent");
        eq(Verdict.MESSAGE_INVALID, alice.API_verdictValue(), "size verdict");
        MessageOut nulls = message("NULLS", 1, 1, to(address("Bakker")), file);
        nulls.setSubject(null);
        nulls.setInReplyTo(null);
        eq((short) 0, alice.API_sendMsg(nulls), "a message without subject, at the limit");

        String poisoned = f.poisonedItem("bob");
        Client bob = open(f, "bob", "SECRET2-BOBBY", null);
        MessageSummaryList page = new MessageSummaryList(10);
        eq((short) 2, bob.API_listMbxInNext("", "", page), "bob lists both, the damaged one too");
        eq("", page.getMessageSummary(0).getSubject(), "no subject reads as empty");
        MessageInHolder h = new MessageInHolder();
        eq((short) 0, bob.API_getMsg(poisoned, h, ""), "the damaged item is fetched");
        eq("", h.getMessageIn().getSubject(), "its missing subject reads as empty");
        eq("", h.getMessageIn().getInReplyTo(), "and its in-reply-to");
        eq((short) 0, bob.API_delMsg(poisoned), "and deleted");
    }

    private static void robustness() throws Exception {
        Fixture f = new Fixture();
        Client alice = open(f, "alice", "SECRET1-ALICE", null);
        eq((short) -1, alice.API_sendMsg(null), "null message");
        eq(Verdict.INVALID_ARGUMENT, alice.API_verdictValue(), "invalid argument");
        eq((short) -1, alice.API_getMsg("0000000001", null, ""), "null holder");
        eq((short) -1, alice.API_listMbxInNext(null, null, null), "null page");
        eq((short) -1, alice.API_open(null, null), "null open");
        eq((short) -1, alice.API_getMsg(null, new MessageInHolder(), null), "null list id");
        eq(Verdict.LIST_ID_INVALID, alice.API_verdictValue(), "list id invalid");
        MessageOut broken = message("B", 1, 1, to(address("Bakker")));
        broken.getRecipientList().getRecipient(0).setORName(null);
        eq((short) -1, alice.API_sendMsg(broken), "recipient without name");
        ORNameForm11 wide = address("Bakker");
        wide.setCountryName("NLDX");
        eq((short) -1, alice.API_sendMsg(message("W", 1, 1, to(wide))), "field too wide");
        eq(Verdict.MESSAGE_INVALID, alice.API_verdictValue(), "message invalid");
        alice.logMessage("JNI_API_open: requested connection type not tcp/ip, type [\u00e9]");
        byte[] log = Files.readAllBytes(f.work.resolve("kovendi-client.log"));
        String text = new String(log, StandardCharsets.ISO_8859_1);
        ok(text.contains("type [\u00e9]"), "log line written");
        ok(text.indexOf('\u00e9') >= 0 && !text.contains("\u00c3"), "one byte per character");
        ok(text.contains("API_sendMsg: failed, verdict 1"), "failure logged with its verdict");
        alice.close();
        alice.close();
    }
}
