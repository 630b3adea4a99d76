// Test double of the client library's list class.
package nl.kovendi.objects;

public class BodyPartList {
  private final java.util.ArrayList<BodyPart> items = new java.util.ArrayList<>();
  public BodyPartList() {}
  public void addBodyPart(BodyPart item) { items.add(item); }
  public BodyPart getBodyPart(int index) { return items.get(index); }
  public int size() { return items.size(); }
}
