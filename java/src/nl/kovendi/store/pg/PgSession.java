package nl.kovendi.store.pg;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.sql.Connection;
import java.sql.DriverManager;
import java.sql.PreparedStatement;
import java.sql.ResultSet;
import java.sql.SQLException;
import java.sql.Statement;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Properties;

import nl.kovendi.Verdict;
import nl.kovendi.objects.MessageOut;
import nl.kovendi.objects.ORName;
import nl.kovendi.objects.ORNameAlias;
import nl.kovendi.objects.ORNameDistList;
import nl.kovendi.objects.ORNameForm11;
import nl.kovendi.objects.Recipient;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.Faults;
import nl.kovendi.store.api.Fetched;
import nl.kovendi.store.api.Filter;
import nl.kovendi.store.api.Limits;
import nl.kovendi.store.api.ListIds;
import nl.kovendi.store.api.LocalClock;
import nl.kovendi.store.api.MailSession;
import nl.kovendi.store.api.MessageChecks;
import nl.kovendi.store.api.OpenFault;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.ReceivedFiles;
import nl.kovendi.store.api.StoreException;

/**
 * A mailbox session on a PostgreSQL service (objects in {@link PgSchema}): one connection as the
 * mailbox's own role, each operation one call of a service function (one transaction) or a read
 * of the mailbox's own rows, run through {@link PgCalls} so that a stop cancels it. Passwords are
 * compared without regard to letter case, as in the embedded store: the service keeps the
 * verifier of the password in capitals. The connection is secured as {@link PgTls} says. What the
 * service returns is read as untrusted: a missing (NULL) value reads as empty.
 */
public final class PgSession implements MailSession {
    /**
     * The JDBC driver's own log would go to the program's standard error; the client's log
     * gets the reason of every failure instead.
     */
    private static final java.util.logging.Logger DRIVER_LOG =
            java.util.logging.Logger.getLogger("org.postgresql");

    static {
        DRIVER_LOG.setLevel(java.util.logging.Level.OFF);
    }

    /** Mailbox items read per round trip while listing. */
    private static final int BATCH = 200;
    private static final long LIST_ID_LIMIT = 10_000_000_000L;

    private final Connection conn;
    private final PgCalls calls;
    private final PgAddress address;
    private final String role;
    private String user;
    private long id;
    private String freeFormName;
    private int capacity;
    private short sessionId;
    // The service's clock minus this machine's, in milliseconds, measured at log-in: the times a
    // client gives are by its own clock, the service records its own.
    private long clockOffsetMillis;
    private boolean faults;

    private PgSession(Connection conn, PgCalls calls, PgAddress address, String role) {
        this.conn = conn;
        this.calls = calls;
        this.address = address;
        this.role = role;
    }

    /** The role of a mailbox user. */
    static String roleName(String user) {
        return PgSchema.ROLE_PREFIX + user.trim().toLowerCase(Locale.ROOT);
    }

    /** The password as the service keeps it. */
    static String servicePassword(String password) {
        return password.toUpperCase(Locale.ROOT);
    }

    /**
     * Logs in to the service that {@code server} ("HOST" or "HOST/DATABASE") and {@code port}
     * name; the service's rule for API_open applies after the log-in.
     */
    public static PgSession open(String server, int port, String user, String password, PgTls tls,
            OpenFault fault) throws StoreException {
        PgSession s = connect(PgAddress.parse(server, port), user, password, tls);
        try {
            Faults.Rule rule = s.takeFault("API_open");
            if (rule != null) {
                fault.apply(rule);
            }
            return s;
        } catch (StoreException | RuntimeException e) {
            s.close();
            throw e;
        }
    }

