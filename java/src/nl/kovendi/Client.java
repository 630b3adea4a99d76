package nl.kovendi;

import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;

import nl.kovendi.objects.MessageInHolder;
import nl.kovendi.objects.MessageOut;
import nl.kovendi.objects.MessageSummaryList;
import nl.kovendi.objects.ORNameHolder;
import nl.kovendi.objects.ORNameForm11;
import nl.kovendi.objects.OpenSession;
import nl.kovendi.objects.SessionInfo;
import nl.kovendi.store.Services;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.Faults;
import nl.kovendi.store.api.Fetched;
import nl.kovendi.store.api.MailSession;
import nl.kovendi.store.api.StopCheck;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.api.Views;

/**
 * The messaging client that the program hosts. Each {@code API_} method returns -1 on failure and
 * leaves the reason in {@link #API_verdictValue()} (values in {@link Verdict}); no exception ever
 * leaves a method.
 *
 * <p>The service is named by the server of the open parameters: "file:DIRECTORY" opens the
 * embedded message store in that directory (relative to the working directory); the port is then
 * not used. "HOST" or "HOST/DATABASE" with the port reaches a PostgreSQL service (see
 * {@link Services}).
 *
 * <p>The client asks the program whether the user pressed Escape (or closed the window) at the
 * start of every operation but the close, and at least every tenth of a second while an operation
 * waits (for the store's lock, or in an injected delay), through the native method
 * {@code checkEscape} when the program has registered it (it answers 1 to go on, 2 to abort). An
 * abort ends the operation with {@link Verdict#STOPPED_BY_USER} before it changed anything; the
 * program answers 1 while an operation that must finish is under way (a password change, the
 * delete after a fetch).
 */
public class Client {
    private static volatile boolean escapeHookAvailable = true;

    private short verdict = Verdict.UNKNOWN;
    private String verdictText = "";
    private final ClientLog log;
    private boolean tracing;
    private Path workingDir;
    private MailSession session;

    public Client() {
        workingDir = Paths.get(System.getProperty("user.dir", ".")).toAbsolutePath();
        log = new ClientLog(workingDir);
    }

    /** The program's escape check: 1 to go on, 2 to abort the operation (Escape pressed). */
    private static native int checkEscape();

    private static final int ESCAPE_ABORT = 2;

    public void logMessage(String text) {
        log.write(text);
    }

    public short API_verdictValue() {
        return verdict;
    }

    /**
     * The reason of the last failure in words: the store's or the server's own message. Not an
     * operation of the messaging interface itself; the program writes it into its journal.
     */
    public String API_verdictText() {
        return verdictText;
    }

    public short API_open(OpenSession open, SessionInfo info) {
        return call("API_open", () -> {
            if (open == null || info == null) {
                throw new StoreException(Verdict.INVALID_ARGUMENT, "open parameters missing");
            }
            if (session != null) {
                throw new StoreException(Verdict.NOT_ALLOWED, "a session is already open");
            }
            tracing = open.getLogging() != 0;
            if (!open.getWorkingDir().isEmpty()) {
                workingDir = path(Paths.get(""), open.getWorkingDir(), Verdict.INVALID_ARGUMENT)
                        .toAbsolutePath();
                log.moveTo(workingDir);
            }
            MailSession s = Services.open(open.getServer(), open.getPortNb(), open.getUser(),
                    open.getPassword(), workingDir, rule -> applyFault("API_open", rule),
                    open.getTls(), open.getRootCertificate());
            try {
                fillSessionInfo(s, info);
            } catch (StoreException | RuntimeException e) {
                s.close();
                throw e;
            }
            session = s;
            trace("API_open: user " + open.getUser() + " logged in to " + s.describe()
                    + " (" + open.getVersion() + ")");
            return 0;
        });
    }

    public short API_close() {
        return call("API_close", false, () -> {
            if (session != null) {
                MailSession s = session;
                injectFault(s, "API_close");
                session = null;
                s.close();
                trace("API_close: session closed");
            }
            return 0;
        });
    }

    public short API_sendMsg(MessageOut msg) {
        return call("API_sendMsg", () -> {
            MailSession s = session("API_sendMsg");
            if (msg == null) {
                throw new StoreException(Verdict.INVALID_ARGUMENT, "no message");
            }
            s.submit(msg, workingDir);
            trace("API_sendMsg: message " + ClientLog.quote(msg.getIpMsgId()) + " submitted to "
                    + msg.getRecipientList().size() + " recipient(s)");
            return 0;
        });
    }

    /**
     * Whether the service accepted a message with identifier {@code ipMsgId} from this mailbox at
     * or after {@code sinceSeconds} (seconds since 1970 by this machine's clock): 1 when it did,
     * 0 when it did not, -1 on failure. The program asks it for a send whose outcome a killed run
     * left open.
     */
    public short API_acceptedSince(String ipMsgId, long sinceSeconds) {
        return call("API_acceptedSince", () -> {
            MailSession s = session("API_acceptedSince");
            if (ipMsgId == null || sinceSeconds < 0) {
                throw new StoreException(Verdict.INVALID_ARGUMENT, "no identifier or time");
            }
            boolean accepted = s.acceptedSince(ipMsgId, sinceSeconds * 1000);
            trace("API_acceptedSince: " + ClientLog.quote(ipMsgId) + " since " + sinceSeconds
                    + ": " + (accepted ? "accepted" : "not accepted"));
            return accepted ? 1 : 0;
        });
    }

