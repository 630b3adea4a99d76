package nl.kovendi.store;

import static nl.kovendi.store.Check.eq;
import static nl.kovendi.store.Check.ok;

import java.io.ByteArrayOutputStream;
import java.io.DataInputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.net.InetAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.List;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.TimeUnit;

import nl.kovendi.Client;
import nl.kovendi.Verdict;
import nl.kovendi.objects.OpenSession;
import nl.kovendi.objects.SessionInfo;

/**
 * Transport security towards the PostgreSQL service: a server with a certificate from a test
 * authority is verified (certificate and host name); a server that cannot be verified gets the
 * log-in verdict; a password in clear text or as MD5 goes only to a verified server, and a fake
 * server that asks for one gets nothing. The settings reach the client from the user file.
 */
public final class TransportTest {
    private static final String PASSWORD = "SECRET1-ALICE";

    public static void main(String[] args) {
        PgServer.tls = true;
        Check c = new Check();
        c.run("the server's certificate and host name are verified", TransportTest::verify);
        c.run("a password in clear text or as MD5 goes only to a verified server",
                TransportTest::cleartext);
        c.run("the user file's TLS and CRT reach the connection", TransportTest::userFile);
        c.finish();
    }

    /** A client opened on {@code server} with the TLS settings; null when the open failed. */
    private static Client open(Fixture f, String server, int port, String user, String pw,
            String tls, String root, short[] verdict) {
        Client c = new Client();
        OpenSession o = new OpenSession();
        o.setServer(server);
        o.setPortNb(port);
        o.setUser(user);
        o.setPassword(pw);
        o.setWorkingDir(f.work.toString());
        o.setTls(tls);
        o.setRootCertificate(root);
        short r = c.API_open(o, new SessionInfo());
        verdict[0] = c.API_verdictValue();
        return r == -1 ? null : c;
    }

    private static String ssl(Fixture f, String role) throws Exception {
        return f.pg.psql("kovendi", "SELECT s.ssl FROM pg_stat_ssl s JOIN pg_stat_activity a"
                + " USING (pid) WHERE a.usename = '" + role + "'").trim();
    }

    private static void verify() throws Exception {
        Fixture f = new Fixture(true);
        String ca = f.pg.dir.resolve("ca.crt").toString();
        String other = f.pg.dir.resolve("other.crt").toString();
        short[] v = new short[1];
        Client verified = open(f, "127.0.0.1", f.pg.port, "alice", PASSWORD, "on", ca, v);
        ok(verified != null, "a verified server: verdict " + v[0]);
        eq("t", ssl(f, "kvm_alice"), "the session runs over TLS");
        verified.close();
        Client plain = open(f, "127.0.0.1", f.pg.port, "alice", PASSWORD, "", "", v);
        ok(plain != null, "the loopback interface without TLS: verdict " + v[0]);
        eq("f", ssl(f, "kvm_alice"), "that session does not");
        plain.close();
        String[][] refused = {
            {"localhost", ca},                            // a name the certificate lacks
            {"127.0.0.1", other},                         // an authority that does not vouch
            {"127.0.0.1", f.work.resolve("none.crt").toString()},   // no root at all
        };
        for (String[] r : refused) {
            eq(null, open(f, r[0], f.pg.port, "alice", PASSWORD, "ON", r[1], v),
                    "opened " + r[0] + " with " + r[1]);
            eq(Verdict.LOGIN_REFUSED, v[0], "the log-in verdict for " + r[0] + " with " + r[1]);
        }
        eq(null, open(f, "127.0.0.1", f.pg.port, "alice", PASSWORD, "sometimes", ca, v),
                "an unknown mode");
        eq(Verdict.LOGIN_REFUSED, v[0], "refused");
        String log = Files.readString(f.work.resolve("kovendi-client.log"),
                StandardCharsets.ISO_8859_1);
        ok(log.contains("could not be verified"), "the reason is logged: " + log);
    }

