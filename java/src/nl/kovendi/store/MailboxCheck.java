package nl.kovendi.store;

import java.io.IOException;
import java.io.PrintStream;
import java.net.URI;
import java.net.URISyntaxException;
import java.nio.charset.StandardCharsets;
import java.nio.file.DirectoryStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;

import nl.kovendi.Verdict;

/**
 * {@code kovendi-store check}: logs in as a mailbox the way the client does and says in words
 * what is wrong. "check HOME" reads the application's user file HOME/qrtlnk.gns with the rules of
 * the client (the keys, their limits, the required ones) and logs in with it; "check STORE USER
 * [PASSWORD]" looks at the mailbox from the administrator's side and logs in with the password.
 * Every finding is one line, "ok: ..." or "problem: ..."; the problems are counted.
 */
final class MailboxCheck {
    /** The keys of the user file with their longest value (0: a number, not checked). */
    private static final Map<String, Integer> USER_FILE_KEYS = new LinkedHashMap<>();

    static {
        USER_FILE_KEYS.put("POS", 8);
        USER_FILE_KEYS.put("PIN", 15);
        USER_FILE_KEYS.put("SRV", 64);
        USER_FILE_KEYS.put("PNB", 0);
        USER_FILE_KEYS.put("PAT", 0);
        USER_FILE_KEYS.put("DTT", 0);
        USER_FILE_KEYS.put("ISP", 32);
        USER_FILE_KEYS.put("TLS", 4);
        USER_FILE_KEYS.put("CRT", 195);
    }

    private final PrintStream out;
    private int problems;

    MailboxCheck(PrintStream out) {
        this.out = out;
    }

    private void ok(String text) {
        out.println("ok: " + text);
    }

    private void problem(String text) {
        out.println("problem: " + text);
        problems++;
    }

    /** check HOME: the user file of an application's home directory, then the log-in. */
    int home(Path home) throws IOException {
        Path gns = findIgnoringCase(home, "qrtlnk.gns");
        if (gns == null) {
            problem("there is no qrtlnk.gns in " + home + " (kovendi ends with error 0007)");
            return problems;
        }
        Map<String, String> keys = readUserFile(gns);
        if (keys == null) {
            return problems;
        }
        Map<String, String> defaults = senderDefaults(home);
        ok("messages sent from " + home + " get COU=" + defaults.get("COU") + " ADM="
                + defaults.get("ADM") + " PMD=" + defaults.get("PMD")
                + " when a request does not give them");
        String srv = keys.get("SRV");
        String user = keys.get("POS");
        String password = keys.get("PIN");
        if (srv.toLowerCase(Locale.ROOT).startsWith("file:")) {
            String dir = srv.substring(5).replace('\\', '/');
            return embedded(home.resolve(dir).normalize(), user, password);
        }
        int port;
        try {
            port = Integer.parseInt(keys.get("PNB").trim());
        } catch (NumberFormatException e) {
            port = 0;
        }
        try {
            logIn(srv, port, user, password, PgTls.of(keys.getOrDefault("TLS", ""),
                    keys.getOrDefault("CRT", ""), home));
        } catch (StoreException e) {
            problem(e.getMessage() + " (kovendi: status " + status(e.verdict()) + ")");
        }
        return problems;
    }

    /** check DIR USER [PASSWORD] on an embedded store. */
    int embedded(Path dir, String user, String password) {
        if (!Files.isDirectory(dir)) {
            problem("the store directory " + dir + " does not exist (kovendi: status 1506)");
            return problems;
        }
        Directory.Mailbox m;
        try {
            Store store = Store.open(dir);
            Directory d = store.readDirectory();
            m = d.mailbox(user);
            if (m == null) {
                List<String> users = new ArrayList<>();
                d.mailboxes().forEach(x -> users.add(x.user));
                problem("the store " + dir + " has no mailbox " + user + " (its mailboxes: "
                        + (users.isEmpty() ? "none" : String.join(" ", users))
                        + "; kovendi: status 1508)");
                return problems;
            }
            ok("the store " + dir + " has the mailbox " + m.user + " (\"" + m.freeFormName
                    + "\")");
        } catch (StoreException e) {
            problem(e.getMessage() + " (kovendi: status " + status(e.verdict()) + ")");
            return problems;
        }
        if (password == null) {
            ok("no password given: the log-in is not tried");
        } else if (PasswordHash.verify(password, m.passwordHash)) {
            ok("the password is right: the log-in works");
        } else {
            problem("the password is not the one of mailbox " + m.user + " (kovendi: status 1508);"
                    + " give the mailbox the password with kovendi-store set-password");
        }
        checkAddress(m.user, m.address);
        return problems;
    }

