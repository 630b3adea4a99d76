package nl.kovendi.store.api;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.Writer;
import java.util.ArrayList;
import java.util.Base64;
import java.util.Comparator;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;

import nl.kovendi.Verdict;

/**
 * The dump of a message store that {@code kovendi-store export} writes and {@code import} reads,
 * the same for the embedded store and a PostgreSQL service, so that a store can be backed up,
 * restored and moved from one kind to the other. Version 1, UTF-8 text, one record per line, the
 * fields of a record separated by a TAB; inside a field a backslash is written "\\", a TAB "\t", a
 * line feed "\n" and a carriage return "\r":
 *
 * <pre>
 * kovendi-store dump	1
 * mailbox	USER	FREE-FORM NAME	CREDENTIAL	KEY=VALUE ...      its own O/R address
 * alias	NAME	USER
 * list	NAME	USER ...
 * entry	USER	KEY=VALUE ...      one mailbox item: its properties, listId and parts included
 * part	BASE64                   the item's body parts in order, right after its entry line
 * end	MAILBOXES	ALIASES	LISTS	ENTRIES
 * </pre>
 *
 * CREDENTIAL is the mailbox's stored password check ("pbkdf2-sha256$..." or "SCRAM-SHA-256$..."),
 * or "-" when the source could not give it (the mailbox then needs set-password after the import).
 * The end line with the counts tells a complete dump from a cut one.
 */
public final class Dump {
    static final String HEADER = "kovendi-store dump";
    public static final int VERSION = 1;

    /** One mailbox of the dump. */
    public static final class Mailbox {
        public String user;
        public String freeForm;
        public String credential;
        public final Map<String, String> address = new LinkedHashMap<>();
    }

    /** One mailbox item with its body parts. */
    public static final class Item {
        public String user;
        public final Map<String, String> props = new LinkedHashMap<>();
        public final List<byte[]> parts = new ArrayList<>();

        public long listId() {
            return Long.parseLong(props.getOrDefault("listId", "0"));
        }
    }

    public final List<Mailbox> mailboxes = new ArrayList<>();
    /** alias name and user */
    public final List<String[]> aliases = new ArrayList<>();
    /** list name followed by its users */
    public final List<List<String>> lists = new ArrayList<>();
    public final List<Item> items = new ArrayList<>();

    /**
     * Puts the records in one order whatever the store gave them in: mailboxes, aliases and lists
     * by name, items by mailbox and list identifier, properties by key. Two stores with the same
     * content give the same dump.
     */
    private void sort() {
        mailboxes.sort(Comparator.comparing(m -> NameKeys.keyOf(m.user)));
        aliases.sort(Comparator.comparing(a -> NameKeys.keyOf(a[0])));
        lists.sort(Comparator.comparing(l -> NameKeys.keyOf(l.get(0))));
        items.sort(Comparator.comparing((Item e) -> NameKeys.keyOf(e.user))
                .thenComparing(Item::listId));
        for (Item e : items) {
            Map<String, String> sorted = new TreeMap<>(e.props);
            e.props.clear();
            e.props.putAll(sorted);
        }
    }

    public void write(Writer out) throws IOException {
        sort();
        line(out, HEADER, Integer.toString(VERSION));
        for (Mailbox m : mailboxes) {
            List<String> f = new ArrayList<>(List.of("mailbox", m.user, m.freeForm, m.credential));
            m.address.forEach((k, v) -> f.add(k + "=" + v));
            line(out, f.toArray(new String[0]));
        }
        for (String[] a : aliases) {
            line(out, "alias", a[0], a[1]);
        }
        for (List<String> l : lists) {
            List<String> f = new ArrayList<>(List.of("list"));
            f.addAll(l);
            line(out, f.toArray(new String[0]));
        }
        Base64.Encoder b64 = Base64.getEncoder();
        for (Item e : items) {
            List<String> f = new ArrayList<>(List.of("entry", e.user));
            e.props.forEach((k, v) -> f.add(k + "=" + v));
            line(out, f.toArray(new String[0]));
            for (byte[] part : e.parts) {
                line(out, "part", b64.encodeToString(part));
            }
        }
        line(out, "end", Integer.toString(mailboxes.size()), Integer.toString(aliases.size()),
                Integer.toString(lists.size()), Integer.toString(items.size()));
        out.flush();
    }

