// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class ORName {
  private String freeFormName;
  private short type;
  public String getFreeFormName() { return freeFormName; }
  public void setFreeFormName(String v) { freeFormName = v; }
  public short getType() { return type; }
  public void setType(short v) { type = v; }
}
