package nl.kovendi.objects;

import java.util.ArrayList;
import java.util.List;

/** The recipients of a message, in the order they were added. */
public class RecipientList {
    private final List<Recipient> recipients = new ArrayList<>();

    public void addRecipient(Recipient r) { recipients.add(r); }

    /** The recipient at {@code index}, or null outside the list. */
    public Recipient getRecipient(int index) {
        return index >= 0 && index < recipients.size() ? recipients.get(index) : null;
    }

    public int size() { return recipients.size(); }
}
