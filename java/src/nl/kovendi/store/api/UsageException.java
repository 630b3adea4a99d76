package nl.kovendi.store.api;

/** A refusal of the command line itself. */
public final class UsageException extends Exception {
    private static final long serialVersionUID = 1L;

    public UsageException(String message) {
        super(message);
    }
}
