package nl.kovendi.store.pg;

import java.util.Properties;

import javax.net.ssl.HostnameVerifier;
import javax.net.ssl.SSLSession;

import org.postgresql.ssl.PGjdbcHostnameVerifier;

/**
 * The JDBC driver's check of the server's host name against its certificate, which also notes a
 * refusal on the log-in in progress, so that the log-in can report it as such.
 */
public final class PgHostCheck implements HostnameVerifier {
    private final PgLogin login;

    /** Made by the driver with the connection's properties. */
    public PgHostCheck(Properties info) {
        login = PgLogin.of(info);
    }

    @Override
    public boolean verify(String host, SSLSession session) {
        boolean ok = PGjdbcHostnameVerifier.INSTANCE.verify(host, session);
        if (!ok && login != null) {
            login.hostRefused = true;
        }
        return ok;
    }
}
