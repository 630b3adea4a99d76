package nl.kovendi.store.pg;

import java.nio.file.Files;
import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.Locale;
import java.util.Properties;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.StoreException;

/**
 * Transport security towards a PostgreSQL service. A connection to any server that is not on the
 * loopback interface uses TLS with the server's certificate and host name verified against a
 * root certificate (the JDBC driver's "verify-full"); with the mode "on" a loopback connection
 * does too, with "auto" (the default) it goes without TLS. The root certificate is the one the
 * user file names, else the one the environment variable PGSSLROOTCERT names, else the
 * PostgreSQL client's usual {@code ~/.postgresql/root.crt}; a relative name is taken against the
 * working directory. Whatever the connection, a password leaves only as {@link PgPasswordGuard}
 * allows.
 */
public record PgTls(boolean always, Path rootCertificate) {
    public static final String AUTO = "AUTO";
    public static final String ON = "ON";
    static final String ROOT_CERT_VARIABLE = "PGSSLROOTCERT";

    /**
     * The settings of a session: {@code mode} "auto", "on" or empty (auto), {@code rootCertificate}
     * a file or empty; LOGIN_REFUSED for a mode that is neither.
     */
    public static PgTls of(String mode, String rootCertificate, Path workingDir)
            throws StoreException {
        String m = mode == null ? "" : mode.trim().toUpperCase(Locale.ROOT);
        if (!m.isEmpty() && !m.equals(AUTO) && !m.equals(ON)) {
            throw new StoreException(Verdict.LOGIN_REFUSED, "TLS mode \"" + mode
                    + "\" is neither " + AUTO + " nor " + ON);
        }
        String name = rootCertificate == null ? "" : rootCertificate.trim();
        if (name.isEmpty()) {
            String env = System.getenv(ROOT_CERT_VARIABLE);
            name = env == null ? "" : env.trim();
        }
        Path root;
        try {
            root = name.isEmpty()
                    ? Paths.get(System.getProperty("user.home", "/"), ".postgresql", "root.crt")
                    : workingDir.resolve(name.replace('\\', '/'));
        } catch (InvalidPathException e) {
            throw new StoreException(Verdict.LOGIN_REFUSED, "root certificate name \"" + name
                    + "\" is not a path");
        }
        return new PgTls(m.equals(ON), root);
    }

    /** Whether the host is the loopback interface, written as such (a name is not resolved). */
    static boolean isLoopback(String host) {
        String h = host.toLowerCase(Locale.ROOT);
        return h.equals("localhost") || h.equals("[::1]") || h.equals("::1")
                || h.matches("127(\\.\\d{1,3}){3}");
    }

    /** Whether a connection to {@code host} is made with TLS and a verified server. */
    boolean verifies(String host) {
        return always || !isLoopback(host);
    }

    /** Sets the driver's properties for a connection to {@code host}. */
    void apply(Properties p, String host) throws StoreException {
        if (!verifies(host)) {
            p.setProperty("sslmode", "disable");
            return;
        }
        if (!Files.isReadable(rootCertificate)) {
            throw new StoreException(Verdict.LOGIN_REFUSED, "no readable root certificate "
                    + rootCertificate + " to verify the server " + host + " with");
        }
        p.setProperty("ssl", "true");
        p.setProperty("sslmode", "verify-full");
        p.setProperty("sslrootcert", rootCertificate.toString());
        p.setProperty("sslhostnameverifier", PgHostCheck.class.getName());
    }

    @Override
    public String toString() {
        return (always ? ON : AUTO) + " " + rootCertificate;
    }
}
