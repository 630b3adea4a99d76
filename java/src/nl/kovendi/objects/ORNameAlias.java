package nl.kovendi.objects;

/** An O/R name given as an alias that the service resolves. */
public class ORNameAlias extends ORNameByText {
    public ORNameAlias() {
        super(TYPE_ALIAS);
    }

    public String getAlias() { return text(); }
    public void setAlias(String v) { setText(v); }
}
