package nl.kovendi.store.embedded;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Faults;
import nl.kovendi.store.api.StoreException;

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
public final class FaultFile {
    static final String FILE = "faults";

    private FaultFile() {
    }

    /** The rules of a store, in order; lines that do not parse are skipped. */
    public static List<Faults.Rule> read(Path storeDir) throws IOException {
        List<Faults.Rule> rules = new ArrayList<>();
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
                rules.add(Faults.parse(l));
            } catch (IllegalArgumentException e) {
                // a malformed line injects nothing
            }
        }
        return rules;
    }

    static void write(Path storeDir, List<Faults.Rule> rules) throws IOException {
        Path f = storeDir.resolve(FILE);
        if (rules.isEmpty()) {
            AtomicFiles.delete(f);
            return;
        }
        StringBuilder b = new StringBuilder();
        for (Faults.Rule r : rules) {
            b.append(r).append('\n');
        }
        AtomicFiles.write(f, b.toString().getBytes(StandardCharsets.ISO_8859_1));
    }

    /** Appends a rule (under the store's lock). */
    public static void add(Store store, Faults.Rule rule) throws StoreException {
        store.locked(() -> {
            List<Faults.Rule> rules = read(store.dir());
            rules.add(rule);
            write(store.dir(), rules);
            return null;
        });
    }

    /** Removes the rules of one operation, or all rules when {@code operation} is null. */
    public static void clear(Store store, String operation) throws StoreException {
        store.locked(() -> {
            List<Faults.Rule> rules = read(store.dir());
            rules.removeIf(r -> operation == null || r.operation().equals(operation));
            write(store.dir(), rules);
            return null;
        });
    }

    /** Takes the first rule for {@code operation}, counting it down; null when there is none. */
    public static Faults.Rule take(Store store, String operation) throws StoreException {
        return store.locked(() -> {
            if (!Files.exists(store.dir().resolve(FILE))) {
                return null;
            }
            List<Faults.Rule> rules = read(store.dir());
            for (int i = 0; i < rules.size(); i++) {
                Faults.Rule r = rules.get(i);
                if (r.operation().equals(operation)) {
                    Faults.Rule left = r.used();
                    if (left.count() == 0) {
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
