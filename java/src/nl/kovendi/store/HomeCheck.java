package nl.kovendi.store;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.DirectoryStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;

import nl.kovendi.store.api.MailboxCheck;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.embedded.EmbeddedCheck;
import nl.kovendi.store.pg.PgTls;
import nl.kovendi.store.pg.ServiceCheck;

/**
 * {@code kovendi-store check HOME}: reads the application's user file HOME/qrtlnk.gns with the
 * rules of the client (the keys, their limits, the required ones) and logs in with it, on the
 * store that its SRV names.
 */
final class HomeCheck {
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

    private final MailboxCheck report;

    HomeCheck(MailboxCheck report) {
        this.report = report;
    }

    /** check HOME: the user file of an application's home directory, then the log-in. */
    int run(Path home) throws IOException {
        Path gns = findIgnoringCase(home, "qrtlnk.gns");
        if (gns == null) {
            report.problem("there is no qrtlnk.gns in " + home + " (kovendi ends with error 0007)");
            return report.problems();
        }
        Map<String, String> keys = readUserFile(gns);
        if (keys == null) {
            return report.problems();
        }
        Map<String, String> defaults = senderDefaults(home);
        report.ok("messages sent from " + home + " get COU=" + defaults.get("COU") + " ADM="
                + defaults.get("ADM") + " PMD=" + defaults.get("PMD")
                + " when a request does not give them");
        String srv = keys.get("SRV");
        String user = keys.get("POS");
        String password = keys.get("PIN");
        if (srv.toLowerCase(Locale.ROOT).startsWith("file:")) {
            String dir = srv.substring(5).replace('\\', '/');
            return EmbeddedCheck.run(report, home.resolve(dir).normalize(), user, password);
        }
        int port;
        try {
            port = Integer.parseInt(keys.get("PNB").trim());
        } catch (NumberFormatException e) {
            port = 0;
        }
        try {
            ServiceCheck.logIn(report, srv, port, user, password,
                    PgTls.of(keys.getOrDefault("TLS", ""), keys.getOrDefault("CRT", ""), home));
        } catch (StoreException e) {
            report.problem(e.getMessage() + " (kovendi: status "
                    + MailboxCheck.status(e.verdict()) + ")");
        }
        return report.problems();
    }

    /** The user file's keys by the client's rules; null after a problem that stops the check. */
    private Map<String, String> readUserFile(Path gns) throws IOException {
        Map<String, String> keys = new LinkedHashMap<>();
        String[] lines = new String(Files.readAllBytes(gns), StandardCharsets.ISO_8859_1)
                .split("\r?\n", -1);
        int before = report.problems();
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
                report.problem(where + "unknown key \"" + key + "\" (the keys are "
                        + String.join(" ", USER_FILE_KEYS.keySet()) + " and REM; kovendi: status"
                        + " 1009)");
            } else if (line.length() < 5) {
                report.problem(where + key + " without a value");
            } else if (keys.containsKey(key)) {
                report.problem(where + key + " a second time");
            } else if (limit > 0 && line.length() - 4 > limit) {
                report.problem(where + key + " longer than " + limit + " characters");
            } else {
                keys.put(key, key.equals("PIN") ? plainPin(line.substring(4)) : line.substring(4));
            }
        }
        for (String key : List.of("POS", "PIN", "SRV", "PNB")) {
            if (!keys.containsKey(key)) {
                report.problem("qrtlnk.gns has no " + key + "=" + (key.equals("PNB")
                        ? " (required also for SRV=file:, where the port is not used: PNB=1)"
                        : ""));
            }
        }
        if (report.problems() > before) {
            return null;
        }
        report.ok(gns + ": POS=" + keys.get("POS") + " SRV=" + keys.get("SRV") + " PNB="
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
}