    /** check URL USER [PASSWORD] on a PostgreSQL service. */
    int service(PgAdmin admin, String user, String password) throws StoreException {
        OrAddress address = new OrAddress();
        String found = null;
        for (String[] r : admin.rows("SELECT m.usr, coalesce(a.key, ''), coalesce(a.value, '')"
                + " FROM kovendi.mailbox m LEFT JOIN LATERAL jsonb_each_text(m.addr) a ON true"
                + " WHERE upper(m.usr) = upper(trim(:'usr'));", Map.of("usr", user))) {
            found = r[0];
            if (!r[1].isEmpty()) {
                address.set(r[1], r[2]);
            }
        }
        if (found == null) {
            problem("the service " + admin.url() + " has no mailbox " + user
                    + " (kovendi: status 1508)");
            return problems;
        }
        ok("the service has the mailbox " + found + " (role " + PgSession.roleName(found) + ")");
        String[] hostPort = tcpHost(admin.url());
        if (password == null) {
            ok("no password given: the log-in is not tried");
        } else if (hostPort == null) {
            ok("the URL names a local socket: the log-in over the network, as the client makes"
                    + " it, is not tried (check HOME tries it with the application's user file)");
        } else {
            logIn(hostPort[0], Integer.parseInt(hostPort[1]), found, password,
                    PgTls.of("", "", Path.of("")));
        }
        checkAddress(found, address);
        return problems;
    }

    /** Logs in to a service as the client does. */
    private void logIn(String srv, int port, String user, String password, PgTls tls) {
        try {
            MailSession s = PgSession.connect(PgAddress.parse(srv, port), user, password, tls);
            try {
                int[] counts = s.counts();
                ok("logged in to " + s.describe() + " as " + s.user() + ": " + counts[0]
                        + " items, " + counts[1] + " not yet fetched");
            } finally {
                s.close();
            }
        } catch (StoreException e) {
            String hint = e.verdict() == Verdict.LOGIN_REFUSED
                    ? "; the user name or the password is wrong" : e.verdict()
                    == Verdict.CONNECTION_LOST ? "; is the server running, are SRV and PNB its host"
                    + " and port, does pg_hba.conf admit this host?" : "";
            problem("the log-in failed with verdict " + e.verdict() + " (" + Verdict.name(
                    e.verdict()) + "): " + e.getMessage() + hint + " (kovendi: status "
                    + status(e.verdict()) + ")");
        }
    }

    /**
     * A sender's client fills the country, ADMD and PRMD of every full address it sends, so a
     * mailbox without them receives nothing that is addressed to it by name.
     */
    private void checkAddress(String user, OrAddress address) {
        ok("the address of " + user + " is " + address);
        for (String key : List.of("COU", "ADM", "PMD")) {
            if (address.get(key).isEmpty()) {
                problem("the address of " + user + " has no " + key + ": every sender fills "
                        + key + " into the addresses it sends (from the request or $qrt400.prm),"
                        + " so messages addressed to " + user + " do not arrive (the sender gets"
                        + " status 1509); give it with kovendi-store set-address");
            }
        }
    }

    /** The user file's keys by the client's rules; null after a problem that stops the check. */
    private Map<String, String> readUserFile(Path gns) throws IOException {
        Map<String, String> keys = new LinkedHashMap<>();
        String[] lines = new String(Files.readAllBytes(gns), StandardCharsets.ISO_8859_1)
                .split("\r?\n", -1);
        int before = problems;
        for (int i = 0; i < lines.length; i++) {
            String line = lines[i].stripTrailing();
            if (line.isEmpty()) {
                continue;
            }
            String key = line.substring(0, Math.min(3, line.length())).toUpperCase(Locale.ROOT);
            String where = "qrtlnk.gns line " + (i + 1) + ": ";
            if (key.equals("REM")) {
                continue;
            }
            Integer limit = USER_FILE_KEYS.get(key);
            if (limit == null) {
                problem(where + "unknown key \"" + key + "\" (the keys are "
                        + String.join(" ", USER_FILE_KEYS.keySet()) + " and REM; kovendi: status"
                        + " 1009)");
            } else if (line.length() < 5) {
                problem(where + key + " without a value");
            } else if (keys.containsKey(key)) {
                problem(where + key + " a second time");
            } else if (limit > 0 && line.length() - 4 > limit) {
                problem(where + key + " longer than " + limit + " characters");
            } else {
                keys.put(key, key.equals("PIN") ? plainPin(line.substring(4)) : line.substring(4));
            }
        }
        for (String key : List.of("POS", "PIN", "SRV", "PNB")) {
            if (!keys.containsKey(key)) {
                problem("qrtlnk.gns has no " + key + "=" + (key.equals("PNB")
                        ? " (required also for SRV=file:, where the port is not used: PNB=1)"
                        : ""));
            }
        }
        if (problems > before) {
            return null;
        }
        ok(gns + ": POS=" + keys.get("POS") + " SRV=" + keys.get("SRV") + " PNB="
                + keys.get("PNB") + " (a password is given)");
        return keys;
    }

