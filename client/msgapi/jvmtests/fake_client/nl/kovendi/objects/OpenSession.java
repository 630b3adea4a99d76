// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class OpenSession {
  private String server;
  private String user;
  private String password;
  private String workingDir;
  private String homeDir;
  private String version;
  private int portNb;
  private int logging;
  private int dialogHandle;
  private int dialogItemId;
  public String getServer() { return server; }
  public void setServer(String v) { server = v; }
  public String getUser() { return user; }
  public void setUser(String v) { user = v; }
  public String getPassword() { return password; }
  public void setPassword(String v) { password = v; }
  public String getWorkingDir() { return workingDir; }
  public void setWorkingDir(String v) { workingDir = v; }
  public String getHomeDir() { return homeDir; }
  public void setHomeDir(String v) { homeDir = v; }
  public String getVersion() { return version; }
  public void setVersion(String v) { version = v; }
  public int getPortNb() { return portNb; }
  public void setPortNb(int v) { portNb = v; }
  public int getLogging() { return logging; }
  public void setLogging(int v) { logging = v; }
  public int getDialogHandle() { return dialogHandle; }
  public void setDialogHandle(int v) { dialogHandle = v; }
  public int getDialogItemId() { return dialogItemId; }
  public void setDialogItemId(int v) { dialogItemId = v; }
}
