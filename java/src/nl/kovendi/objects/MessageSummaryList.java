package nl.kovendi.objects;

import java.util.ArrayList;
import java.util.List;

/** One page of a mailbox listing; holds at most the page length given at construction. */
public class MessageSummaryList {
    private final int capacity;
    private final List<MessageSummary> rows = new ArrayList<>();

    public MessageSummaryList() {
        this(20);
    }

    public MessageSummaryList(int capacity) {
        this.capacity = Math.max(0, capacity);
    }

    public int getCapacity() { return capacity; }

    /** Adds a row; false when the page is full. */
    public boolean addMessageSummary(MessageSummary s) {
        if (rows.size() >= capacity) {
            return false;
        }
        rows.add(s);
        return true;
    }

    /** The row at {@code index}, or null outside the page. */
    public MessageSummary getMessageSummary(int index) {
        return index >= 0 && index < rows.size() ? rows.get(index) : null;
    }

    public int size() { return rows.size(); }
}
