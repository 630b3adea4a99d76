package nl.kovendi.objects;

/** The recipients of a message, in the order they were added. */
public class RecipientList extends EntryList<Recipient> {
    public void addRecipient(Recipient r) { add(r); }

    /** The recipient at {@code index}, or null outside the list. */
    public Recipient getRecipient(int index) { return at(index); }
}
