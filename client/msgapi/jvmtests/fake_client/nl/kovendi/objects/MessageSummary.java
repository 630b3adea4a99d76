// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class MessageSummary {
  private String listId;
  private String ipMsgId;
  private String mbxEntryTime;
  private String applicationInfo;
  private String surName;
  private String givenName;
  private String freeFormName;
  private String inReplyTo;
  private String subject;
  private String expiryDate;
  private String defDeliveryDate;
  private String fwdFatherListId;
  private String remoteDeliveryTime;
  private short accessStatus;
  private short archiveStatus;
  private short msgType;
  private short priority;
  private short sensitivity;
  private short notify;
  private short reply;
  private short eit;
  private short bodyPartQtty;
  private short notifyType;
  private short reasonCode;
  private short diagnostic;
  private long msgSize;
  private final short[] bodyPartTypes = new short[8];
  public short getBodyPartType(int i) { return bodyPartTypes[i]; }
  public void setBodyPartType(int i, short t) { bodyPartTypes[i] = t; }
  public String getListId() { return listId; }
  public void setListId(String v) { listId = v; }
  public String getIpMsgId() { return ipMsgId; }
  public void setIpMsgId(String v) { ipMsgId = v; }
  public String getMbxEntryTime() { return mbxEntryTime; }
  public void setMbxEntryTime(String v) { mbxEntryTime = v; }
  public String getApplicationInfo() { return applicationInfo; }
  public void setApplicationInfo(String v) { applicationInfo = v; }
  public String getSurName() { return surName; }
  public void setSurName(String v) { surName = v; }
  public String getGivenName() { return givenName; }
  public void setGivenName(String v) { givenName = v; }
  public String getFreeFormName() { return freeFormName; }
  public void setFreeFormName(String v) { freeFormName = v; }
  public String getInReplyTo() { return inReplyTo; }
  public void setInReplyTo(String v) { inReplyTo = v; }
  public String getSubject() { return subject; }
  public void setSubject(String v) { subject = v; }
  public String getExpiryDate() { return expiryDate; }
  public void setExpiryDate(String v) { expiryDate = v; }
  public String getDefDeliveryDate() { return defDeliveryDate; }
  public void setDefDeliveryDate(String v) { defDeliveryDate = v; }
  public String getFwdFatherListId() { return fwdFatherListId; }
  public void setFwdFatherListId(String v) { fwdFatherListId = v; }
  public String getRemoteDeliveryTime() { return remoteDeliveryTime; }
  public void setRemoteDeliveryTime(String v) { remoteDeliveryTime = v; }
  public short getAccessStatus() { return accessStatus; }
  public void setAccessStatus(short v) { accessStatus = v; }
  public short getArchiveStatus() { return archiveStatus; }
  public void setArchiveStatus(short v) { archiveStatus = v; }
  public short getMsgType() { return msgType; }
  public void setMsgType(short v) { msgType = v; }
  public short getPriority() { return priority; }
  public void setPriority(short v) { priority = v; }
  public short getSensitivity() { return sensitivity; }
  public void setSensitivity(short v) { sensitivity = v; }
  public short getNotify() { return notify; }
  public void setNotify(short v) { notify = v; }
  public short getReply() { return reply; }
  public void setReply(short v) { reply = v; }
  public short getEit() { return eit; }
  public void setEit(short v) { eit = v; }
  public short getBodyPartQtty() { return bodyPartQtty; }
  public void setBodyPartQtty(short v) { bodyPartQtty = v; }
  public short getNotifyType() { return notifyType; }
  public void setNotifyType(short v) { notifyType = v; }
  public short getReasonCode() { return reasonCode; }
  public void setReasonCode(short v) { reasonCode = v; }
  public short getDiagnostic() { return diagnostic; }
  public void setDiagnostic(short v) { diagnostic = v; }
  public long getMsgSize() { return msgSize; }
  public void setMsgSize(long v) { msgSize = v; }
}
