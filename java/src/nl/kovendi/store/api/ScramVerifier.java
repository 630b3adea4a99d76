package nl.kovendi.store.api;

import java.nio.charset.StandardCharsets;
import java.security.GeneralSecurityException;
import java.security.MessageDigest;
import java.security.SecureRandom;
import java.util.Base64;

import javax.crypto.Mac;
import javax.crypto.SecretKeyFactory;
import javax.crypto.spec.PBEKeySpec;
import javax.crypto.spec.SecretKeySpec;

/**
 * The SCRAM-SHA-256 verifier of a password in the form PostgreSQL keeps it, computed here so that
 * only the verifier, never the password, travels to the server and may reach its log.
 */
public final class ScramVerifier {
    private static final int ITERATIONS = 32768;
    private static final SecureRandom RANDOM = new SecureRandom();

    private ScramVerifier() {
    }

    public static String of(String password) {
        byte[] salt = new byte[16];
        RANDOM.nextBytes(salt);
        return of(ITERATIONS, salt, runtimePbkdf2(password, salt, ITERATIONS));
    }

    /** PBKDF2-HMAC-SHA256 of the Java runtime, 32 bytes. */
    public static byte[] runtimePbkdf2(String password, byte[] salt, int rounds) {
        PBEKeySpec keySpec = new PBEKeySpec(password.toCharArray(), salt, rounds, 256);
        try {
            return SecretKeyFactory.getInstance("PBKDF2WithHmacSHA256").generateSecret(keySpec)
                    .getEncoded();
        } catch (GeneralSecurityException e) {
            throw new IllegalStateException("PBKDF2WithHmacSHA256 not available: " + e, e);
        } finally {
            keySpec.clearPassword();
        }
    }

    /** The verifier of a password whose PBKDF2-HMAC-SHA256 key with that salt is {@code salted}. */
    public static String of(int rounds, byte[] salt, byte[] salted) {
        try {
            byte[] storedKey = MessageDigest.getInstance("SHA-256")
                    .digest(hmac(salted, "Client Key"));
            byte[] serverKey = hmac(salted, "Server Key");
            Base64.Encoder b64 = Base64.getEncoder();
            return "SCRAM-SHA-256$" + rounds + ":" + b64.encodeToString(salt) + "$"
                    + b64.encodeToString(storedKey) + ":" + b64.encodeToString(serverKey);
        } catch (GeneralSecurityException e) {
            throw new IllegalStateException("SCRAM-SHA-256 not available: " + e, e);
        }
    }

    private static byte[] hmac(byte[] key, String text) throws GeneralSecurityException {
        Mac mac = Mac.getInstance("HmacSHA256");
        mac.init(new SecretKeySpec(key, "HmacSHA256"));
        return mac.doFinal(text.getBytes(StandardCharsets.US_ASCII));
    }
}
