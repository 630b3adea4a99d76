package nl.kovendi.store;

import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.util.Locale;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.MailSession;
import nl.kovendi.store.api.OpenFault;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.embedded.EmbeddedSession;
import nl.kovendi.store.pg.PgSession;
import nl.kovendi.store.pg.PgTls;

/**
 * Opens a mailbox session on the service that the server name of the open parameters names:
 * "file:DIRECTORY" is the embedded store in that directory (relative to the working directory;
 * the port is not used); "HOST" or "HOST/DATABASE" with a port is a PostgreSQL service (database
 * "kovendi" when none is named; port 0 stands for PostgreSQL's 5432).
 */
public final class Services {
    private static final String FILE_PREFIX = "file:";

    private Services() {
    }

    public static MailSession open(String server, int port, String user, String password,
            Path workingDir, OpenFault fault) throws StoreException {
        return open(server, port, user, password, workingDir, fault, "", "");
    }

    /**
     * As above, with the transport security of a PostgreSQL service: {@code tlsMode} "auto",
     * "on" or empty, {@code rootCertificate} a file or empty (see {@link PgTls#of}).
     */
    public static MailSession open(String server, int port, String user, String password,
            Path workingDir, OpenFault fault, String tlsMode, String rootCertificate)
            throws StoreException {
        PgTls tls = PgTls.of(tlsMode, rootCertificate, workingDir);
        String srv = server == null ? "" : server.trim();
        if (srv.toLowerCase(Locale.ROOT).startsWith(FILE_PREFIX)) {
            if (srv.length() == FILE_PREFIX.length()) {
                throw new StoreException(Verdict.CONNECTION_LOST, "server \"" + srv
                        + "\" names no store directory");
            }
            return EmbeddedSession.open(resolve(workingDir, srv.substring(FILE_PREFIX.length())),
                    user, password, fault);
        }
        return PgSession.open(srv, port, user, password, tls, fault);
    }

    private static Path resolve(Path base, String name) throws StoreException {
        try {
            return base.resolve(name.replace('\\', '/'));
        } catch (InvalidPathException e) {
            throw new StoreException(Verdict.CONNECTION_LOST, "invalid path \"" + name + "\"");
        }
    }
}
