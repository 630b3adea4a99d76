// Test double of the client library's list class.
package nl.kovendi.objects;

public class RecipientList {
  private final java.util.ArrayList<Recipient> items = new java.util.ArrayList<>();
  public RecipientList() {}
  public void addRecipient(Recipient item) { items.add(item); }
  public Recipient getRecipient(int index) { return items.get(index); }
  public int size() { return items.size(); }
}
