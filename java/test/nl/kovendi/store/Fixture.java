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

/**
 * A store with three mailboxes made through the administration command: alice, bob and carol
 * (country NL, ADMD "400NET", organisation KOVENDI), the alias BOBBY for bob and the list TEAM of
 * bob and carol.
 */
final class Fixture {
    final Path dir;
    final Store store;
    final Path work;

    Fixture() throws Exception {
        dir = Check.tempDir("store");
        work = Check.tempDir("work");
        admin("init", dir.toString());
        admin("add-mailbox", dir.toString(), "alice", "secret1", "COU=NL", "ADM=400NET",
                "ORG=KOVENDI", "SUR=Alders", "GIV=Alice");
        admin("add-mailbox", dir.toString(), "bob", "secret2", "COU=NL", "ADM=400NET",
                "ORG=KOVENDI", "SUR=Bakker", "GIV=Bob", "FFN=Bob the builder");
        admin("add-mailbox", dir.toString(), "carol", "secret3", "COU=NL", "ADM=400NET",
                "ORG=KOVENDI", "SUR=Claes", "GIV=Carol");
        admin("add-alias", dir.toString(), "BOBBY", "bob");
        admin("add-list", dir.toString(), "TEAM", "bob", "carol");
        store = Store.open(dir);
    }

    /** Runs the administration command in this process; returns its standard output. */
    static String admin(String... args) throws Exception {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        new Admin(new PrintStream(bytes, true, StandardCharsets.UTF_8)).run(args);
        return bytes.toString(StandardCharsets.UTF_8);
    }

    MailService login(String user) throws StoreException {
        String pw = user.equals("alice") ? "secret1" : user.equals("bob") ? "secret2" : "secret3";
        return MailService.login(store, user, pw);
    }

    Path file(String name, String content) throws IOException {
        Path f = work.resolve(name);
        Files.writeString(f, content, StandardCharsets.ISO_8859_1);
        return f;
    }

    static ORNameForm11 address(String sur) {
        ORNameForm11 o = new ORNameForm11();
        o.setCountryName("NL");
        o.setAdDomainName("400NET");
        o.setSurName(sur);
        return o;
    }

    static ORNameAlias alias(String name) {
        ORNameAlias a = new ORNameAlias();
        a.setAlias(name);
        return a;
    }

    static ORNameDistList list(String name) {
        ORNameDistList l = new ORNameDistList();
        l.setDistList(name);
        return l;
    }

    /** A message with the given identifier, request codes, recipients and files. */
    static MessageOut message(String mid, int not, int rap, ORName[] to, Path... files) {
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

    static ORName[] to(ORName... names) {
        return names;
    }
}
