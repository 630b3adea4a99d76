package nl.kovendi.store.pg;

import java.util.Arrays;
import java.util.Map;
import java.util.Properties;
import java.util.UUID;
import java.util.concurrent.ConcurrentHashMap;

/**
 * One log-in in progress, as the JDBC driver's hooks ({@link PgPasswordGuard},
 * {@link PgHostCheck}) see it: the password, whether the server is verified, and whether its host
 * name was refused. The driver may connect on a thread of its own, so a log-in is found through
 * the connection properties it hands to the hooks.
 */
final class PgLogin implements AutoCloseable {
    static final String PROPERTY = "kovendi.login";
    private static final Map<String, PgLogin> ACTIVE = new ConcurrentHashMap<>();

    private final String key = UUID.randomUUID().toString();
    private final char[] password;
    final boolean verified;
    volatile boolean hostRefused;

    /** Starts a log-in and names it in the connection properties {@code p}. */
    PgLogin(String password, boolean verified, Properties p) {
        this.password = password.toCharArray();
        this.verified = verified;
        p.setProperty(PROPERTY, key);
        ACTIVE.put(key, this);
    }

    /** The log-in that the connection properties name, or null. */
    static PgLogin of(Properties p) {
        String key = p == null ? null : p.getProperty(PROPERTY);
        return key == null ? null : ACTIVE.get(key);
    }

    char[] password() {
        return password.clone();
    }

    @Override
    public void close() {
        ACTIVE.remove(key);
        Arrays.fill(password, '\0');
    }
}
