package nl.kovendi.objects;

/** The mailbox header of a notification or report. */
public class NotifyHeader {
    private String ipMsgId = "";
    private String mbxEntryTime = "";
    private String applicationInfo = "";
    private short accessStatus;
    private short archiveStatus;

    public String getIpMsgId() { return ipMsgId; }
    public void setIpMsgId(String v) { ipMsgId = v == null ? "" : v; }
    public String getMbxEntryTime() { return mbxEntryTime; }
    public void setMbxEntryTime(String v) { mbxEntryTime = v == null ? "" : v; }
    public String getApplicationInfo() { return applicationInfo; }
    public void setApplicationInfo(String v) { applicationInfo = v == null ? "" : v; }
    public short getAccessStatus() { return accessStatus; }
    public void setAccessStatus(short v) { accessStatus = v; }
    public short getArchiveStatus() { return archiveStatus; }
    public void setArchiveStatus(short v) { archiveStatus = v; }
}
