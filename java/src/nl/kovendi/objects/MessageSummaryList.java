package nl.kovendi.objects;

/** One page of a mailbox listing; holds at most the page length given at construction. */
public class MessageSummaryList extends EntryList<MessageSummary> {
    private final int capacity;

    public MessageSummaryList() {
        this(20);
    }

    public MessageSummaryList(int capacity) {
        this.capacity = Math.max(0, capacity);
    }

    public int getCapacity() { return capacity; }

    /** Adds a row; false when the page is full. */
    public boolean addMessageSummary(MessageSummary s) {
        if (size() >= capacity) {
            return false;
        }
        add(s);
        return true;
    }

    /** The row at {@code index}, or null outside the page. */
    public MessageSummary getMessageSummary(int index) { return at(index); }
}
