package nl.kovendi.objects;

/** An O/R name given by one text that the service resolves: an alias or a distribution list. */
public abstract class ORNameByText extends ORName {
    private String text = "";

    protected ORNameByText(short type) {
        super(type);
    }

    protected String text() { return text; }
    protected void setText(String v) { text = v == null ? "" : v; }
}
