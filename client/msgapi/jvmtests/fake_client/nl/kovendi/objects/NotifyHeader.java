// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class NotifyHeader {
  private String ipMsgId;
  private String mbxEntryTime;
  private String applicationInfo;
  private short accessStatus;
  private short archiveStatus;
  public String getIpMsgId() { return ipMsgId; }
  public void setIpMsgId(String v) { ipMsgId = v; }
  public String getMbxEntryTime() { return mbxEntryTime; }
  public void setMbxEntryTime(String v) { mbxEntryTime = v; }
  public String getApplicationInfo() { return applicationInfo; }
  public void setApplicationInfo(String v) { applicationInfo = v; }
  public short getAccessStatus() { return accessStatus; }
  public void setAccessStatus(short v) { accessStatus = v; }
  public short getArchiveStatus() { return archiveStatus; }
  public void setArchiveStatus(short v) { archiveStatus = v; }
}
