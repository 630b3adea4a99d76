package nl.kovendi.objects;

/** One body part: its type (2 = a file), the file's path and the list identifier it belongs to. */
public class BodyPart {
    public static final short TYPE_FILE = 2;

    private short type = TYPE_FILE;
    private String fileName = "";
    private String listId = "";

    public short getType() { return type; }
    public void setType(short v) { type = v; }
    public String getFileName() { return fileName; }
    public void setFileName(String v) { fileName = v == null ? "" : v; }
    public String getListId() { return listId; }
    public void setListId(String v) { listId = v == null ? "" : v; }
}