    /** The password of a PIN= value, which the client keeps scrambled after its first run. */
    static String plainPin(String value) {
        if (value.isEmpty() || value.charAt(0) < 128) {
            return value;
        }
        char[] c = new StringBuilder(value).toString().toCharArray();
        c[0] = (char) (255 - c[0]);
        c = new StringBuilder(new String(c)).reverse().toString().toCharArray();
        for (int i = 0; i + 1 < c.length; i++) {
            int code = c[i] & 0xff;
            if (code > 200) {
                code -= 200;
            }
            c[i] = (char) swapDigits(code / 2);
        }
        return new String(c);
    }

    /** The number written with at least two digits, its first two swapped. */
    private static int swapDigits(int code) {
        String d = String.format("%02d", code);
        return (d.charAt(1) - '0') * 10 + (d.charAt(0) - '0');
    }

    /** COU, ADM and PMD that the client of this home fills in: $qrt400.prm, else its defaults. */
    private static Map<String, String> senderDefaults(Path home) throws IOException {
        Map<String, String> d = new LinkedHashMap<>(Map.of("COU", "NL", "ADM", "HUBADMD", "PMD",
                "QRT400"));
        Path prm = findIgnoringCase(home, "$qrt400.prm");
        if (prm == null) {
            return d;
        }
        Map<String, Integer> widths = Map.of("COU", 3, "ADM", 16, "PMD", 16);
        for (String line : new String(Files.readAllBytes(prm), StandardCharsets.ISO_8859_1)
                .split("\r?\n")) {
            int eq = line.indexOf('=');
            String key = eq > 0 && eq < 15 ? line.substring(0, eq).toUpperCase(Locale.ROOT) : "";
            String value = eq > 0 ? line.substring(eq + 1).stripTrailing() : "";
            if (widths.containsKey(key) && value.length() <= widths.get(key)) {
                d.put(key, value);
            }
        }
        return d;
    }

    /** A file of the directory, its name matched without regard to letter case, as the client does. */
    static Path findIgnoringCase(Path dir, String name) throws IOException {
        if (Files.isRegularFile(dir.resolve(name))) {
            return dir.resolve(name);
        }
        if (!Files.isDirectory(dir)) {
            return null;
        }
        try (DirectoryStream<Path> ds = Files.newDirectoryStream(dir)) {
            for (Path p : ds) {
                if (p.getFileName().toString().equalsIgnoreCase(name) && Files.isRegularFile(p)) {
                    return p;
                }
            }
        }
        return null;
    }

    /** {host/database, port} of a service URL with a network host; null for a local socket. */
    private static String[] tcpHost(String url) {
        try {
            URI u = new URI(url.replaceFirst("^postgres(ql)?://", "postgresql://"));
            String host = u.getHost();
            if (host == null || host.isEmpty()) {
                return null;
            }
            String db = u.getPath() == null || u.getPath().length() < 2 ? Services.DEFAULT_DATABASE
                    : u.getPath().substring(1);
            return new String[] {host + "/" + db, Integer.toString(u.getPort() < 0
                    ? Services.DEFAULT_PORT : u.getPort())};
        } catch (URISyntaxException e) {
            return null;
        }
    }

    /** The status code of the client's CONNECT line for a verdict of the log-in. */
    static String status(short verdict) {
        switch (verdict) {
            case Verdict.UNKNOWN: return "1501";
            case Verdict.CONNECTION_LOST: return "1506";
            case Verdict.SESSION_LOST: return "1507";
            case Verdict.MESSAGE_NOT_FOUND: return "1512";
            case Verdict.LOGIN_REFUSED: return "1508";
            case Verdict.NO_RECIPIENT: return "1509";
            case Verdict.BODY_PART_UNREADABLE: return "1510";
            case Verdict.RECEIVE_DIR_UNUSABLE: return "1511";
            case Verdict.STOPPED_BY_USER: return "1516";
            default: return verdict >= 10 && verdict <= 26 ? Integer.toString(1511 + verdict)
                    : "1513";
        }
    }
}
