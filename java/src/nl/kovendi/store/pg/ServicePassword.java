package nl.kovendi.store.pg;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.Limits;
import nl.kovendi.store.api.ScramVerifier;
import nl.kovendi.store.api.StoreException;

/**
 * Passwords of the PostgreSQL service. The program sends a mailbox password in capitals and with
 * at most 15 characters (the user file's rule), so the service keeps the SCRAM verifier of the
 * password in capitals and compares without regard to letter case; a new password must have at
 * least {@link #MIN_LENGTH} characters with at least one letter and one other character, so that
 * it cannot be guessed from a verifier in reasonable time.
 */
final class ServicePassword {
    static final int MIN_LENGTH = 12;

    private ServicePassword() {
    }

    /** Refuses a password that the service does not accept (verdict 11). */
    static void check(String password) throws StoreException {
        Limits.checkPassword(password);
        boolean letter = password.chars().anyMatch(Character::isLetter);
        boolean other = password.chars().anyMatch(c -> !Character.isLetter(c));
        if (password.length() < MIN_LENGTH || !letter || !other) {
            throw new StoreException(Verdict.PASSWORD_INVALID, "a password of the service has "
                    + MIN_LENGTH + " to " + Limits.PASSWORD_WIDTH
                    + " characters, letters and at least one digit or other sign");
        }
    }

    /** The verifier the service keeps for {@code password}. */
    static String verifier(String password) {
        return ScramVerifier.of(PgSession.servicePassword(password));
    }
}
