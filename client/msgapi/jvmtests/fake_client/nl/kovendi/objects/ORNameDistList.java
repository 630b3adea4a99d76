// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class ORNameDistList extends ORName {
  private String distList;
  { setType((short) 6); }
  public String getDistList() { return distList; }
  public void setDistList(String v) { distList = v; }
}
