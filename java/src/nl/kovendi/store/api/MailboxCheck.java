package nl.kovendi.store.api;

import java.io.PrintStream;
import java.util.List;

import nl.kovendi.Verdict;

/**
 * {@code kovendi-store check}: logs in as a mailbox the way the client does and says in words
 * what is wrong. "check HOME" reads the application's user file HOME/qrtlnk.gns with the rules of
 * the client (the keys, their limits, the required ones) and logs in with it; "check STORE USER
 * [PASSWORD]" looks at the mailbox from the administrator's side and logs in with the password.
 * Every finding is one line, "ok: ..." or "problem: ..."; the problems are counted.
 *
 * This is the report that the checks of every kind of store write to, with the findings that
 * hold for every store: the log-in and the mailbox's own address.
 */
public final class MailboxCheck {
    /** Opens the session that a check logs in with. */
    public interface Login {
        MailSession open() throws StoreException;
    }

    private final PrintStream out;
    private int problems;

    public MailboxCheck(PrintStream out) {
        this.out = out;
    }

    public void ok(String text) {
        out.println("ok: " + text);
    }

    public void problem(String text) {
        out.println("problem: " + text);
        problems++;
    }

    /** The problems found so far. */
    public int problems() {
        return problems;
    }

    /** Logs in as the client does and reports how it went. */
    public void logIn(Login login) {
        try {
            MailSession s = login.open();
            try {
                int[] counts = s.counts();
                ok("logged in to " + s.describe() + " as " + s.user() + ": " + counts[0]
                        + " items, " + counts[1] + " not yet fetched");
            } finally {
                s.close();
            }
        } catch (StoreException e) {
            String hint = e.verdict() == Verdict.LOGIN_REFUSED
                    ? "; the user name or the password is wrong" : e.verdict()
                    == Verdict.CONNECTION_LOST ? "; is the server running, are SRV and PNB its host"
                    + " and port, does pg_hba.conf admit this host?" : "";
            problem("the log-in failed with verdict " + e.verdict() + " (" + Verdict.name(
                    e.verdict()) + "): " + e.getMessage() + hint + " (kovendi: status "
                    + status(e.verdict()) + ")");
        }
    }

    /**
     * A sender's client fills the country, ADMD and PRMD of every full address it sends, so a
     * mailbox without them receives nothing that is addressed to it by name.
     */
    public void checkAddress(String user, OrAddress address) {
        ok("the address of " + user + " is " + address);
        for (String key : List.of("COU", "ADM", "PMD")) {
            if (address.get(key).isEmpty()) {
                problem("the address of " + user + " has no " + key + ": every sender fills "
                        + key + " into the addresses it sends (from the request or $qrt400.prm),"
                        + " so messages addressed to " + user + " do not arrive (the sender gets"
                        + " status 1509); give it with kovendi-store set-address");
            }
        }
    }

    /** The status code of the client's CONNECT line for a verdict of the log-in. */
    public static String status(short verdict) {
        switch (verdict) {
            case Verdict.UNKNOWN: return "1501";
            case Verdict.CONNECTION_LOST: return "1506";
            case Verdict.SESSION_LOST: return "1507";
            case Verdict.MESSAGE_NOT_FOUND: return "1512";
            case Verdict.LOGIN_REFUSED: return "1508";
            case Verdict.NO_RECIPIENT: return "1509";
            case Verdict.BODY_PART_UNREADABLE: return "1510";
            case Verdict.RECEIVE_DIR_UNUSABLE: return "1511";
            case Verdict.STOPPED_BY_USER: return "1516";
            default: return verdict >= 10 && verdict <= 26 ? Integer.toString(1511 + verdict)
                    : "1513";
        }
    }
}
