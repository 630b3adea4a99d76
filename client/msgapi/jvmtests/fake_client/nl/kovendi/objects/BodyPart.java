// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class BodyPart {
  private short type;
  private String fileName;
  private String listId;
  public short getType() { return type; }
  public void setType(short v) { type = v; }
  public String getFileName() { return fileName; }
  public void setFileName(String v) { fileName = v; }
  public String getListId() { return listId; }
  public void setListId(String v) { listId = v; }
}
