package nl.kovendi.objects;

import java.util.ArrayList;
import java.util.List;

/**
 * The entries of one of the library's list objects, in the order they were added. Each list names
 * its own add and get methods after what it holds.
 */
public abstract class EntryList<T> {
    private final List<T> entries = new ArrayList<>();

    protected void add(T entry) { entries.add(entry); }

    /** The entry at {@code index}, or null outside the list. */
    protected T at(int index) {
        return index >= 0 && index < entries.size() ? entries.get(index) : null;
    }

    public int size() { return entries.size(); }
}
