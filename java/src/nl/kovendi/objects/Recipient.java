package nl.kovendi.objects;

/** One recipient of a message: its kind (1 primary, 2 copy, 3 blind copy) and its O/R name. */
public class Recipient {
    private short type = 1;
    private ORName orName;

    public short getType() { return type; }
    public void setType(short v) { type = v; }
    public ORName getORName() { return orName; }
    public void setORName(ORName v) { orName = v; }
}
