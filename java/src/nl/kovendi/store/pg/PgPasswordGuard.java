package nl.kovendi.store.pg;

import java.util.Properties;

import org.postgresql.plugin.AuthenticationPlugin;
import org.postgresql.plugin.AuthenticationRequestType;
import org.postgresql.util.PSQLException;
import org.postgresql.util.PSQLState;

/**
 * Hands the JDBC driver the mailbox password for the kind of request the server makes: always
 * for SCRAM (which proves the password without revealing it), but for a password in clear text
 * or as MD5 only to a server whose certificate and host name were verified.
 */
public final class PgPasswordGuard implements AuthenticationPlugin {
    private final PgLogin login;

    /** Made by the driver with the connection's properties. */
    public PgPasswordGuard(Properties info) {
        login = PgLogin.of(info);
    }

    @Override
    public char[] getPassword(AuthenticationRequestType type) throws PSQLException {
        if (login == null) {
            throw new PSQLException("no log-in in progress",
                    PSQLState.INVALID_AUTHORIZATION_SPECIFICATION);
        }
        if (type == AuthenticationRequestType.SASL || login.verified) {
            return login.password();
        }
        throw new PSQLException("the server asked for the password "
                + (type == AuthenticationRequestType.MD5_PASSWORD ? "as MD5" : "in clear text")
                + " without having been verified; it is not sent",
                PSQLState.INVALID_AUTHORIZATION_SPECIFICATION);
    }
}