    static PgSession connect(PgAddress address, String user, String password, PgTls tls)
            throws StoreException {
        if (user == null || password == null || password.isEmpty()
                || !user.trim().matches("[A-Za-z0-9_.-]{1," + Limits.USER_WIDTH + "}")) {
            throw new StoreException(Verdict.LOGIN_REFUSED, "log-in refused for user \"" + user
                    + "\"");
        }
        Properties p = new Properties();
        p.setProperty("user", roleName(user));
        p.setProperty("authenticationPluginClassName", PgPasswordGuard.class.getName());
        p.setProperty("ApplicationName", "kovendi");
        p.setProperty("connectTimeout", "15");
        p.setProperty("loginTimeout", "30");
        // a server that stops answering ends the call with verdict 3 instead of hanging the run
        p.setProperty("socketTimeout", "300");
        p.setProperty("tcpKeepAlive", "true");
        tls.apply(p, address.host);
        boolean verified = tls.verifies(address.host);
        PgCalls calls = new PgCalls();
        Connection c;
        try {
            c = calls.connect(() -> logIn(address, p, servicePassword(password), verified));
        } catch (StoreException | RuntimeException e) {
            calls.close();
            throw e;
        }
        PgSession s = new PgSession(c, calls, address, roleName(user));
        try {
            s.start();
        } catch (StoreException | RuntimeException e) {
            s.close();
            throw e;
        }
        return s;
    }

    /** The connection itself, on the session's thread; a server not verified is refused. */
    private static Connection logIn(PgAddress address, Properties p, String password,
            boolean verified) throws StoreException {
        try (PgLogin login = new PgLogin(password, verified, p)) {
            try {
                return DriverManager.getConnection(address.jdbcUrl(), p);
            } catch (SQLException e) {
                if (verified && PgErrors.isTlsRefusal(e, login.hostRefused)) {
                    throw new StoreException(Verdict.LOGIN_REFUSED, "the server " + address
                            + " could not be verified: " + e.getMessage(), e);
                }
                throw PgErrors.of(e, "cannot log in to " + address);
            }
        }
    }

    private void start() throws StoreException {
        calls.run("cannot open the mailbox", true, () -> {
            try (Statement st = calls.track(conn.createStatement());
                    ResultSet rs = st.executeQuery("SELECT * FROM kovendi.open_session()")) {
                rs.next();
                user = nz(rs.getString(1));
                id = rs.getLong(2);
                freeFormName = nz(rs.getString(3));
                capacity = rs.getInt(4);
                sessionId = (short) rs.getInt(7);
                faults = rs.getBoolean(8);
            }
            long before = System.currentTimeMillis();
            try (Statement st = conn.createStatement();
                    ResultSet rs = st.executeQuery(
                            "SELECT (extract(epoch FROM clock_timestamp()) * 1000)::bigint")) {
                rs.next();
                long after = System.currentTimeMillis();
                clockOffsetMillis = rs.getLong(1) - (before + after) / 2;
            }
            return null;
        });
    }

    /** The measurement of the clock offset is good to the round trip; a second covers it. */
    private static final long CLOCK_MARGIN_MILLIS = 1000;

    @Override
    public boolean acceptedSince(String ipMsgId, long sinceMillis) throws StoreException {
        long since = sinceMillis + clockOffsetMillis - CLOCK_MARGIN_MILLIS;
        return PgErrors.call("cannot ask for the submission of " + ipMsgId, () -> {
            try (PreparedStatement st = conn.prepareStatement(
                    "SELECT kovendi.accepted_since(?, to_timestamp(? / 1000.0))")) {
                st.setString(1, ipMsgId == null ? "" : ipMsgId);
                st.setLong(2, since);
                try (ResultSet rs = st.executeQuery()) {
                    return rs.next() && rs.getBoolean(1);
                }
            }
        });
    }

    @Override
    public String user() {
        return user;
    }

    @Override
    public long id() {
        return id;
    }

    @Override
    public String freeFormName() {
        return freeFormName;
    }

    @Override
    public int capacity() {
        return Math.max(1, Math.min(capacity, Short.MAX_VALUE));
    }

    @Override
    public int[] counts() throws StoreException {
        return calls.run("cannot count the mailbox", true, () -> {
            try (Statement st = calls.track(conn.createStatement());
                    ResultSet rs = st.executeQuery("SELECT count(*), count(*) FILTER (WHERE"
                            + " props->>'access' <> 'READ') FROM kovendi.entry"
                            + " WHERE owner = current_user")) {
                rs.next();
                return new int[] {rs.getInt(1), rs.getInt(2)};
            }
        });
    }

    @Override
    public short nextSessionId() {
        return sessionId;
    }

