package nl.kovendi.store.pg;

import static nl.kovendi.store.api.AdminArguments.checkName;
import static nl.kovendi.store.api.AdminArguments.checkPassword;
import static nl.kovendi.store.api.AdminArguments.faultRule;
import static nl.kovendi.store.api.AdminArguments.mailboxDefinition;
import static nl.kovendi.store.api.AdminArguments.need;
import static nl.kovendi.store.api.AdminArguments.operation;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.AdminArguments;
import nl.kovendi.store.api.Faults;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.StoreAdmin;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.api.UsageException;

/**
 * The commands of {@code kovendi-store} on a PostgreSQL service named by a connection URL
 * (postgresql://HOST:PORT/DATABASE). They run through {@code psql}, so the administrator's own
 * log-in applies as for any PostgreSQL tool: the user and password of the URL, PGUSER, PGPASSWORD,
 * ~/.pgpass or a peer log-in over the local socket. Values reach the SQL only as psql variables,
 * quoted by psql and set on psql's standard input (never on its command line, where every user of
 * the machine could read them); passwords only as SCRAM verifiers computed here. Every command but
 * {@code init} runs as the role {@code kovendi_admin}, and each session first turns the logging of
 * its statements off, so that no verifier reaches the server's log.
 */
public final class PgAdmin implements StoreAdmin {
    private static final char FIELD = '\u001f';

    private final PrintStream out;
    private final String url;

    public PgAdmin(PrintStream out, String url) {
        this.out = out;
        this.url = url;
    }

    public static boolean isServiceUrl(String s) {
        return s.startsWith("postgresql://") || s.startsWith("postgres://");
    }

    @Override
    public void run(String command, List<String> rest) throws UsageException, StoreException {
        String u = "<postgresql://HOST:PORT/DATABASE>";
        switch (command) {
            case "init":
                need(rest, 0, 0, "init " + u);
                psql(PgSchema.SCRIPT, Map.of(), true);
                break;
            case "add-mailbox":
                need(rest, 2, Integer.MAX_VALUE, "add-mailbox " + u
                        + " USER PASSWORD [KEY=VALUE ...]");
                AdminArguments.MailboxDefinition m = mailboxDefinition(rest);
                ServicePassword.check(m.password());
                psql("SELECT kovendi.admin_add_mailbox(:'role', :'usr', :'ffn', :'addr'::jsonb,"
                        + " :'verifier');", Map.of("role", PgSession.roleName(m.user()), "usr",
                        m.user(), "ffn", m.freeForm(), "addr", json(m.address()), "verifier",
                        ServicePassword.verifier(m.password())));
                break;
            case "set-password":
                need(rest, 2, 2, "set-password " + u + " USER PASSWORD");
                checkPassword(rest.get(1));
                ServicePassword.check(rest.get(1));
                psql("SELECT kovendi.admin_set_password(:'usr', :'verifier');", Map.of("usr",
                        rest.get(0), "verifier", ServicePassword.verifier(rest.get(1))));
                break;
            case "add-alias":
                need(rest, 2, 2, "add-alias " + u + " ALIAS USER");
                checkName("alias", rest.get(0));
                psql("SELECT kovendi.admin_add_alias(:'name', :'usr');",
                        Map.of("name", rest.get(0), "usr", rest.get(1)));
                break;
            case "add-list":
                need(rest, 2, Integer.MAX_VALUE, "add-list " + u + " LIST USER...");
                checkName("list", rest.get(0));
                addList(rest.get(0), rest.subList(1, rest.size()));
                break;
            case "list":
                need(rest, 0, 0, "list " + u);
                out.print(psql("SELECT 'mailbox ' || usr || ' \"' || ffn || '\" '"
                        + " || kovendi.addr_text(addr) FROM kovendi.mailbox ORDER BY upper(usr);\n"
                        + "SELECT 'alias ' || a.name || ' -> ' || m.usr FROM kovendi.alias a"
                        + " JOIN kovendi.mailbox m ON m.role = a.role ORDER BY a.key;\n"
                        + "SELECT 'list ' || l.name || ' -> ' || coalesce(string_agg(m.usr, ' '"
                        + " ORDER BY lm.pos), '') FROM kovendi.list l LEFT JOIN"
                        + " kovendi.list_member lm ON lm.key = l.key LEFT JOIN kovendi.mailbox m"
                        + " ON m.role = lm.role GROUP BY l.key, l.name ORDER BY l.key;",
                        Map.of()));
                break;
            case "show":
                need(rest, 1, 1, "show " + u + " USER");
                show(rest.get(0));
                break;
            case "fault":
                addFault(rest, u);
                break;
            case "faults":
                need(rest, 0, 1, "faults " + u + " [on|off]");
                if (!rest.isEmpty()) {
                    switchFaults(rest.get(0));
                    break;
                }
                for (String[] f : rows("SELECT operation, delay_ms, verdict, left_count, m.usr"
                        + " FROM kovendi.fault JOIN kovendi.mailbox m ON m.role = owner"
                        + " ORDER BY seq;", Map.of())) {
                    out.println(new Faults.Rule(f[0], Long.parseLong(f[1]), Integer.parseInt(f[2]),
                            Integer.parseInt(f[3])) + " mailbox " + f[4]);
                }
                break;
            case "clear-faults":
                need(rest, 0, 1, "clear-faults " + u + " [OPERATION]");
                if (rest.isEmpty()) {
                    psql("DELETE FROM kovendi.fault;", Map.of());
                } else {
                    psql("DELETE FROM kovendi.fault WHERE operation = :'op';",
                            Map.of("op", operation(rest.get(0))));
                }
                break;
            default:
                if (!ServiceCommands.run(this, command, rest)) {
                    throw new UsageException("unknown command \"" + command + "\"");
                }
        }
    }