    /** Reads a whole dump and checks it: version, references, part counts and the end line. */
    public static Dump read(BufferedReader in) throws IOException, StoreException {
        Dump d = new Dump();
        String first = in.readLine();
        if (first == null || !first.startsWith(HEADER + "\t")) {
            throw invalid(1, "not a kovendi-store dump");
        }
        if (!first.equals(HEADER + "\t" + VERSION)) {
            throw invalid(1, "dump version " + first.substring(HEADER.length() + 1)
                    + " is not supported (this kovendi-store reads version " + VERSION + ")");
        }
        int lineNo = 1;
        boolean ended = false;
        Item open = null;
        for (String text; (text = in.readLine()) != null; ) {
            lineNo++;
            if (ended) {
                throw invalid(lineNo, "text after the end line");
            }
            String[] f = fields(text, lineNo);
            if (open != null && !f[0].equals("part")) {
                checkParts(open, lineNo);
                open = null;
            }
            switch (f[0]) {
                case "mailbox": d.mailboxes.add(mailbox(f, lineNo)); break;
                case "alias":
                    need(f, 3, 3, lineNo);
                    d.aliases.add(new String[] {f[1], f[2]});
                    break;
                case "list":
                    need(f, 3, Integer.MAX_VALUE, lineNo);
                    d.lists.add(new ArrayList<>(List.of(f).subList(1, f.length)));
                    break;
                case "entry":
                    open = item(f, lineNo);
                    d.items.add(open);
                    break;
                case "part":
                    need(f, 2, 2, lineNo);
                    if (open == null) {
                        throw invalid(lineNo, "a part line without its entry");
                    }
                    try {
                        open.parts.add(Base64.getDecoder().decode(f[1]));
                    } catch (IllegalArgumentException e) {
                        throw invalid(lineNo, "a part that is not Base64");
                    }
                    break;
                case "end":
                    d.checkEnd(f, lineNo);
                    ended = true;
                    break;
                default: throw invalid(lineNo, "unknown record \"" + f[0] + "\"");
            }
        }
        if (!ended) {
            throw invalid(lineNo, "the dump ends without its end line (cut off?)");
        }
        d.checkReferences();
        return d;
    }

    private static Mailbox mailbox(String[] f, int lineNo) throws StoreException {
        need(f, 4, Integer.MAX_VALUE, lineNo);
        Mailbox m = new Mailbox();
        m.user = f[1];
        m.freeForm = f[2];
        m.credential = f[3];
        for (int i = 4; i < f.length; i++) {
            String[] kv = keyValue(f[i], lineNo);
            if (!OrAddress.isKey(kv[0])) {
                throw invalid(lineNo, "unknown address key \"" + kv[0] + "\"");
            }
            m.address.put(kv[0], kv[1]);
        }
        return m;
    }

    private static Item item(String[] f, int lineNo) throws StoreException {
        need(f, 3, Integer.MAX_VALUE, lineNo);
        Item e = new Item();
        e.user = f[1];
        for (int i = 2; i < f.length; i++) {
            String[] kv = keyValue(f[i], lineNo);
            e.props.put(kv[0], kv[1]);
        }
        if (!ListIds.isListId(e.props.get("listId"))) {
            throw invalid(lineNo, "an entry without a list identifier of ten digits");
        }
        return e;
    }

    private static void checkParts(Item e, int lineNo) throws StoreException {
        int want;
        try {
            want = Integer.parseInt(e.props.getOrDefault("parts", "0"));
        } catch (NumberFormatException x) {
            want = -1;
        }
        if (want != e.parts.size()) {
            throw invalid(lineNo, "entry " + e.props.get("listId") + " announces "
                    + e.props.getOrDefault("parts", "0") + " parts and has " + e.parts.size());
        }
    }

