package nl.kovendi.store.api;

/** A refused or failed store operation, with the verdict that the client reports for it. */
public class StoreException extends Exception {
    private static final long serialVersionUID = 1L;
    private final short verdict;

    public StoreException(short verdict, String message) {
        super(message);
        this.verdict = verdict;
    }

    public StoreException(short verdict, String message, Throwable cause) {
        super(message, cause);
        this.verdict = verdict;
    }

    public short verdict() {
        return verdict;
    }
}
