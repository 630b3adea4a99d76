package nl.kovendi.store;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/**
 * Fault injection through the control file {@code faults} in the store directory. Each line is one
 * rule (empty lines and lines starting with "#" are ignored):
 *
 * <pre>
 * OPERATION [delay SECONDS] [fail VERDICT] [count N | count *]
 * </pre>
 *
 * OPERATION is the client method ({@code API_open}, {@code API_sendMsg}, {@code API_getMsg},
 * {@code API_delMsg}, {@code API_listMbxInNext}, {@code API_changeNetworkPwd},
 * {@code API_aliasToOrname}, {@code API_close}). The next call of that operation takes the first
 * rule for it: it first waits SECONDS (a decimal fraction is allowed), then fails with VERDICT
 * (0 to 32767) without doing anything, or, without "fail", goes on normally. The rule then counts
 * down; "count" defaults to 1, and "count *" never runs out. Every process that uses the store
 * sees the same rules, and each call consumes them under the store's lock.
 */
public final class Faults {
    static final String FILE = "faults";

    /** One rule of the control file. */
    public static final class Rule {
        public final String operation;
        public final long delayMillis;
        /** The verdict to fail with, or -1 to go on. */
        public final int verdict;
        /** Calls left, or -1 for unlimited. */
        public final int count;

        public Rule(String operation, long delayMillis, int verdict, int count) {
            this.operation = operation;
            this.delayMillis = delayMillis;
            this.verdict = verdict;
            this.count = count;
        }

        Rule used() {
            return new Rule(operation, delayMillis, verdict, count < 0 ? -1 : count - 1);
        }

        @Override
        public String toString() {
            StringBuilder b = new StringBuilder(operation);
            if (delayMillis > 0) {
                b.append(" delay ").append(delayMillis / 1000);
                if (delayMillis % 1000 != 0) {
                    b.append('.').append(String.format("%03d", delayMillis % 1000));
                }
            }
            if (verdict >= 0) {
                b.append(" fail ").append(verdict);
            }
            b.append(" count ").append(count < 0 ? "*" : Integer.toString(count));
            return b.toString();
        }
    }

    private Faults() {
    }

    /** Parses one rule; IllegalArgumentException with the reason when it is malformed. */
    public static Rule parse(String line) {
        String[] t = line.trim().split("\\s+");
        if (t.length == 0 || t[0].isEmpty()) {
            throw new IllegalArgumentException("empty rule");
        }
        long delay = 0;
        int verdict = -1;
        int count = 1;
        for (int i = 1; i < t.length; i += 2) {
            if (i + 1 >= t.length) {
                throw new IllegalArgumentException("value missing after \"" + t[i] + "\"");
            }
            String v = t[i + 1];
            switch (t[i].toLowerCase(Locale.ROOT)) {
                case "delay":
                    double s = Double.parseDouble(v);
                    if (!(s >= 0 && s <= 86400)) {
                        throw new IllegalArgumentException("delay out of range: " + v);
                    }
                    delay = Math.round(s * 1000);
                    break;
                case "fail":
                    verdict = Integer.parseInt(v);
                    if (verdict < 0 || verdict > Short.MAX_VALUE) {
                        throw new IllegalArgumentException("verdict out of range: " + v);
                    }
                    break;
                case "count":
                    count = v.equals("*") ? -1 : Integer.parseInt(v);
                    if (count == 0 || count < -1) {
                        throw new IllegalArgumentException("count must be positive or *: " + v);
                    }
                    break;
                default:
                    throw new IllegalArgumentException("unknown word \"" + t[i] + "\"");
            }
        }
        return new Rule(t[0], delay, verdict, count);
    }

    /** The rules of a store, in order; lines that do not parse are skipped. */
    public static List<Rule> read(Path storeDir) throws IOException {
        List<Rule> rules = new ArrayList<>();
        Path f = storeDir.resolve(FILE);
        if (!Files.exists(f)) {
            return rules;
        }
        for (String line : Files.readAllLines(f, StandardCharsets.ISO_8859_1)) {
            String l = line.trim();
            if (l.isEmpty() || l.startsWith("#")) {
                continue;
            }
            try {
                rules.add(parse(l));
            } catch (IllegalArgumentException e) {
                // a malformed line injects nothing
            }
        }
        return rules;
    }

    static void write(Path storeDir, List<Rule> rules) throws IOException {
        Path f = storeDir.resolve(FILE);
        if (rules.isEmpty()) {
            AtomicFiles.delete(f);
            return;
        }
        StringBuilder b = new StringBuilder();
        for (Rule r : rules) {
            b.append(r).append('\n');
        }
        AtomicFiles.write(f, b.toString().getBytes(StandardCharsets.ISO_8859_1));
    }

    /** Appends a rule (under the store's lock). */
    public static void add(Store store, Rule rule) throws StoreException {
        store.locked(() -> {
            List<Rule> rules = read(store.dir());
            rules.add(rule);
            write(store.dir(), rules);
            return null;
        });
    }

    /** Removes the rules of one operation, or all rules when {@code operation} is null. */
    public static void clear(Store store, String operation) throws StoreException {
        store.locked(() -> {
            List<Rule> rules = read(store.dir());
            rules.removeIf(r -> operation == null || r.operation.equals(operation));
            write(store.dir(), rules);
            return null;
        });
    }

    /** Takes the first rule for {@code operation}, counting it down; null when there is none. */
    public static Rule take(Store store, String operation) throws StoreException {
        return store.locked(() -> {
            if (!Files.exists(store.dir().resolve(FILE))) {
                return null;
            }
            List<Rule> rules = read(store.dir());
            for (int i = 0; i < rules.size(); i++) {
                Rule r = rules.get(i);
                if (r.operation.equals(operation)) {
                    Rule left = r.used();
                    if (left.count == 0) {
                        rules.remove(i);
                    } else {
                        rules.set(i, left);
                    }
                    write(store.dir(), rules);
                    return r;
                }
            }
            return null;
        });
    }
}