    /**
     * A fault rule of the service acts on the calls of one mailbox, named by the closing words
     * "mailbox USER"; injection as a whole stays off until "faults URL on".
     */
    private void addFault(List<String> rest, String u) throws UsageException,
            StoreException {
        String usage = "fault " + u + " OPERATION VERDICT [COUNT] mailbox USER | fault " + u
                + " OPERATION delay SECONDS [fail VERDICT] [COUNT] mailbox USER";
        int n = rest.size();
        if (n < 4 || !rest.get(n - 2).equalsIgnoreCase("mailbox")) {
            throw new UsageException("usage: kovendi-store " + usage);
        }
        List<String> words = rest.subList(0, n - 2);
        need(words, 2, 6, usage);
        Faults.Rule r = faultRule(words);
        psql("INSERT INTO kovendi.fault (operation, delay_ms, verdict, left_count, owner)"
                + " VALUES (:'op', :'delay', :'verdict', :'count', kovendi.role_of(:'usr'));",
                Map.of("op", r.operation(), "delay", Long.toString(r.delayMillis()), "verdict",
                        Integer.toString(r.verdict()), "count", Integer.toString(r.count()), "usr",
                        rest.get(n - 1)));
    }

    private void switchFaults(String word) throws UsageException, StoreException {
        if (!word.equals("on") && !word.equals("off")) {
            throw new UsageException("faults: \"on\" or \"off\", not \"" + word + "\"");
        }
        psql("UPDATE kovendi.settings SET faults = :'on';",
                Map.of("on", Boolean.toString(word.equals("on"))));
    }

    String url() {
        return url;
    }

    PrintStream out() {
        return out;
    }

    void warn(String text) {
        System.err.println("kovendi-store: " + text);
    }

    private void addList(String list, List<String> users) throws StoreException {
        Map<String, String> vars = new LinkedHashMap<>();
        vars.put("name", list);
        StringBuilder members = new StringBuilder("ARRAY[");
        for (int i = 0; i < users.size(); i++) {
            vars.put("m" + i, users.get(i));
            members.append(i > 0 ? ", " : "").append(":'m").append(i).append("'");
        }
        psql("SELECT kovendi.admin_add_list(:'name', " + members + "]::text[]);", vars);
    }

    private void show(String user) throws StoreException {
        for (String[] e : rows("SELECT FROM kovendi.role_of(:'usr');\n"
                + "SELECT kovendi.list_id_text(list_id), CASE props->>'type'"
                + " WHEN '1' THEN 'MSG' WHEN '2' THEN 'NTF' ELSE 'RPT' END,"
                + " CASE WHEN props->>'access' = 'READ' THEN 'READ' ELSE 'NEW' END,"
                + " coalesce(nullif(props->>'ipMsgId', ''), '-'), coalesce(props->>'subject', '')"
                + " FROM kovendi.entry WHERE owner = kovendi.role_of(:'usr') ORDER BY list_id;",
                Map.of("usr", user))) {
            out.println(String.join(" ", e).stripTrailing());
        }
    }

