package nl.kovendi.store.embedded;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

import nl.kovendi.store.api.MailboxCheck;
import nl.kovendi.store.api.PasswordHash;
import nl.kovendi.store.api.StoreException;

/** {@code kovendi-store check DIR USER [PASSWORD]}: a mailbox of an embedded store. */
public final class EmbeddedCheck {
    private EmbeddedCheck() {
    }

    /** check DIR USER [PASSWORD] on an embedded store. */
    public static int run(MailboxCheck report, Path dir, String user, String password) {
        if (!Files.isDirectory(dir)) {
            report.problem("the store directory " + dir + " does not exist (kovendi: status 1506)");
            return report.problems();
        }
        Directory.Mailbox m;
        try {
            Store store = Store.open(dir);
            Directory d = store.readDirectory();
            m = d.mailbox(user);
            if (m == null) {
                List<String> users = new ArrayList<>();
                d.mailboxes().forEach(x -> users.add(x.user));
                report.problem("the store " + dir + " has no mailbox " + user + " (its mailboxes: "
                        + (users.isEmpty() ? "none" : String.join(" ", users))
                        + "; kovendi: status 1508)");
                return report.problems();
            }
            report.ok("the store " + dir + " has the mailbox " + m.user + " (\"" + m.freeFormName
                    + "\")");
        } catch (StoreException e) {
            report.problem(e.getMessage() + " (kovendi: status "
                    + MailboxCheck.status(e.verdict()) + ")");
            return report.problems();
        }
        if (password == null) {
            report.ok("no password given: the log-in is not tried");
        } else if (PasswordHash.verify(password, m.passwordHash)) {
            report.ok("the password is right: the log-in works");
        } else {
            report.problem("the password is not the one of mailbox " + m.user
                    + " (kovendi: status 1508); give the mailbox the password with kovendi-store"
                    + " set-password");
        }
        report.checkAddress(m.user, m.address);
        return report.problems();
    }
}
