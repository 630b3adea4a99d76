package nl.kovendi.store.api;

import java.nio.charset.StandardCharsets;
import java.security.MessageDigest;
import java.util.Base64;

/**
 * The stored credentials of a mailbox as they travel between the two stores in a dump. The
 * embedded store keeps "pbkdf2-sha256$ROUNDS$SALT$KEY" ({@link PasswordHash}), a PostgreSQL service
 * keeps a SCRAM-SHA-256 verifier "SCRAM-SHA-256$ROUNDS:SALT$STOREDKEY:SERVERKEY". Both derive
 * their key with PBKDF2-HMAC-SHA256 from the password in capitals, so an embedded hash converts
 * exactly into a verifier, and the embedded store verifies a verifier it received (and replaces it
 * by a hash of its own at the next successful log-in). The password itself is never needed.
 */
public final class Credentials {
    static final String SCRAM_PREFIX = "SCRAM-SHA-256$";
    private static final String PBKDF2_PREFIX = "pbkdf2-sha256$";
    /** A credential that matches no password: the mailbox cannot log in until set-password. */
    public static final String NONE = "-";

    private Credentials() {
    }

    /** True when {@code stored} is a credential that either store can use. */
    public static boolean isUsable(String stored) {
        return stored != null && (stored.startsWith(SCRAM_PREFIX) && parseScram(stored) != null
                || stored.startsWith(PBKDF2_PREFIX) && PasswordHash.rounds(stored) > 0);
    }

    /** The SCRAM verifier of a stored credential of either form; null when it has none. */
    public static String toScram(String stored) {
        if (stored == null) {
            return null;
        }
        if (stored.startsWith(SCRAM_PREFIX)) {
            return parseScram(stored) == null ? null : stored;
        }
        String[] p = stored.split("\\$");
        if (p.length != 4 || !p[0].equals("pbkdf2-sha256")) {
            return null;
        }
        try {
            int rounds = Integer.parseInt(p[1]);
            byte[] salted = Base64.getDecoder().decode(p[3]);
            return ScramVerifier.of(rounds, Base64.getDecoder().decode(p[2]), salted);
        } catch (IllegalArgumentException e) {
            return null;
        }
    }

    /** Whether {@code password} (any letter case) is the one of a SCRAM verifier. */
    static boolean verifyScram(String password, String verifier) {
        Object[] v = parseScram(verifier);
        if (v == null || password == null) {
            return false;
        }
        int rounds = (Integer) v[0];
        byte[] salt = (byte[]) v[1];
        String expected = ScramVerifier.of(rounds, salt, PasswordHash.derive(password, salt, rounds));
        return MessageDigest.isEqual(expected.getBytes(StandardCharsets.US_ASCII),
                verifier.getBytes(StandardCharsets.US_ASCII));
    }

    /** {rounds, salt} of a well-formed verifier, else null. */
    private static Object[] parseScram(String verifier) {
        if (verifier == null || !verifier.startsWith(SCRAM_PREFIX)) {
            return null;
        }
        String[] p = verifier.substring(SCRAM_PREFIX.length()).split("[$:]");
        if (p.length != 4) {
            return null;
        }
        try {
            int rounds = Integer.parseInt(p[0]);
            Base64.getDecoder().decode(p[2]);
            Base64.getDecoder().decode(p[3]);
            return rounds > 0 ? new Object[] {rounds, Base64.getDecoder().decode(p[1])} : null;
        } catch (IllegalArgumentException e) {
            return null;
        }
    }
}
