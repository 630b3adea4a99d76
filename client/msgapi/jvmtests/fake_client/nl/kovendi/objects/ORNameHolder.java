// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class ORNameHolder {
  private ORName orName;
  public ORName getORName() { return orName; }
  public void setORName(ORName v) { orName = v; }
}