    @Override
    public Faults.Rule takeFault(String operation) throws StoreException {
        if (!faults) {
            return null;
        }
        return calls.run("cannot read the fault rules", true,
                () -> firstRow("SELECT * FROM kovendi.take_fault(?)", operation,
                        rs -> new Faults.Rule(operation, rs.getLong(1), rs.getInt(2),
                                rs.getInt(3))));
    }

    @Override
    public void submit(MessageOut msg, Path workingDir) throws StoreException {
        MessageChecks.checkHeader(msg);
        List<Path> files = MessageChecks.bodyFiles(msg, workingDir);
        byte[][] parts = new byte[files.size()][];
        for (int k = 0; k < files.size(); k++) {
            try {
                parts[k] = Files.readAllBytes(files.get(k));
            } catch (IOException e) {
                throw new StoreException(Verdict.BODY_PART_UNREADABLE, "body part " + (k + 1)
                        + " (" + files.get(k) + ") unreadable: " + e.getMessage(), e);
            }
        }
        int n = msg.getRecipientList().size();
        Integer[] kind = new Integer[n];
        Integer[] form = new Integer[n];
        String[] name = new String[n];
        String[] ffn = new String[n];
        List<String> keys = OrAddress.keys();
        String[] addr = new String[n * keys.size()];
        for (int i = 0; i < n; i++) {
            Recipient r = msg.getRecipientList().getRecipient(i);
            ORName o = r == null ? null : r.getORName();
            kind[i] = r == null ? 1 : (int) r.getType();
            name[i] = "";
            ffn[i] = o == null || o.getFreeFormName() == null ? "" : o.getFreeFormName();
            for (int j = 0; j < keys.size(); j++) {
                addr[i * keys.size() + j] = "";
            }
            if (o instanceof ORNameForm11) {
                OrAddress given;
                try {
                    given = OrAddress.fromForm11((ORNameForm11) o);
                } catch (IllegalArgumentException e) {
                    throw new StoreException(Verdict.MESSAGE_INVALID, "recipient " + (i + 1)
                            + ": " + e.getMessage());
                }
                form[i] = 1;
                for (int j = 0; j < keys.size(); j++) {
                    addr[i * keys.size() + j] = given.get(keys.get(j));
                }
            } else if (o instanceof ORNameAlias) {
                form[i] = 5;
                name[i] = nz(((ORNameAlias) o).getAlias());
            } else if (o instanceof ORNameDistList) {
                form[i] = 6;
                name[i] = nz(((ORNameDistList) o).getDistList());
            } else {
                throw new StoreException(Verdict.MESSAGE_INVALID, "recipient " + (i + 1)
                        + " has no O/R name of a supported type");
            }
        }
        String[] head = {
            "ipMsgId", nz(msg.getIpMsgId()), "inReplyTo", nz(msg.getInReplyTo()),
            "subject", nz(msg.getSubject()), "priority", Integer.toString(msg.getPriority()),
            "sensitivity", Integer.toString(msg.getSensitivity()),
            "expiryDate", nz(msg.getExpireDate()), "defDeliveryDate", nz(msg.getDefDeliveryDate()),
            "notifReq", Integer.toString(msg.getNotifReq()),
            "reportReq", Integer.toString(msg.getReportReq()),
            "replyReq", Integer.toString(msg.getReplyReq()), "orig.ffn", nz(msg.getFreeFormName())};
        long submission = calls.run("submission failed", true, () -> {
            try (PreparedStatement st = prepare("SELECT kovendi.submit(?, ?, ?, ?, ?, ?, ?)")) {
                st.setArray(1, conn.createArrayOf("text", head));
                st.setArray(2, conn.createArrayOf("int4", kind));
                st.setArray(3, conn.createArrayOf("int4", form));
                st.setArray(4, conn.createArrayOf("text", name));
                st.setArray(5, conn.createArrayOf("text", ffn));
                st.setArray(6, conn.createArrayOf("text", addr));
                st.setArray(7, conn.createArrayOf("bytea", parts));
                return single(st).getLong(1);
            }
        });
        // The submission is committed: its outcome is taken even when the user stops now.
        int reached = calls.run("cannot learn the outcome of the submission", false, () -> {
            try (PreparedStatement st = prepare("SELECT kovendi.submission_result(?)")) {
                st.setLong(1, submission);
                return single(st).getInt(1);
            }
        });
        if (reached == 0) {
            throw new StoreException(Verdict.NO_RECIPIENT,
                    "none of the recipients could be reached");
        }
    }

