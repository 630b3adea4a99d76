package nl.kovendi.store;

import java.io.IOException;
import java.io.PrintStream;
import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

import nl.kovendi.objects.BodyPart;
import nl.kovendi.objects.MessageOut;
import nl.kovendi.objects.ORName;
import nl.kovendi.objects.ORNameAlias;
import nl.kovendi.objects.ORNameDistList;
import nl.kovendi.objects.ORNameForm11;
import nl.kovendi.objects.Recipient;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.MailSession;
import nl.kovendi.store.api.NameKeys;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.embedded.MailService;
import nl.kovendi.store.embedded.Store;

/**
 * A store with three mailboxes made through the administration command: alice, bob and carol
 * (country NL, ADMD "400NET", organisation KOVENDI), the alias BOBBY for bob and the list TEAM of
 * bob and carol. The store is an embedded one in a temporary directory, or, when the test program
 * runs with -Dkovendi.store=postgresql, the database of a PostgreSQL server of the tests' own
 * (see {@link PgServer}), emptied for each fixture.
 */
public final class Fixture {
    /** Whether the test program runs on PostgreSQL. */
    public static final boolean POSTGRES = "postgresql".equals(System.getProperty("kovendi.store"));

    public final Path dir;
    /** The embedded store; null on PostgreSQL. */
    public final Store store;
    public final Path work;
    /** What the administration command takes: the store directory or the service's URL. */
    public final String target;
    /** The PostgreSQL server, or null for the embedded store. */
    public final PgServer pg;

    public Fixture() throws Exception {
        this(POSTGRES);
    }

    public Fixture(boolean postgres) throws Exception {
        dir = Check.tempDir("store");
        work = Check.tempDir("work");
        pg = postgres ? PgServer.get() : null;
        boolean fresh = true;
        if (pg != null) {
            fresh = pg.reset();
            target = pg.adminUrl();
        } else {
            target = dir.toString();
        }
        if (fresh) {
            admin("init", target);
        }
        if (pg != null && fresh) {
            admin("faults", target, "on");
        }
        admin("add-mailbox", target, "alice", "secret1-alice", "COU=NL", "ADM=400NET",
                "ORG=KOVENDI", "SUR=Alders", "GIV=Alice");
        admin("add-mailbox", target, "bob", "secret2-bobby", "COU=NL", "ADM=400NET",
                "ORG=KOVENDI", "SUR=Bakker", "GIV=Bob", "FFN=Bob the builder");
        admin("add-mailbox", target, "carol", "secret3-carol", "COU=NL", "ADM=400NET",
                "ORG=KOVENDI", "SUR=Claes", "GIV=Carol");
        admin("add-alias", target, "BOBBY", "bob");
        admin("add-list", target, "TEAM", "bob", "carol");
        store = pg == null ? Store.open(dir) : null;
    }

    public static boolean onPostgres() {
        return POSTGRES;
    }

    /** The server name of the open parameters, relative to {@code base} for the embedded store. */
    public String server(Path base) {
        return pg != null ? "127.0.0.1" : "file:" + base.relativize(dir);
    }

    public int port() {
        return pg != null ? pg.port : 1;
    }

    public static String password(String user) {
        return user.equals("alice") ? "secret1-alice"
                : user.equals("bob") ? "secret2-bobby" : "secret3-carol";
    }

    /** A session of {@code user} through the service selection the client uses. */
    public MailSession session(String user) throws StoreException {
        return Services.open(server(work), port(), user, password(user), work, r -> { });
    }

    /** A fault rule for the calls of {@code user} (a service's rules name their mailbox). */
    public void fault(String user, String... rule) throws Exception {
        java.util.List<String> args = new java.util.ArrayList<>(java.util.List.of("fault", target));
        args.addAll(java.util.List.of(rule));
        if (pg != null) {
            args.addAll(java.util.List.of("mailbox", user));
        }
        admin(args.toArray(new String[0]));
    }

