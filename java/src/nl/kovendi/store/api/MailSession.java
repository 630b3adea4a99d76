package nl.kovendi.store.api;

import java.nio.file.Path;
import java.util.List;

import nl.kovendi.objects.MessageOut;
import nl.kovendi.objects.ORNameForm11;

/**
 * One logged-in mailbox on a message service, whichever store serves it: the embedded store in
 * a directory or a PostgreSQL service. Both give the same results and verdicts.
 */
public interface MailSession {
    /** The mailbox's user name as it was created. */
    String user();

    /** The mailbox's number. */
    long id();

    String freeFormName();

    /** How many items a mailbox holds at most. */
    int capacity();

    /** Number of items in the mailbox and of those not yet fetched. */
    int[] counts() throws StoreException;

    /** Next session number, 1 to 32767. */
    short nextSessionId() throws StoreException;

    /** Takes the fault-injection rule for the next call of {@code operation}; null when none. */
    Faults.Rule takeFault(String operation) throws StoreException;

    /** Submits a message; body-part file names resolve against {@code workingDir}. */
    void submit(MessageOut msg, Path workingDir) throws StoreException;

    /**
     * Whether the service accepted a message with identifier {@code ipMsgId} from this mailbox at
     * or after {@code sinceMillis} (milliseconds since 1970 by this machine's clock). The service
     * keeps accepting an identifier it has seen: an application may send one again on purpose.
     */
    boolean acceptedSince(String ipMsgId, long sinceMillis) throws StoreException;

    /** Up to {@code max} items after {@code previous} in mailbox order that match the filter. */
    List<Entry> list(String filter, String previous, int max) throws StoreException;

    /** Fetches an item and writes its body parts into the receive directory. */
    Fetched fetch(String listId, String receiveDir, Path workingDir)
            throws StoreException;

    void delete(String listId) throws StoreException;

    /** The full O/R name of the mailbox an alias names, or null when the alias is unknown. */
    ORNameForm11 resolveAlias(String alias) throws StoreException;

    void changePassword(String newPassword) throws StoreException;

    /** Where the session is, for the client's log. */
    String describe();

    /** Ends the session; never fails. */
    void close();
}
