package nl.kovendi.objects;

/** An O/R name given as the name of a distribution list of the service. */
public class ORNameDistList extends ORName {
    private String distList = "";

    public ORNameDistList() {
        super(TYPE_DISTLIST);
    }

    public String getDistList() { return distList; }
    public void setDistList(String v) { distList = v == null ? "" : v; }
}