    /**
     * A server of a single log-in that asks for the password in clear text (3) or as MD5 (5),
     * after refusing TLS when the client asks for it; returns all the client sent after its
     * start-up message.
     */
    private static CompletableFuture<byte[]> fakeServer(ServerSocket listener, int request) {
        return CompletableFuture.supplyAsync(() -> {
            try (Socket s = listener.accept()) {
                s.setSoTimeout(5000);
                DataInputStream in = new DataInputStream(s.getInputStream());
                OutputStream out = s.getOutputStream();
                byte[] startup = message(in);
                if (startup.length == 4 && startup[0] == 0x04 && startup[1] == (byte) 0xd2) {
                    out.write('N');                 // no TLS here
                    out.flush();
                    try {
                        message(in);
                    } catch (IOException gone) {
                        return new byte[0];         // the client does not go on without it
                    }
                }
                out.write(new byte[] {'R', 0, 0, 0, (byte) (request == 5 ? 12 : 8), 0, 0, 0,
                    (byte) request, 1, 2, 3, 4}, 0, request == 5 ? 13 : 9);
                out.flush();
                ByteArrayOutputStream rest = new ByteArrayOutputStream();
                try {
                    in.transferTo(rest);
                } catch (IOException timeout) {
                    // the client stays silent
                }
                return rest.toByteArray();
            } catch (IOException e) {
                throw new IllegalStateException(e);
            }
        });
    }

    private static byte[] message(DataInputStream in) throws IOException {
        int length = in.readInt();
        byte[] body = new byte[length - 4];
        in.readFully(body);
        return body;
    }

    private static void cleartext() throws Exception {
        Fixture f = new Fixture(true);
        String ca = f.pg.dir.resolve("ca.crt").toString();
        short[] v = new short[1];
        f.pg.hba("hostssl kovendi kvm_carol 127.0.0.1/32 password\n"
                + "host kovendi kvm_carol 127.0.0.1/32 password\n");
        Client verified = open(f, "127.0.0.1", f.pg.port, "carol", "SECRET3-CAROL", "ON", ca, v);
        ok(verified != null, "a verified server may ask for the password: verdict " + v[0]);
        verified.close();
        eq(null, open(f, "127.0.0.1", f.pg.port, "carol", "SECRET3-CAROL", "", "", v),
                "an unverified server asked for it");
        eq(Verdict.LOGIN_REFUSED, v[0], "the log-in verdict");
        for (int request : new int[] {3, 5}) {
            for (String tls : List.of("", "ON")) {
                try (ServerSocket listener = new ServerSocket(0, 1,
                        InetAddress.getByName("127.0.0.1"))) {
                    CompletableFuture<byte[]> got = fakeServer(listener, request);
                    eq(null, open(f, "127.0.0.1", listener.getLocalPort(), "alice", PASSWORD, tls,
                            ca, v), "the fake server logged in");
                    eq(Verdict.LOGIN_REFUSED, v[0], "the log-in verdict");
                    byte[] sent = got.get(30, TimeUnit.SECONDS);
                    String text = new String(sent, StandardCharsets.ISO_8859_1);
                    ok(sent.length == 0 || sent[0] != 'p', "a password message for request "
                            + request + " with TLS " + tls + ": " + text);
                    ok(!text.contains(PASSWORD), "the password was sent");
                }
            }
        }
    }

    private static void userFile() throws Exception {
        if (!Home.available()) {
            System.out.println("     (skipped: no kovendi in KOVENDI_BIN_DIR)");
            return;
        }
        Fixture f = new Fixture(true);
        String[][] cases = {{"TLS=ON", "CRT=ca.crt", "0000"}, {"TLS=on", "CRT=other.crt", "1508"},
            {"TLS=SOMETIMES", "CRT=ca.crt", "1057"}};
        for (String[] c : cases) {
            Home alice = new Home("alice", PASSWORD, f.pg.port, c[0], c[1]);
            for (String crt : List.of("ca.crt", "other.crt")) {
                Files.copy(f.pg.dir.resolve(crt), alice.dir.resolve(crt));
            }
            List<String> status = alice.run("*001LIJST\n");
            ok(!status.isEmpty(), "no status" + alice.describe());
            eq(c[2], Home.field(status.get(0), 3), c[0] + " " + c[1] + alice.describe());
        }
    }

    private TransportTest() {
    }
}