    /** The one row of a statement's result. */
    private static ResultSet single(PreparedStatement st) throws SQLException {
        ResultSet rs = st.executeQuery();
        if (!rs.next()) {
            throw new SQLException("no result row", "XX000");
        }
        return rs;
    }

    /** Reads one row of a result. */
    @FunctionalInterface
    private interface RowReader<T> {
        T read(ResultSet rs) throws SQLException;
    }

    /** Runs a query with one text argument: its first row as {@code read} makes it, or null. */
    private <T> T firstRow(String sql, String argument, RowReader<T> read) throws SQLException {
        try (PreparedStatement st = prepare(sql)) {
            st.setString(1, argument);
            try (ResultSet rs = st.executeQuery()) {
                return rs.next() ? read.read(rs) : null;
            }
        }
    }

    private PreparedStatement prepare(String sql) throws SQLException {
        return calls.track(conn.prepareStatement(sql));
    }

    private static String nz(String s) {
        return s == null ? "" : s;
    }

    @Override
    public List<Entry> list(String filter, String previous, int max) throws StoreException {
        Filter f = Filter.parse(filter, listId -> {
            Entry named = ListIds.isListId(listId) ? readEntry(Long.parseLong(listId)) : null;
            return named == null ? null : named.originatorAddress();
        });
        String prev = previous == null ? "" : previous.trim();
        if (prev.length() > ListIds.LIST_ID_WIDTH) {
            throw new StoreException(Verdict.LIST_ID_INVALID, "list identifier \"" + prev
                    + "\" longer than " + ListIds.LIST_ID_WIDTH + " characters");
        }
        List<Entry> out = new ArrayList<>();
        long from = firstIdAfter(prev);
        while (out.size() < max && from < LIST_ID_LIMIT) {
            List<Entry> batch = readEntries(from, BATCH);
            for (Entry e : batch) {
                if (out.size() < max && f.matches(e)) {
                    out.add(e);
                }
            }
            if (batch.size() < BATCH) {
                break;
            }
            from = Long.parseLong(batch.get(batch.size() - 1).listId()) + 1;
        }
        return out;
    }

    /** The smallest item number whose list identifier sorts after {@code prev}. */
    static long firstIdAfter(String prev) {
        long lo = 0;
        long hi = LIST_ID_LIMIT;
        while (lo < hi) {
            long mid = (lo + hi) >>> 1;
            if (ListIds.listIdOf(mid).compareTo(prev) > 0) {
                hi = mid;
            } else {
                lo = mid + 1;
            }
        }
        return lo;
    }

    private List<Entry> readEntries(long from, int limit) throws StoreException {
        return calls.run("cannot read the mailbox", true, () -> {
            try (PreparedStatement st = prepare("SELECT e.list_id, p.key, p.value"
                    + " FROM (SELECT list_id, props FROM kovendi.entry WHERE owner = current_user"
                    + " AND list_id >= ? ORDER BY list_id LIMIT ?) e"
                    + " CROSS JOIN LATERAL jsonb_each_text(e.props) p ORDER BY e.list_id")) {
                st.setLong(1, from);
                st.setInt(2, limit);
                return entries(st);
            }
        });
    }

    private static List<Entry> entries(PreparedStatement st) throws SQLException {
        List<Entry> out = new ArrayList<>();
        long current = -1;
        Properties p = null;
        try (ResultSet rs = st.executeQuery()) {
            while (rs.next()) {
                if (p == null || rs.getLong(1) != current) {
                    current = rs.getLong(1);
                    p = new Properties();
                    out.add(new Entry(p));
                }
                p.setProperty(nz(rs.getString(2)), nz(rs.getString(3)));
            }
        }
        return out;
    }

