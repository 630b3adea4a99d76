// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class MessageOut {
  private String freeFormName;
  private String ipMsgId;
  private String inReplyTo;
  private String subject;
  private String expireDate;
  private String defDeliveryDate;
  private short priority;
  private short sensitivity;
  private short notifReq;
  private short reportReq;
  private short replyReq;
  private RecipientList recipientList;
  private BodyPartList bodyPartList;
  { recipientList = new RecipientList(); bodyPartList = new BodyPartList(); }
  public String getFreeFormName() { return freeFormName; }
  public void setFreeFormName(String v) { freeFormName = v; }
  public String getIpMsgId() { return ipMsgId; }
  public void setIpMsgId(String v) { ipMsgId = v; }
  public String getInReplyTo() { return inReplyTo; }
  public void setInReplyTo(String v) { inReplyTo = v; }
  public String getSubject() { return subject; }
  public void setSubject(String v) { subject = v; }
  public String getExpireDate() { return expireDate; }
  public void setExpireDate(String v) { expireDate = v; }
  public String getDefDeliveryDate() { return defDeliveryDate; }
  public void setDefDeliveryDate(String v) { defDeliveryDate = v; }
  public short getPriority() { return priority; }
  public void setPriority(short v) { priority = v; }
  public short getSensitivity() { return sensitivity; }
  public void setSensitivity(short v) { sensitivity = v; }
  public short getNotifReq() { return notifReq; }
  public void setNotifReq(short v) { notifReq = v; }
  public short getReportReq() { return reportReq; }
  public void setReportReq(short v) { reportReq = v; }
  public short getReplyReq() { return replyReq; }
  public void setReplyReq(short v) { replyReq = v; }
  public RecipientList getRecipientList() { return recipientList; }
  public void setRecipientList(RecipientList v) { recipientList = v; }
  public BodyPartList getBodyPartList() { return bodyPartList; }
  public void setBodyPartList(BodyPartList v) { bodyPartList = v; }
}