    static String json(OrAddress a) {
        Map<String, String> filled = new LinkedHashMap<>();
        for (String key : OrAddress.keys()) {
            if (!a.get(key).isEmpty()) {
                filled.put(key, a.get(key));
            }
        }
        return PgDump.json(filled);
    }

    List<String[]> rows(String sql, Map<String, String> vars) throws StoreException {
        List<String[]> out = new ArrayList<>();
        for (String line : psql(sql, vars).split("\n")) {
            if (!line.isEmpty()) {
                out.add(line.split(String.valueOf(FIELD), -1));
            }
        }
        return out;
    }

    /** Runs SQL as the administration role through psql; returns the unaligned output. */
    String psql(String sql, Map<String, String> vars) throws StoreException {
        return psql(sql, vars, false);
    }

    /**
     * Runs SQL through psql, stopping at the first error, as the administration role or, for the
     * schema script, as the administrator's own log-in and in one transaction.
     */
    private String psql(String sql, Map<String, String> vars, boolean schema)
            throws StoreException {
        List<String> cmd = new ArrayList<>(List.of("psql", "-X", "-q", "-A", "-t", "-F",
                String.valueOf(FIELD), "-v", "ON_ERROR_STOP=1", "-d", url, "-f", "-"));
        if (schema) {
            cmd.add("--single-transaction");
        }
        StringBuilder script = new StringBuilder(PgAdminSession.preamble(schema));
        for (Map.Entry<String, String> v : vars.entrySet()) {
            script.append(PgAdminSession.setVariable(v.getKey(), v.getValue()));
        }
        script.append(sql);
        Process p;
        try {
            ProcessBuilder pb = new ProcessBuilder(cmd);
            pb.environment().put("PGCLIENTENCODING", "UTF8");
            p = pb.start();
        } catch (IOException e) {
            throw new StoreException(Verdict.CONNECTION_LOST, "cannot run psql (is the"
                    + " PostgreSQL client installed?): " + e.getMessage(), e);
        }
        ByteArrayOutputStream stdout = new ByteArrayOutputStream();
        ByteArrayOutputStream stderr = new ByteArrayOutputStream();
        Thread a = drain(p.getInputStream(), stdout);
        Thread b = drain(p.getErrorStream(), stderr);
        try (OutputStream in = p.getOutputStream()) {
            in.write(script.toString().getBytes(StandardCharsets.UTF_8));
        } catch (IOException e) {
            // psql ended early; its own message follows
        }
        int status;
        try {
            status = p.waitFor();
            a.join();
            b.join();
        } catch (InterruptedException e) {
            p.destroyForcibly();
            Thread.currentThread().interrupt();
            throw new StoreException(Verdict.STOPPED_BY_USER, "interrupted");
        }
        if (status != 0) {
            String err = stderr.toString(StandardCharsets.UTF_8).trim();
            String line = err;
            for (String l : err.split("\n")) {
                if (l.contains("ERROR:") || l.contains("FATAL:")) {
                    line = l;
                    break;
                }
            }
            line = line.replaceFirst("^psql:[^ ]*: ", "").replaceFirst("^<stdin>:\\d+: ", "");
            throw new StoreException(Verdict.CONNECTION_LOST, "PostgreSQL service " + url + ": "
                    + (line.isEmpty() ? "psql status " + status : line.toLowerCase(Locale.ROOT)
                            .startsWith("error:") ? line.substring(6).trim() : line));
        }
        if (stderr.toString(StandardCharsets.UTF_8).contains(PgAdminSession.LOGGING_REFUSED)) {
            System.err.println(PgAdminSession.LOGGING_REFUSED + ": the server may log the"
                    + " password verifiers of this command");
        }
        return stdout.toString(StandardCharsets.UTF_8);
    }

    private static Thread drain(InputStream in, ByteArrayOutputStream to) {
        Thread t = new Thread(() -> {
            try (in) {
                in.transferTo(to);
            } catch (IOException e) {
                // the process is gone
            }
        });
        t.start();
        return t;
    }
}
