// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class Recipient {
  private short type;
  private ORName orName;
  public short getType() { return type; }
  public void setType(short v) { type = v; }
  public ORName getORName() { return orName; }
  public void setORName(ORName v) { orName = v; }
}
