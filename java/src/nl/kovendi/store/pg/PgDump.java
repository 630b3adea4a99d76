package nl.kovendi.store.pg;

import java.nio.charset.StandardCharsets;
import java.security.SecureRandom;
import java.util.ArrayList;
import java.util.Base64;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

import nl.kovendi.store.api.Credentials;
import nl.kovendi.store.api.Dump;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.ScramVerifier;
import nl.kovendi.store.api.StoreException;

/**
 * Export and import of a PostgreSQL service in the dump format of {@link Dump}, through the
 * administrator's psql connection. Every value travels Base64-encoded in both directions, so no
 * text of the dump can reach the SQL as anything but data; an import is one transaction.
 */
final class PgDump {
    private final PgAdmin admin;

    PgDump(PgAdmin admin) {
        this.admin = admin;
    }

    /** SQL that gives a text expression as Base64 on one line. */
    private static String b64(String expression) {
        return "translate(encode(convert_to(" + expression + ", 'UTF8'), 'base64'), E'\\n', '')";
    }

    private static String text(String base64) {
        return new String(Base64.getDecoder().decode(base64), StandardCharsets.UTF_8);
    }

    Dump export() throws StoreException {
        Dump dump = new Dump();
        Map<String, Dump.Mailbox> byRole = new LinkedHashMap<>();
        for (String[] r : admin.rows("SELECT role, " + b64("usr") + ", " + b64("ffn")
                + " FROM kovendi.mailbox ORDER BY upper(usr);", Map.of())) {
            Dump.Mailbox m = new Dump.Mailbox();
            m.user = text(r[1]);
            m.freeForm = text(r[2]);
            m.credential = Credentials.NONE;
            byRole.put(r[0], m);
            dump.mailboxes.add(m);
        }
        for (String[] r : admin.rows("SELECT m.role, a.key, " + b64("a.value") + " FROM"
                + " kovendi.mailbox m CROSS JOIN jsonb_each_text(m.addr) a WHERE a.value <> '';",
                Map.of())) {
            byRole.get(r[0]).address.put(r[1], text(r[2]));
        }
        sortAddresses(dump);
        readCredentials(byRole);
        for (String[] r : admin.rows("SELECT " + b64("a.name") + ", m.role FROM kovendi.alias a"
                + " JOIN kovendi.mailbox m ON m.role = a.role ORDER BY a.key;", Map.of())) {
            dump.aliases.add(new String[] {text(r[0]), byRole.get(r[1]).user});
        }
        Map<String, List<String>> lists = new LinkedHashMap<>();
        for (String[] r : admin.rows("SELECT l.key, " + b64("l.name") + ", coalesce(lm.role, '')"
                + " FROM kovendi.list l LEFT JOIN kovendi.list_member lm ON lm.key = l.key"
                + " ORDER BY l.key, lm.pos;", Map.of())) {
            List<String> l = lists.computeIfAbsent(r[0], k -> new ArrayList<>(List.of(text(r[1]))));
            if (!r[2].isEmpty()) {
                l.add(byRole.get(r[2]).user);
            }
        }
        dump.lists.addAll(lists.values());
        readItems(dump, byRole);
        return dump;
    }

    /** Address fields in the order of the address keys, as the embedded store writes them. */
    private static void sortAddresses(Dump dump) {
        for (Dump.Mailbox m : dump.mailboxes) {
            Map<String, String> sorted = new LinkedHashMap<>();
            for (String key : OrAddress.keys()) {
                if (m.address.containsKey(key)) {
                    sorted.put(key, m.address.get(key));
                }
            }
            m.address.clear();
            m.address.putAll(sorted);
        }
    }

    /**
     * The SCRAM verifiers of the mailbox roles, which only a superuser may read: the query runs as
     * the administrator's own log-in, not as the administration role that every other statement
     * takes on. Without that right the dump carries "-" and the import asks for set-password.
     */
    private void readCredentials(Map<String, Dump.Mailbox> byRole) {
        try {
            for (String[] r : admin.rows("RESET ROLE;\n"
                    + "SELECT rolname, coalesce(rolpassword, '-') FROM pg_authid"
                    + " WHERE rolname IN (SELECT role FROM kovendi.mailbox);", Map.of())) {
                byRole.get(r[0]).credential = r[1];
            }
        } catch (StoreException e) {
            admin.warn("the passwords cannot be read (" + e.getMessage() + "); the dump"
                    + " carries none");
        }
    }

