package nl.kovendi.objects;

/** An O/R name given as an alias that the service resolves. */
public class ORNameAlias extends ORName {
    private String alias = "";

    public ORNameAlias() {
        super(TYPE_ALIAS);
    }

    public String getAlias() { return alias; }
    public void setAlias(String v) { alias = v == null ? "" : v; }
}
