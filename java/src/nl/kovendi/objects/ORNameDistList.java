package nl.kovendi.objects;

/** An O/R name given as the name of a distribution list of the service. */
public class ORNameDistList extends ORNameByText {
    public ORNameDistList() {
        super(TYPE_DISTLIST);
    }

    public String getDistList() { return text(); }
    public void setDistList(String v) { setText(v); }
}
