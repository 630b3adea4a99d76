// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class ORNameAlias extends ORName {
  private String alias;
  { setType((short) 5); }
  public String getAlias() { return alias; }
  public void setAlias(String v) { alias = v; }
}
