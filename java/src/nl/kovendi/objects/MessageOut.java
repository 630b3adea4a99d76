package nl.kovendi.objects;

/** A message to submit: header fields, recipients and file body parts. */
public class MessageOut {
    private final RecipientList recipientList = new RecipientList();
    private final BodyPartList bodyPartList = new BodyPartList();
    private String freeFormName = "";
    private String ipMsgId = "";
    private String inReplyTo = "";
    private String subject = "";
    private String expireDate = "";
    private String defDeliveryDate = "";
    private short priority;
    private short sensitivity;
    private short notifReq;
    private short reportReq;
    private short replyReq;

    public RecipientList getRecipientList() { return recipientList; }
    public BodyPartList getBodyPartList() { return bodyPartList; }
    public String getFreeFormName() { return freeFormName; }
    public void setFreeFormName(String v) { freeFormName = v == null ? "" : v; }
    public String getIpMsgId() { return ipMsgId; }
    public void setIpMsgId(String v) { ipMsgId = v == null ? "" : v; }
    public String getInReplyTo() { return inReplyTo; }
    public void setInReplyTo(String v) { inReplyTo = v == null ? "" : v; }
    public String getSubject() { return subject; }
    public void setSubject(String v) { subject = v == null ? "" : v; }
    public String getExpireDate() { return expireDate; }
    public void setExpireDate(String v) { expireDate = v == null ? "" : v; }
    public String getDefDeliveryDate() { return defDeliveryDate; }
    public void setDefDeliveryDate(String v) { defDeliveryDate = v == null ? "" : v; }
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
}
