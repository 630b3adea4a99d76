package nl.kovendi.objects;

/** The body parts of a message, in order. */
public class BodyPartList extends EntryList<BodyPart> {
    public void addBodyPart(BodyPart p) { add(p); }

    /** The body part at {@code index}, or null outside the list. */
    public BodyPart getBodyPart(int index) { return at(index); }
}