    /** Sets the largest message the store takes. */
    public void maxMessage(long bytes) throws Exception {
        if (pg != null) {
            pg.psql("kovendi", "UPDATE kovendi.settings SET max_message = " + bytes);
            return;
        }
        Path marker = dir.resolve(Store.MARKER);
        java.util.Properties p = AtomicFiles.readProperties(marker);
        p.setProperty("maxMessage", Long.toString(bytes));
        AtomicFiles.writeProperties(marker, p);
    }

    /**
     * Puts into {@code user}'s mailbox a message whose texts hold control characters and whose
     * subject and in-reply-to are missing (NULL on the service), as a store written by an older or
     * foreign service may hold it; returns its list identifier.
     */
    public String poisonedItem(String user) throws Exception {
        if (pg == null) {
            String id = "9000000001";
            java.util.Properties p = new java.util.Properties();
            p.setProperty("type", "1");
            p.setProperty("listId", id);
            p.setProperty("entryTime", "202401011200");
            p.setProperty("access", "NEW");
            p.setProperty("ipMsgId", "POISON\n1");
            p.setProperty("parts", "0");
            p.setProperty("orig.addr.SUR", "Mal\rlory");
            Store s = Store.open(dir);
            AtomicFiles.writeProperties(Store.entryFile(s.mailboxDir(NameKeys.keyOf(user)), id),
                    p);
            return id;
        }
        return pg.psql("kovendi", "WITH n AS (UPDATE kovendi.mailbox"
                + " SET next_list_id = next_list_id + 1 WHERE usr = '" + user + "'"
                + " RETURNING role, next_list_id) INSERT INTO kovendi.entry SELECT role,"
                + " next_list_id, jsonb_build_object('type', '1', 'listId',"
                + " lpad(next_list_id::text, 10, '0'), 'entryTime', '202401011200', 'access',"
                + " 'NEW', 'ipMsgId', 'POISON' || chr(10) || '1', 'subject', NULL, 'inReplyTo',"
                + " NULL, 'parts', '0', 'orig.addr.SUR', 'Mal' || chr(13) || 'lory') FROM n"
                + " RETURNING lpad(list_id::text, 10, '0')").trim();
    }

    /** Runs the administration command in this process; returns its standard output. */
    public static String admin(String... args) throws Exception {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        new Admin(new PrintStream(bytes, true, StandardCharsets.UTF_8)).run(args);
        return bytes.toString(StandardCharsets.UTF_8);
    }

    public MailService login(String user) throws StoreException {
        return MailService.login(store, user, password(user));
    }

    public Path file(String name, String content) throws IOException {
        Path f = work.resolve(name);
        Files.writeString(f, content, StandardCharsets.ISO_8859_1);
        return f;
    }

    public static ORNameForm11 address(String sur) {
        ORNameForm11 o = new ORNameForm11();
        o.setCountryName("NL");
        o.setAdDomainName("400NET");
        o.setSurName(sur);
        return o;
    }

    public static ORNameAlias alias(String name) {
        ORNameAlias a = new ORNameAlias();
        a.setAlias(name);
        return a;
    }

    public static ORNameDistList list(String name) {
        ORNameDistList l = new ORNameDistList();
        l.setDistList(name);
        return l;
    }

    /** A message with the given identifier, request codes, recipients and files. */
    public static MessageOut message(String mid, int not, int rap, ORName[] to, Path... files) {
        MessageOut m = new MessageOut();
        m.setIpMsgId(mid);
        m.setSubject("subject of " + mid);
        m.setPriority((short) 1);
        m.setSensitivity((short) 1);
        m.setNotifReq((short) not);
        m.setReportReq((short) rap);
        m.setReplyReq((short) 2);
        for (ORName n : to) {
            Recipient r = new Recipient();
            r.setType((short) 1);
            r.setORName(n);
            m.getRecipientList().addRecipient(r);
        }
        for (Path f : files) {
            BodyPart bp = new BodyPart();
            bp.setType((short) 2);
            bp.setFileName(f.toString());
            m.getBodyPartList().addBodyPart(bp);
        }
        return m;
    }

    public static ORName[] to(ORName... names) {
        return names;
    }
}
