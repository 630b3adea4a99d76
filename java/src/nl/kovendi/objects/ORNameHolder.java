package nl.kovendi.objects;

/** Carries the O/R name that an alias resolution returns; null when there is none. */
public class ORNameHolder {
    private ORName orName;

    public ORName getORName() { return orName; }
    public void setORName(ORName v) { orName = v; }
}