    public short API_getMsg(String listId, MessageInHolder holder, String receiveDir) {
        return call("API_getMsg", () -> {
            MailSession s = session("API_getMsg");
            if (holder == null) {
                throw new StoreException(Verdict.INVALID_ARGUMENT, "no message holder");
            }
            Fetched f = s.fetch(listId, receiveDir == null ? "" : receiveDir,
                    workingDir);
            holder.setMessageIn(Views.messageIn(f.entry, f.fileNames));
            trace("API_getMsg: " + listId + " fetched, type " + f.entry.type() + ", "
                    + f.fileNames.size() + " file(s) " + f.fileNames);
            return 0;
        });
    }

    public short API_delMsg(String listId) {
        return call("API_delMsg", () -> {
            session("API_delMsg").delete(listId);
            trace("API_delMsg: " + listId + " deleted");
            return 0;
        });
    }

    public short API_listMbxInNext(String filter, String previousListId, MessageSummaryList page) {
        return call("API_listMbxInNext", () -> {
            MailSession s = session("API_listMbxInNext");
            if (page == null) {
                throw new StoreException(Verdict.INVALID_ARGUMENT, "no page");
            }
            List<Entry> rows = s.list(filter, previousListId, page.getCapacity());
            for (Entry e : rows) {
                page.addMessageSummary(Views.summary(e));
            }
            trace("API_listMbxInNext: filter " + ClientLog.quote(filter) + " after "
                    + ClientLog.quote(previousListId) + ": " + rows.size() + " row(s)");
            return rows.size();
        });
    }

    public short API_changeNetworkPwd(String newPassword) {
        return call("API_changeNetworkPwd", () -> {
            session("API_changeNetworkPwd").changePassword(newPassword);
            trace("API_changeNetworkPwd: password changed");
            return 0;
        });
    }

    public short API_aliasToOrname(String alias, ORNameHolder holder) {
        return call("API_aliasToOrname", () -> {
            MailSession s = session("API_aliasToOrname");
            if (holder == null || alias == null) {
                throw new StoreException(Verdict.INVALID_ARGUMENT, "no alias or holder");
            }
            ORNameForm11 name = s.resolveAlias(alias);
            holder.setORName(name);
            trace("API_aliasToOrname: " + ClientLog.quote(alias)
                    + (name == null ? " unknown" : " is " + name.getSurName()));
            return 0;
        });
    }

    /** Ends the client before the program stops the virtual machine. */
    public void close() {
        if (session != null) {
            session.close();
        }
        session = null;
        trace("client closed");
    }

    // ------------------------------------------------------------------

    private interface Operation {
        int run() throws StoreException;
    }

    /**
     * Runs one operation: its result, or -1 with the verdict set and a line in the log. Every
     * throwable is caught here, so nothing reaches the program as a Java exception.
     */
    private short call(String name, Operation op) {
        return call(name, true, op);
    }

    /**
     * As above; {@code stoppable} operations first ask whether the user stopped the run, and ask
     * again while they wait. The close always runs: it ends the session after a stop.
     */
    private short call(String name, boolean stoppable, Operation op) {
        try {
            int result;
            if (stoppable) {
                result = StopCheck.during(Client::escapePressed, () -> {
                    StopCheck.poll();
                    return op.run();
                });
            } else {
                result = op.run();
            }
            return (short) Math.min(result, Short.MAX_VALUE);
        } catch (StoreException e) {
            verdict = e.verdict();
            verdictText = e.getMessage() == null ? "" : e.getMessage();
            log.write(name + ": failed, verdict " + verdict + " (" + Verdict.name(verdict) + "): "
                    + e.getMessage());
        } catch (Throwable t) {
            verdict = Verdict.UNKNOWN;
            verdictText = t.toString();
            log.write(name + ": failed, verdict 0 (unknown failure): " + t);
        }
        return -1;
    }

    private MailSession session(String name) throws StoreException {
        if (session == null) {
            throw new StoreException(Verdict.SESSION_LOST, "no open session");
        }
        injectFault(session, name);
        return session;
    }

    private void trace(String text) {
        if (tracing) {
            log.write(text);
        }
    }

    private static Path path(Path base, String name, short verdict) throws StoreException {
        try {
            return base.resolve(name.replace('\\', '/'));
        } catch (InvalidPathException e) {
            throw new StoreException(verdict, "invalid path " + ClientLog.quote(name));
        }
    }

    private void fillSessionInfo(MailSession s, SessionInfo info) throws StoreException {
        int[] counts = s.counts();
        info.setUaName(s.user());
        info.setUaId(s.id());
        info.setSessionId(s.nextSessionId());
        info.setDefaultFFName(s.freeFormName());
        info.setMbxMaxMsgQtty((short) Math.min(s.capacity(), Short.MAX_VALUE));
        info.setMbxInMsgQtty((short) Math.min(counts[0], Short.MAX_VALUE));
        info.setMbxInLostMsgQtty((short) 0);
        info.setMbxInNewMsgQtty((short) Math.min(counts[1], Short.MAX_VALUE));
        info.setMbxOutMsgQtty((short) 0);
    }

    /** Applies the fault-injection rule for this call, if any (see {@link Faults}). */
    private void injectFault(MailSession s, String operation) throws StoreException {
        Faults.Rule rule = s.takeFault(operation);
        if (rule != null) {
            applyFault(operation, rule);
        }
    }

    private void applyFault(String operation, Faults.Rule rule) throws StoreException {
        log.write(operation + ": fault injection: " + rule);
        StopCheck.pause(rule.delayMillis());
        if (rule.verdict() >= 0) {
            throw new StoreException((short) rule.verdict(), "injected fault");
        }
    }

    private static boolean escapePressed() {
        if (!escapeHookAvailable) {
            return false;
        }
        try {
            return checkEscape() == ESCAPE_ABORT;
        } catch (UnsatisfiedLinkError e) {
            escapeHookAvailable = false;
            return false;
        }
    }
}
