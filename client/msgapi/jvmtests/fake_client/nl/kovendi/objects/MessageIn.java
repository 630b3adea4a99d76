// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class MessageIn {
  private short msgType;
  private String ipMsgId;
  private String mbxEntryTime;
  private String applicationInfo;
  private String inReplyTo;
  private String subject;
  private String expiryDate;
  private String fwdFatherListId;
  private short accessStatus;
  private short archiveStatus;
  private short priority;
  private short sensitivity;
  private short notifyStatus;
  private short replyStatus;
  private short eit;
  private short msgRecTotalQtty;
  private short bodyPartQtty;
  private short recipientQtty;
  private short msgNtfTotalQtty;
  private short notifyQtty;
  private long msgSize;
  private ORName originator;
  private RecipientList recipientList;
  private BodyPartList bodyPartList;
  private NotifyHeader header;
  private NotifyInfo info;
  private NotifyInfoList notifyList;
  public short getMsgType() { return msgType; }
  public void setMsgType(short v) { msgType = v; }
  public String getIpMsgId() { return ipMsgId; }
  public void setIpMsgId(String v) { ipMsgId = v; }
  public String getMbxEntryTime() { return mbxEntryTime; }
  public void setMbxEntryTime(String v) { mbxEntryTime = v; }
  public String getApplicationInfo() { return applicationInfo; }
  public void setApplicationInfo(String v) { applicationInfo = v; }
  public String getInReplyTo() { return inReplyTo; }
  public void setInReplyTo(String v) { inReplyTo = v; }
  public String getSubject() { return subject; }
  public void setSubject(String v) { subject = v; }
  public String getExpiryDate() { return expiryDate; }
  public void setExpiryDate(String v) { expiryDate = v; }
  public String getFwdFatherListId() { return fwdFatherListId; }
  public void setFwdFatherListId(String v) { fwdFatherListId = v; }
  public short getAccessStatus() { return accessStatus; }
  public void setAccessStatus(short v) { accessStatus = v; }
  public short getArchiveStatus() { return archiveStatus; }
  public void setArchiveStatus(short v) { archiveStatus = v; }
  public short getPriority() { return priority; }
  public void setPriority(short v) { priority = v; }
  public short getSensitivity() { return sensitivity; }
  public void setSensitivity(short v) { sensitivity = v; }
  public short getNotifyStatus() { return notifyStatus; }
  public void setNotifyStatus(short v) { notifyStatus = v; }
  public short getReplyStatus() { return replyStatus; }
  public void setReplyStatus(short v) { replyStatus = v; }
  public short getEit() { return eit; }
  public void setEit(short v) { eit = v; }
  public short getMsgRecTotalQtty() { return msgRecTotalQtty; }
  public void setMsgRecTotalQtty(short v) { msgRecTotalQtty = v; }
  public short getBodyPartQtty() { return bodyPartQtty; }
  public void setBodyPartQtty(short v) { bodyPartQtty = v; }
  public short getRecipientQtty() { return recipientQtty; }
  public void setRecipientQtty(short v) { recipientQtty = v; }
  public short getMsgNtfTotalQtty() { return msgNtfTotalQtty; }
  public void setMsgNtfTotalQtty(short v) { msgNtfTotalQtty = v; }
  public short getNotifyQtty() { return notifyQtty; }
  public void setNotifyQtty(short v) { notifyQtty = v; }
  public long getMsgSize() { return msgSize; }
  public void setMsgSize(long v) { msgSize = v; }
  public ORName getOriginator() { return originator; }
  public void setOriginator(ORName v) { originator = v; }
  public RecipientList getRecipientList() { return recipientList; }
  public void setRecipientList(RecipientList v) { recipientList = v; }
  public BodyPartList getBodyPartList() { return bodyPartList; }
  public void setBodyPartList(BodyPartList v) { bodyPartList = v; }
  public NotifyHeader getHeader() { return header; }
  public void setHeader(NotifyHeader v) { header = v; }
  public NotifyInfo getInfo() { return info; }
  public void setInfo(NotifyInfo v) { info = v; }
  public NotifyInfoList getNotifyList() { return notifyList; }
  public void setNotifyList(NotifyInfoList v) { notifyList = v; }
}
