package nl.kovendi.store.pg;

import java.sql.SQLException;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.StoreException;

/** The verdict of a failure reported by a PostgreSQL service or its driver. */
final class PgErrors {
    private PgErrors() {
    }

    /** Work that talks to the database. */
    interface Action<T> {
        T run() throws SQLException, StoreException;
    }

    /** Runs {@code action}; a database failure becomes a StoreException with its verdict. */
    static <T> T call(String what, Action<T> action) throws StoreException {
        try {
            return action.run();
        } catch (SQLException e) {
            throw of(e, what);
        }
    }

    static StoreException of(SQLException e, String what) {
        String state = e.getSQLState() == null ? "" : e.getSQLState();
        String text = firstLine(e.getMessage());
        return new StoreException(verdict(state), what + ": " + text
                + (state.isEmpty() ? "" : " [" + state + "]"), e);
    }

    static short verdict(String state) {
        if (state.matches("KV\\d{3}")) {
            return Short.parseShort(state.substring(2));
        }
        if (state.startsWith("28")) {
            return Verdict.LOGIN_REFUSED;               // wrong password or unknown role
        }
        if (state.equals("53300") || state.equals("55P03") || state.equals("40001")
                || state.equals("40P01") || state.equals("57014")) {
            return Verdict.STORE_BUSY;                  // too many connections, lock, conflict
        }
        if (state.equals("22021") || state.equals("54000")) {
            return Verdict.MESSAGE_INVALID;             // text the database cannot hold
        }
        if (state.isEmpty() || state.startsWith("08") || state.startsWith("57P")
                || state.startsWith("3D") || state.startsWith("3F") || state.startsWith("42")
                || state.startsWith("XX") || state.startsWith("58")) {
            return Verdict.CONNECTION_LOST;             // unreachable, shut down, not set up
        }
        return Verdict.STORE_WRITE_FAILED;
    }

    /**
     * Whether a failed connection that had to verify its server failed on that: a host name the
     * certificate does not name, a certificate the root does not vouch for, or a server without
     * TLS.
     */
    static boolean isTlsRefusal(SQLException e, boolean hostRefused) {
        if (hostRefused || "08004".equals(e.getSQLState())) {
            return true;
        }
        for (Throwable t = e; t != null; t = t.getCause()) {
            if (t instanceof javax.net.ssl.SSLException
                    || t instanceof java.security.GeneralSecurityException) {
                return true;
            }
        }
        return false;
    }

    private static String firstLine(String s) {
        if (s == null) {
            return "";
        }
        int nl = s.indexOf('\n');
        return nl < 0 ? s : s.substring(0, nl);
    }
}