    private void readItems(Dump dump, Map<String, Dump.Mailbox> byRole) throws StoreException {
        Map<String, Dump.Item> items = new LinkedHashMap<>();
        for (String[] r : admin.rows("SELECT e.owner, e.list_id, p.key, " + b64("p.value")
                + " FROM kovendi.entry e CROSS JOIN LATERAL jsonb_each_text(e.props) p"
                + " ORDER BY e.list_id, p.key;", Map.of())) {
            Dump.Item item = items.computeIfAbsent(r[1], k -> {
                Dump.Item i = new Dump.Item();
                i.user = byRole.get(r[0]).user;
                return i;
            });
            item.props.put(r[2], text(r[3]));
        }
        for (String[] r : admin.rows("SELECT list_id, k, translate(encode(data, 'base64'),"
                + " E'\\n', '') FROM kovendi.part ORDER BY list_id, k;", Map.of())) {
            items.get(r[0]).parts.add(Base64.getDecoder().decode(r[2]));
        }
        dump.items.addAll(items.values());
    }

    /** One transaction that fills a service without mailboxes from the dump. */
    List<String> importDump(Dump dump) throws StoreException {
        List<String> notes = new ArrayList<>();
        StringBuilder sql = new StringBuilder("BEGIN;\n");
        sql.append("DO $$ BEGIN IF EXISTS (SELECT 1 FROM kovendi.mailbox) THEN RAISE EXCEPTION"
                + " 'the service already has mailboxes: import fills an empty service'; END IF;"
                + " END $$;\n");
        for (Dump.Mailbox m : dump.mailboxes) {
            Dump.address(m);  // the same width checks as the embedded store
            String verifier = Credentials.toScram(m.credential);
            if (verifier == null) {
                verifier = unusableVerifier();
                notes.add("mailbox " + m.user + " has no password: give it one with"
                        + " set-password");
            }
            Map<String, String> address = new LinkedHashMap<>(m.address);
            sql.append("SELECT kovendi.admin_add_mailbox(").append(lit(PgSession.roleName(m.user)))
                    .append(", ").append(lit(m.user)).append(", ").append(lit(m.freeForm))
                    .append(", ").append(lit(json(address))).append("::jsonb, ")
                    .append(lit(verifier)).append(");\n");
        }
        for (String[] a : dump.aliases) {
            sql.append("SELECT kovendi.admin_add_alias(").append(lit(a[0])).append(", ")
                    .append(lit(a[1])).append(");\n");
        }
        for (List<String> l : dump.lists) {
            sql.append("SELECT kovendi.admin_add_list(").append(lit(l.get(0))).append(", ARRAY[");
            for (int i = 1; i < l.size(); i++) {
                sql.append(i > 1 ? ", " : "").append(lit(l.get(i)));
            }
            sql.append("]::text[]);\n");
        }
        long last = 0;
        for (Dump.Item item : dump.items) {
            String role = "kovendi.role_of(" + lit(item.user) + ")";
            sql.append("INSERT INTO kovendi.entry VALUES (").append(role).append(", ")
                    .append(item.listId()).append(", ").append(lit(json(item.props)))
                    .append("::jsonb);\n");
            for (int k = 0; k < item.parts.size(); k++) {
                sql.append("INSERT INTO kovendi.part VALUES (").append(role).append(", ")
                        .append(item.listId()).append(", ").append(k + 1).append(", decode('")
                        .append(Base64.getEncoder().encodeToString(item.parts.get(k)))
                        .append("', 'base64'));\n");
            }
            last = Math.max(last, item.listId());
        }
        if (last > 0) {
            sql.append("SELECT setval('kovendi.list_id_seq', greatest(").append(last)
                    .append(", (SELECT last_value FROM kovendi.list_id_seq)));\n");
        }
        sql.append("COMMIT;\n");
        admin.psql(sql.toString(), Map.of());
        return notes;
    }

    /** A text value as SQL: Base64 decoded by the server, so no quoting can go wrong. */
    private static String lit(String value) {
        return "convert_from(decode('" + Base64.getEncoder().encodeToString(
                value.getBytes(StandardCharsets.UTF_8)) + "', 'base64'), 'UTF8')";
    }

    static String json(Map<String, String> values) {
        StringBuilder b = new StringBuilder("{");
        for (Map.Entry<String, String> e : values.entrySet()) {
            b.append(b.length() > 1 ? "," : "");
            quote(b, e.getKey());
            b.append(':');
            quote(b, e.getValue());
        }
        return b.append('}').toString();
    }

    private static void quote(StringBuilder b, String s) {
        b.append('"');
        for (char c : s.toCharArray()) {
            if (c == '"' || c == '\\') {
                b.append('\\').append(c);
            } else if (c < 32) {
                b.append(String.format("\\u%04x", (int) c));
            } else {
                b.append(c);
            }
        }
        b.append('"');
    }

    /** The verifier of a random password nobody knows. */
    private static String unusableVerifier() {
        byte[] random = new byte[12];
        new SecureRandom().nextBytes(random);
        return ScramVerifier.of(Base64.getEncoder().encodeToString(random));
    }
}
