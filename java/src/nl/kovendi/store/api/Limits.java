package nl.kovendi.store.api;

import nl.kovendi.Verdict;

/** The widths and counts that every store keeps to, and the checks of them. */
public final class Limits {
    /** Longest user name: the log-in name field of the program holds 8 characters. */
    public static final int USER_WIDTH = 8;
    /** Longest password: the program's password field holds 15 characters. */
    public static final int PASSWORD_WIDTH = 15;
    /** Longest alias or list name; a non-delivery entry carries it as a surname. */
    public static final int NAME_WIDTH = 40;
    /** Longest free-form name. */
    public static final int FFN_WIDTH = 32;
    /** Longest file name (with its directory) that the program's body-part record holds. */
    public static final int FILE_NAME_WIDTH = 80;
    public static final int MAX_PARTS = 8;
    public static final int MAX_RECIPIENTS = 20;

    private Limits() {
    }

    public static void checkPassword(String pw) throws StoreException {
        if (pw == null || pw.isEmpty() || pw.length() > Limits.PASSWORD_WIDTH
                || pw.chars().anyMatch(c -> c < 32 || c == 127)) {
            throw new StoreException(Verdict.PASSWORD_INVALID, "a password has 1 to "
                    + Limits.PASSWORD_WIDTH + " characters without control characters");
        }
    }
}