    private Entry readEntry(long n) throws StoreException {
        return calls.run("cannot read the mailbox", true, () -> {
            try (PreparedStatement st = prepare("SELECT e.list_id, p.key, p.value"
                    + " FROM kovendi.entry e CROSS JOIN LATERAL jsonb_each_text(e.props) p"
                    + " WHERE e.owner = current_user AND e.list_id = ?")) {
                st.setLong(1, n);
                List<Entry> found = entries(st);
                return found.isEmpty() ? null : found.get(0);
            }
        });
    }

    private Map<Integer, byte[]> readParts(long n) throws StoreException {
        return calls.run("cannot read the body parts", true, () -> {
            Map<Integer, byte[]> parts = new HashMap<>();
            try (PreparedStatement st = prepare("SELECT k, data FROM kovendi.part"
                    + " WHERE owner = current_user AND list_id = ?")) {
                st.setLong(1, n);
                try (ResultSet rs = st.executeQuery()) {
                    while (rs.next()) {
                        parts.put(rs.getInt(1), rs.getBytes(2));
                    }
                }
            }
            return parts;
        });
    }

    private static long number(String listId) throws StoreException {
        String id = ListIds.checkListId(listId);
        if (!ListIds.isListId(id)) {
            throw new StoreException(Verdict.MESSAGE_NOT_FOUND, "no message with list identifier "
                    + listId);
        }
        return Long.parseLong(id);
    }

    @Override
    public Fetched fetch(String listId, String receiveDir, Path workingDir)
            throws StoreException {
        long n = number(listId);
        Entry e = readEntry(n);
        if (e == null) {
            throw new StoreException(Verdict.MESSAGE_NOT_FOUND, "no message with list identifier "
                    + listId);
        }
        String dir = receiveDir == null ? "" : receiveDir;
        List<String> names = new ArrayList<>();
        if (e.type() == Entry.MESSAGE) {
            Map<Integer, byte[]> parts = readParts(n);
            names = ReceivedFiles.receiveFiles(e, dir, workingDir, (k, target) -> {
                byte[] data = parts.get(k);
                if (data == null) {
                    return false;
                }
                AtomicFiles.write(target, data);
                return true;
            });
        }
        if (!e.isRead()) {
            try {
                calls.run("cannot mark the item read", true, () -> {
                    try (PreparedStatement st = prepare("SELECT kovendi.mark_read(?)")) {
                        st.setLong(1, n);
                        st.executeQuery().close();
                    }
                    return null;
                });
            } catch (StoreException ex) {
                ReceivedFiles.removeAll(names, dir, workingDir);
                throw ex;
            }
            e.markRead(LocalClock.now());
        }
        return new Fetched(e, names);
    }

    @Override
    public void delete(String listId) throws StoreException {
        long n = number(listId);
        calls.run("cannot delete " + listId, true, () -> {
            try (PreparedStatement st = prepare("SELECT kovendi.delete_entry(?)")) {
                st.setLong(1, n);
                st.executeQuery().close();
            }
            return null;
        });
    }

    @Override
    public ORNameForm11 resolveAlias(String alias) throws StoreException {
        return calls.run("cannot resolve the alias", true, () -> {
            return firstRow("SELECT * FROM kovendi.resolve_alias(?)", alias, rs -> {
                OrAddress a = new OrAddress();
                java.sql.Array fields = rs.getArray(3);
                String[] pairs = fields == null ? new String[0] : (String[]) fields.getArray();
                for (String kv : pairs) {
                    int eq = kv == null ? -1 : kv.indexOf('=');
                    if (eq > 0 && OrAddress.isKey(kv.substring(0, eq))) {
                        a.set(kv.substring(0, eq), kv.substring(eq + 1));
                    }
                }
                return a.toForm11(nz(rs.getString(2)));
            });
        });
    }

    @Override
    public void changePassword(String newPassword) throws StoreException {
        ServicePassword.check(newPassword);
        String verifier = ServicePassword.verifier(newPassword);
        calls.run("cannot change the password", true, () -> {
            try (Statement st = calls.track(conn.createStatement())) {
                st.execute("ALTER ROLE \"" + role + "\" PASSWORD '" + verifier + "'");
            }
            return null;
        });
    }

    @Override
    public String describe() {
        return address + " as " + role;
    }

    @Override
    public void close() {
        try {
            conn.close();
        } catch (SQLException e) {
            // the connection is gone either way
        } finally {
            calls.close();
        }
    }
}
