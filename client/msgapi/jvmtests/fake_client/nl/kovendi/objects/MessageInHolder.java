// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class MessageInHolder {
  private MessageIn messageIn;
  public MessageIn getMessageIn() { return messageIn; }
  public void setMessageIn(MessageIn v) { messageIn = v; }
}
