package nl.kovendi.objects;

/**
 * One row of a mailbox listing. Text fields are abridged to the widths of a listing row
 * (identifiers 14, names 16, subject 32 characters); the full values come with the fetch.
 */
public class MessageSummary {
    private String listId = "";
    private String ipMsgId = "";
    private String mbxEntryTime = "";
    private String applicationInfo = "";
    private short accessStatus;
    private short archiveStatus;
    private short msgType;
    private String surName = "";
    private String givenName = "";
    private String freeFormName = "";
    private String inReplyTo = "";
    private String subject = "";
    private short priority;
    private short sensitivity;
    private String expiryDate = "";
    private String defDeliveryDate = "";
    private short notify;
    private short reply;
    private short eit;
    private String fwdFatherListId = "";
    private long msgSize;
    private short bodyPartQtty;
    private short notifyType;
    private String remoteDeliveryTime = "";
    private short reasonCode;
    private short diagnostic;
    private final short[] bodyPartTypes = new short[8];

    public String getListId() { return listId; }
    public void setListId(String v) { listId = v == null ? "" : v; }
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
    public short getMsgType() { return msgType; }
    public void setMsgType(short v) { msgType = v; }
    public String getSurName() { return surName; }
    public void setSurName(String v) { surName = v == null ? "" : v; }
    public String getGivenName() { return givenName; }
    public void setGivenName(String v) { givenName = v == null ? "" : v; }
    public String getFreeFormName() { return freeFormName; }
    public void setFreeFormName(String v) { freeFormName = v == null ? "" : v; }
    public String getInReplyTo() { return inReplyTo; }
    public void setInReplyTo(String v) { inReplyTo = v == null ? "" : v; }
    public String getSubject() { return subject; }
    public void setSubject(String v) { subject = v == null ? "" : v; }
    public short getPriority() { return priority; }
    public void setPriority(short v) { priority = v; }
    public short getSensitivity() { return sensitivity; }
    public void setSensitivity(short v) { sensitivity = v; }
    public String getExpiryDate() { return expiryDate; }
    public void setExpiryDate(String v) { expiryDate = v == null ? "" : v; }
    public String getDefDeliveryDate() { return defDeliveryDate; }
    public void setDefDeliveryDate(String v) { defDeliveryDate = v == null ? "" : v; }
    public short getNotify() { return notify; }
    public void setNotify(short v) { notify = v; }
    public short getReply() { return reply; }
    public void setReply(short v) { reply = v; }
    public short getEit() { return eit; }
    public void setEit(short v) { eit = v; }
    public String getFwdFatherListId() { return fwdFatherListId; }
    public void setFwdFatherListId(String v) { fwdFatherListId = v == null ? "" : v; }
    public long getMsgSize() { return msgSize; }
    public void setMsgSize(long v) { msgSize = v; }
    public short getBodyPartQtty() { return bodyPartQtty; }
    public void setBodyPartQtty(short v) { bodyPartQtty = v; }
    public short getNotifyType() { return notifyType; }
    public void setNotifyType(short v) { notifyType = v; }
    public String getRemoteDeliveryTime() { return remoteDeliveryTime; }
    public void setRemoteDeliveryTime(String v) { remoteDeliveryTime = v == null ? "" : v; }
    public short getReasonCode() { return reasonCode; }
    public void setReasonCode(short v) { reasonCode = v; }
    public short getDiagnostic() { return diagnostic; }
    public void setDiagnostic(short v) { diagnostic = v; }

    /** The type of body part {@code index} (0 to 7); 0 for a part that the message does not have. */
    public short getBodyPartType(int index) {
        return index >= 0 && index < bodyPartTypes.length ? bodyPartTypes[index] : 0;
    }

    public void setBodyPartType(int index, short type) {
        if (index >= 0 && index < bodyPartTypes.length) {
            bodyPartTypes[index] = type;
        }
    }
}
