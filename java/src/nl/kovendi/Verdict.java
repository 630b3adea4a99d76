package nl.kovendi;

/**
 * The verdict values of the client: after every operation {@code API_verdictValue} answers with the
 * value of the last one (0 after a success is never asked for; it stays at the last value).
 *
 * <pre>
 * value  name                  meaning                                              engine code
 * -----  --------------------  ---------------------------------------------------  -----------
 *   0    UNKNOWN               unknown failure (an unexpected error in the client)   1504 fatal
 *   1    INVALID_ARGUMENT      an argument is missing or malformed                   1513
 *   2    NOT_ALLOWED           the operation is not allowed in this state            1513
 *                              (for instance a second log-in in one session)
 *   3    CONNECTION_LOST       the service cannot be reached: the message store is   1506 fatal
 *                              missing, not a store, damaged or unreadable
 *   4    SESSION_LOST          no session: not logged in, closed, or the mailbox     1507 fatal
 *                              of the session no longer exists
 *   5    MESSAGE_NOT_FOUND     no message with that list identifier in the mailbox   1512
 *   6    LOGIN_REFUSED         unknown user or wrong password                        1508
 *   7    NO_RECIPIENT          a message without recipients, or none of its          1509
 *                              recipients could be resolved into a mailbox
 *   8    BODY_PART_UNREADABLE  a body-part file to send is missing or unreadable     1510
 *   9    RECEIVE_DIR_UNUSABLE  the receive directory cannot take the body parts      1511
 *                              (missing, not writable, or the names would be longer
 *                              than 80 characters)
 *  10    FILTER_INVALID        the listing filter cannot be parsed                   1521
 *  11    PASSWORD_INVALID      the new password is empty, longer than 15             1522
 *                              characters or holds control characters
 *  12    MESSAGE_INVALID       a message field is too long, more than 20             1523
 *                              recipients or 8 body parts, or an unsupported
 *                              body-part or O/R name type
 *  13    LIST_ID_INVALID       the list identifier is malformed (empty, longer       1524
 *                              than 12 characters, not a list identifier)
 *  14    STORE_BUSY            another process held the store longer than the        1525
 *                              waiting time (30 seconds)
 *  15    STORE_WRITE_FAILED    the store could not read or write its files (disk     1526
 *                              full, permissions); a change that failed is not kept
 *  29    STOPPED_BY_USER       the user stopped the operation (Escape)               1516 (open)
 * </pre>
 *
 * Values 16 to 28 are not produced by the client itself; fault injection can produce any value
 * from 0 to 32767 so that every code of the engine's verdict mapping can be tested.
 */
public final class Verdict {
    public static final short UNKNOWN = 0;
    public static final short INVALID_ARGUMENT = 1;
    public static final short NOT_ALLOWED = 2;
    public static final short CONNECTION_LOST = 3;
    public static final short SESSION_LOST = 4;
    public static final short MESSAGE_NOT_FOUND = 5;
    public static final short LOGIN_REFUSED = 6;
    public static final short NO_RECIPIENT = 7;
    public static final short BODY_PART_UNREADABLE = 8;
    public static final short RECEIVE_DIR_UNUSABLE = 9;
    public static final short FILTER_INVALID = 10;
    public static final short PASSWORD_INVALID = 11;
    public static final short MESSAGE_INVALID = 12;
    public static final short LIST_ID_INVALID = 13;
    public static final short STORE_BUSY = 14;
    public static final short STORE_WRITE_FAILED = 15;
    public static final short STOPPED_BY_USER = 29;

    private Verdict() {
    }

    /** A short English name of the value, for the client's log. */
    public static String name(int verdict) {
        switch (verdict) {
            case UNKNOWN: return "unknown failure";
            case INVALID_ARGUMENT: return "invalid argument";
            case NOT_ALLOWED: return "operation not allowed";
            case CONNECTION_LOST: return "message store not reachable";
            case SESSION_LOST: return "no session";
            case MESSAGE_NOT_FOUND: return "message not found";
            case LOGIN_REFUSED: return "log-in refused";
            case NO_RECIPIENT: return "no recipient";
            case BODY_PART_UNREADABLE: return "body part unreadable";
            case RECEIVE_DIR_UNUSABLE: return "receive directory unusable";
            case FILTER_INVALID: return "filter invalid";
            case PASSWORD_INVALID: return "password invalid";
            case MESSAGE_INVALID: return "message invalid";
            case LIST_ID_INVALID: return "list identifier invalid";
            case STORE_BUSY: return "store busy";
            case STORE_WRITE_FAILED: return "store write failed";
            case STOPPED_BY_USER: return "stopped by the user";
            default: return "verdict " + verdict;
        }
    }
}
