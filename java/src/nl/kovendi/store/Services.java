package nl.kovendi.store;

import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.util.Locale;

import nl.kovendi.Verdict;

/**
 * Opens a mailbox session on the service that the server name of the open parameters names:
 * "file:DIRECTORY" is the embedded store in that directory (relative to the working directory;
 * the port is not used); "HOST" or "HOST/DATABASE" with a port is a PostgreSQL service (database
 * "kovendi" when none is named; port 0 stands for PostgreSQL's 5432).
 */
public final class Services {
    private static final String FILE_PREFIX = "file:";
    public static final String DEFAULT_DATABASE = "kovendi";
    public static final int DEFAULT_PORT = 5432;

    /** Applies the fault-injection rule of API_open at the point where the service takes it. */
    public interface OpenFault {
        void apply(Faults.Rule rule) throws StoreException;
    }

    private Services() {
    }

    public static MailSession open(String server, int port, String user, String password,
            Path workingDir, OpenFault fault) throws StoreException {
        return open(server, port, user, password, workingDir, fault,
                PgTls.of("", "", workingDir));
    }

    /** As above, with the transport security of a PostgreSQL service. */
    public static MailSession open(String server, int port, String user, String password,
            Path workingDir, OpenFault fault, PgTls tls) throws StoreException {
        String srv = server == null ? "" : server.trim();
        if (srv.toLowerCase(Locale.ROOT).startsWith(FILE_PREFIX)) {
            if (srv.length() == FILE_PREFIX.length()) {
                throw new StoreException(Verdict.CONNECTION_LOST, "server \"" + srv
                        + "\" names no store directory");
            }
            Store store = Store.open(resolve(workingDir, srv.substring(FILE_PREFIX.length())));
            Faults.Rule rule = Faults.take(store, "API_open");
            if (rule != null) {
                fault.apply(rule);
            }
            return new EmbeddedSession(MailService.login(store, user, password));
        }
        PgSession s = PgSession.connect(PgAddress.parse(srv, port), user, password, tls);
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

    private static Path resolve(Path base, String name) throws StoreException {
        try {
            return base.resolve(name.replace('\\', '/'));
        } catch (InvalidPathException e) {
            throw new StoreException(Verdict.CONNECTION_LOST, "invalid path \"" + name + "\"");
        }
    }
}
