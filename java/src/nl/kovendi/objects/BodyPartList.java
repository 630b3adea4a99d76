package nl.kovendi.objects;

import java.util.ArrayList;
import java.util.List;

/** The body parts of a message, in order. */
public class BodyPartList {
    private final List<BodyPart> parts = new ArrayList<>();

    public void addBodyPart(BodyPart p) { parts.add(p); }

    /** The body part at {@code index}, or null outside the list. */
    public BodyPart getBodyPart(int index) {
        return index >= 0 && index < parts.size() ? parts.get(index) : null;
    }

    public int size() { return parts.size(); }
}
