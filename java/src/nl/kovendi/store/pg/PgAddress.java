package nl.kovendi.store.pg;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.StoreException;

/** Host, port and database of a PostgreSQL service, from "HOST" or "HOST/DATABASE" and a port. */
final class PgAddress {
    /** The database when the server name gives none. */
    static final String DEFAULT_DATABASE = "kovendi";
    /** The port for port 0. */
    static final int DEFAULT_PORT = 5432;

    final String host;
    final int port;
    final String database;

    private PgAddress(String host, int port, String database) {
        this.host = host;
        this.port = port;
        this.database = database;
    }

    static PgAddress parse(String server, int port) throws StoreException {
        int slash = server.indexOf('/');
        String host = slash < 0 ? server : server.substring(0, slash);
        String db = slash < 0 ? DEFAULT_DATABASE : server.substring(slash + 1);
        if (!host.matches("[A-Za-z0-9][A-Za-z0-9.-]*|\\[[0-9A-Fa-f:.]+\\]")
                || !db.matches("[A-Za-z0-9_][A-Za-z0-9_.-]{0,62}")) {
            throw new StoreException(Verdict.CONNECTION_LOST, "server \"" + server
                    + "\" is neither file:DIRECTORY nor HOST or HOST/DATABASE");
        }
        int p = port & 0xFFFF;
        return new PgAddress(host, p == 0 ? DEFAULT_PORT : p, db);
    }

    String jdbcUrl() {
        return "jdbc:postgresql://" + host + ":" + port + "/" + database;
    }

    @Override
    public String toString() {
        return "postgresql://" + host + ":" + port + "/" + database;
    }
}