    private void checkEnd(String[] f, int lineNo) throws StoreException {
        need(f, 5, 5, lineNo);
        String counts = mailboxes.size() + " " + aliases.size() + " " + lists.size() + " "
                + items.size();
        if (!counts.equals(f[1] + " " + f[2] + " " + f[3] + " " + f[4])) {
            throw invalid(lineNo, "the end line counts " + String.join(" ", f[1], f[2], f[3], f[4])
                    + " records, the dump holds " + counts);
        }
    }

    private void checkReferences() throws StoreException {
        Map<String, Boolean> users = new LinkedHashMap<>();
        for (Mailbox m : mailboxes) {
            if (users.put(NameKeys.keyOf(m.user), true) != null) {
                throw invalid(0, "mailbox " + m.user + " appears twice");
            }
        }
        List<String> named = new ArrayList<>();
        for (String[] a : aliases) {
            named.add(a[1]);
        }
        for (List<String> l : lists) {
            named.addAll(l.subList(1, l.size()));
        }
        for (Item e : items) {
            named.add(e.user);
        }
        Map<Long, Boolean> ids = new LinkedHashMap<>();
        for (Item e : items) {
            if (ids.put(e.listId(), true) != null) {
                throw invalid(0, "list identifier " + e.props.get("listId") + " appears twice");
            }
        }
        for (String u : named) {
            if (!users.containsKey(NameKeys.keyOf(u))) {
                throw invalid(0, "the dump names mailbox " + u + " but does not hold it");
            }
        }
    }

    private static void need(String[] f, int min, int max, int lineNo) throws StoreException {
        if (f.length < min || f.length > max) {
            throw invalid(lineNo, "a " + f[0] + " record with " + (f.length - 1) + " fields");
        }
    }

    private static String[] keyValue(String field, int lineNo) throws StoreException {
        int eq = field.indexOf('=');
        if (eq < 1) {
            throw invalid(lineNo, "\"" + field + "\" is not KEY=VALUE");
        }
        return new String[] {field.substring(0, eq), field.substring(eq + 1)};
    }

    public static StoreException invalid(int lineNo, String why) {
        return new StoreException(Verdict.INVALID_ARGUMENT, "dump"
                + (lineNo > 0 ? " line " + lineNo : "") + ": " + why);
    }

    private static void line(Writer out, String... fields) throws IOException {
        StringBuilder b = new StringBuilder();
        for (int i = 0; i < fields.length; i++) {
            if (i > 0) {
                b.append('\t');
            }
            for (char c : (fields[i] == null ? "" : fields[i]).toCharArray()) {
                switch (c) {
                    case '\\': b.append("\\\\"); break;
                    case '\t': b.append("\\t"); break;
                    case '\n': b.append("\\n"); break;
                    case '\r': b.append("\\r"); break;
                    default: b.append(c);
                }
            }
        }
        out.write(b.append('\n').toString());
    }

    public static String[] fields(String text, int lineNo) throws StoreException {
        List<String> out = new ArrayList<>();
        StringBuilder b = new StringBuilder();
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            if (c == '\t') {
                out.add(b.toString());
                b.setLength(0);
            } else if (c == '\\') {
                char n = ++i < text.length() ? text.charAt(i) : ' ';
                switch (n) {
                    case '\\': b.append('\\'); break;
                    case 't': b.append('\t'); break;
                    case 'n': b.append('\n'); break;
                    case 'r': b.append('\r'); break;
                    default: throw invalid(lineNo, "a backslash not followed by \\, t, n or r");
                }
            } else {
                b.append(c);
            }
        }
        out.add(b.toString());
        return out.toArray(new String[0]);
    }

    /** The O/R address of a mailbox of a dump, with the width checks of every store. */
    public static OrAddress address(Dump.Mailbox dm) throws StoreException {
        OrAddress a = new OrAddress();
        try {
            for (Map.Entry<String, String> f : dm.address.entrySet()) {
                a.set(f.getKey(), f.getValue());
            }
        } catch (IllegalArgumentException e) {
            throw new StoreException(Verdict.INVALID_ARGUMENT, "dump: mailbox " + dm.user + ": "
                    + e.getMessage());
        }
        return a;
    }
}
