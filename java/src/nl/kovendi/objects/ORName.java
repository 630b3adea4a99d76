package nl.kovendi.objects;

/**
 * An O/R name as the program exchanges it: a free-form name and a type that says which
 * subclass carries the rest (1 full address, 5 alias, 6 distribution list).
 */
public class ORName {
    public static final short TYPE_FORM11 = 1;
    public static final short TYPE_ALIAS = 5;
    public static final short TYPE_DISTLIST = 6;

    private String freeFormName = "";
    private short type;

    public ORName() {
    }

    protected ORName(short type) {
        this.type = type;
    }

    public String getFreeFormName() { return freeFormName; }
    public void setFreeFormName(String v) { freeFormName = v == null ? "" : v; }
    public short getType() { return type; }
    public void setType(short v) { type = v; }
}
