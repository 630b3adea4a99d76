package nl.kovendi.objects;

/**
 * One notification about one recipient: whom it concerns, what happened (the notify type),
 * when, and for a failure its reason and diagnostic codes.
 */
public class NotifyInfo {
    private ORName orName;
    private short notifyType;
    private String remoteDeliveryTime = "";
    private short reasonCode;
    private short diagnostic;

    public ORName getORName() { return orName; }
    public void setORName(ORName v) { orName = v; }
    public short getNotifyType() { return notifyType; }
    public void setNotifyType(short v) { notifyType = v; }
    public String getRemoteDeliveryTime() { return remoteDeliveryTime; }
    public void setRemoteDeliveryTime(String v) { remoteDeliveryTime = v == null ? "" : v; }
    public short getReasonCode() { return reasonCode; }
    public void setReasonCode(short v) { reasonCode = v; }
    public short getDiagnostic() { return diagnostic; }
    public void setDiagnostic(short v) { diagnostic = v; }
}
