// Test double of the client library's list class.
package nl.kovendi.objects;

public class MessageSummaryList {
  private final java.util.ArrayList<MessageSummary> items = new java.util.ArrayList<>();
  public final int capacity;
  public MessageSummaryList(int capacity) { this.capacity = capacity; }
  public void add(MessageSummary item) { items.add(item); }
  public MessageSummary getMessageSummary(int index) { return items.get(index); }
  public int size() { return items.size(); }
}
