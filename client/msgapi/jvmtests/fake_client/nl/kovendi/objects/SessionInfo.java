// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class SessionInfo {
  private String uaName;
  private String defaultFFName;
  private long uaId;
  private short sessionId;
  private short mbxMaxMsgQtty;
  private short mbxInMsgQtty;
  private short mbxInLostMsgQtty;
  private short mbxInNewMsgQtty;
  private short mbxOutMsgQtty;
  public String getUaName() { return uaName; }
  public void setUaName(String v) { uaName = v; }
  public String getDefaultFFName() { return defaultFFName; }
  public void setDefaultFFName(String v) { defaultFFName = v; }
  public long getUaId() { return uaId; }
  public void setUaId(long v) { uaId = v; }
  public short getSessionId() { return sessionId; }
  public void setSessionId(short v) { sessionId = v; }
  public short getMbxMaxMsgQtty() { return mbxMaxMsgQtty; }
  public void setMbxMaxMsgQtty(short v) { mbxMaxMsgQtty = v; }
  public short getMbxInMsgQtty() { return mbxInMsgQtty; }
  public void setMbxInMsgQtty(short v) { mbxInMsgQtty = v; }
  public short getMbxInLostMsgQtty() { return mbxInLostMsgQtty; }
  public void setMbxInLostMsgQtty(short v) { mbxInLostMsgQtty = v; }
  public short getMbxInNewMsgQtty() { return mbxInNewMsgQtty; }
  public void setMbxInNewMsgQtty(short v) { mbxInNewMsgQtty = v; }
  public short getMbxOutMsgQtty() { return mbxOutMsgQtty; }
  public void setMbxOutMsgQtty(short v) { mbxOutMsgQtty = v; }
}
