package nl.kovendi.store.api;

import nl.kovendi.Verdict;

/** List identifiers: ten digits in a store, at most 12 characters as a client gives them. */
public final class ListIds {
    public static final int LIST_ID_WIDTH = 12;

    private ListIds() {
    }

    public static String checkListId(String listId) throws StoreException {
        if (listId == null || listId.trim().isEmpty() || listId.trim().length() > LIST_ID_WIDTH) {
            throw new StoreException(Verdict.LIST_ID_INVALID, "list identifier \"" + listId
                    + "\" empty or longer than " + LIST_ID_WIDTH + " characters");
        }
        return listId.trim();
    }

    public static String listIdOf(long n) {
        return String.format("%010d", n);
    }

    /** A well-formed list identifier: ten digits. */
    public static boolean isListId(String s) {
        return s != null && s.length() == 10 && s.chars().allMatch(c -> c >= '0' && c <= '9');
    }
}
