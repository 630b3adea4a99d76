package nl.kovendi.store.api;

import java.nio.charset.StandardCharsets;
import java.security.MessageDigest;
import java.security.SecureRandom;
import java.util.Base64;
import java.util.Locale;

/**
 * Passwords are kept only as a salted PBKDF2 hash: "pbkdf2-sha256$ITERATIONS$SALT$HASH" (salt and
 * hash in Base64). Letter case is not significant: the program hands over passwords in upper case,
 * so the hash is made over the upper-cased password.
 *
 * <p>Every hash carries its own round count, so hashes made with fewer rounds (stores from before
 * the count was raised) still verify; {@link #isOutdated} tells the log-in to replace them.
 */
public final class PasswordHash {
    private static final String SCHEME = "pbkdf2-sha256";
    /** A log-in verifies one hash: about a tenth of a second of processor time in a run. */
    public static final int ITERATIONS = 100_000;

    /** Made at the first new hash only: a log-in that verifies needs no random source. */
    private static final class Salts {
        static final SecureRandom RANDOM = new SecureRandom();
    }

    private PasswordHash() {
    }

    public static String create(String password) {
        return create(password, ITERATIONS);
    }

    public static String create(String password, int iterations) {
        byte[] salt = new byte[16];
        Salts.RANDOM.nextBytes(salt);
        Base64.Encoder b64 = Base64.getEncoder();
        return SCHEME + "$" + iterations + "$" + b64.encodeToString(salt) + "$"
                + b64.encodeToString(derive(password, salt, iterations));
    }

    public static boolean verify(String password, String stored) {
        if (stored == null) {
            return false;
        }
        if (stored.startsWith(Credentials.SCRAM_PREFIX)) {
            return Credentials.verifyScram(password, stored);  // carried over from a service
        }
        String[] parts = stored.split("\\$");
        if (parts.length != 4 || !parts[0].equals(SCHEME)) {
            return false;
        }
        try {
            int iterations = Integer.parseInt(parts[1]);
            byte[] salt = Base64.getDecoder().decode(parts[2]);
            byte[] expected = Base64.getDecoder().decode(parts[3]);
            return MessageDigest.isEqual(expected, derive(password, salt, iterations));
        } catch (IllegalArgumentException e) {
            return false;
        }
    }

    /** True when {@code stored} was made with fewer rounds than new hashes get. */
    public static boolean isOutdated(String stored) {
        return rounds(stored) < ITERATIONS;
    }

    /** The round count of a stored hash; 0 when it is not one of ours. */
    public static int rounds(String stored) {
        String[] parts = stored == null ? new String[0] : stored.split("\\$");
        if (parts.length != 4 || !parts[0].equals(SCHEME)) {
            return 0;
        }
        try {
            return Integer.parseInt(parts[1]);
        } catch (NumberFormatException e) {
            return 0;
        }
    }

    public static byte[] derive(String password, byte[] salt, int iterations) {
        byte[] bytes = password.toUpperCase(Locale.ROOT).getBytes(StandardCharsets.UTF_8);
        return Pbkdf2Sha256.derive(bytes, salt, iterations);
    }
}
