// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class NotifyInfo {
  private ORName orName;
  private short notifyType;
  private String remoteDeliveryTime;
  private short reasonCode;
  private short diagnostic;
  public ORName getORName() { return orName; }
  public void setORName(ORName v) { orName = v; }
  public short getNotifyType() { return notifyType; }
  public void setNotifyType(short v) { notifyType = v; }
  public String getRemoteDeliveryTime() { return remoteDeliveryTime; }
  public void setRemoteDeliveryTime(String v) { remoteDeliveryTime = v; }
  public short getReasonCode() { return reasonCode; }
  public void setReasonCode(short v) { reasonCode = v; }
  public short getDiagnostic() { return diagnostic; }
  public void setDiagnostic(short v) { diagnostic = v; }
}
