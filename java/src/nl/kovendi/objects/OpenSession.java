package nl.kovendi.objects;

/** What the program passes to the log-in: where the service is, who logs in, and its own context. */
public class OpenSession {
    private String server = "";
    private String user = "";
    private String password = "";
    private int portNb;
    private String workingDir = "";
    private String homeDir = "";
    private int logging;
    private int dialogHandle;
    private int dialogItemId;
    private String version = "";
    private String tls = "";
    private String rootCertificate = "";

    public String getServer() { return server; }
    public void setServer(String v) { server = v == null ? "" : v; }
    public String getUser() { return user; }
    public void setUser(String v) { user = v == null ? "" : v; }
    public String getPassword() { return password; }
    public void setPassword(String v) { password = v == null ? "" : v; }
    public int getPortNb() { return portNb; }
    public void setPortNb(int v) { portNb = v; }
    public String getWorkingDir() { return workingDir; }
    public void setWorkingDir(String v) { workingDir = v == null ? "" : v; }
    public String getHomeDir() { return homeDir; }
    public void setHomeDir(String v) { homeDir = v == null ? "" : v; }
    public int getLogging() { return logging; }
    public void setLogging(int v) { logging = v; }
    public int getDialogHandle() { return dialogHandle; }
    public void setDialogHandle(int v) { dialogHandle = v; }
    public int getDialogItemId() { return dialogItemId; }
    public void setDialogItemId(int v) { dialogItemId = v; }
    public String getVersion() { return version; }
    public void setVersion(String v) { version = v == null ? "" : v; }
    /** Transport security towards a networked service: "AUTO" (or empty) or "ON". */
    public String getTls() { return tls; }
    public void setTls(String v) { tls = v == null ? "" : v; }
    /** The root certificate that verifies a networked service; empty for the usual one. */
    public String getRootCertificate() { return rootCertificate; }
    public void setRootCertificate(String v) { rootCertificate = v == null ? "" : v; }
}
