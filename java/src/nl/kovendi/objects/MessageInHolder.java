package nl.kovendi.objects;

/** Carries the item that a fetch returns. */
public class MessageInHolder {
    private MessageIn messageIn;

    public MessageIn getMessageIn() { return messageIn; }
    public void setMessageIn(MessageIn v) { messageIn = v; }
}
