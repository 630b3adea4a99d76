package nl.kovendi.store;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.Charset;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.Arrays;
import java.util.List;

import nl.kovendi.store.api.AdminCommands;
import nl.kovendi.store.api.MailboxCheck;
import nl.kovendi.store.api.StoreAdmin;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.api.UsageException;
import nl.kovendi.store.embedded.DirectoryAdmin;
import nl.kovendi.store.pg.PgAdmin;

/**
 * The administration command of the message store, {@code kovendi-store}:
 *
 * <pre>
 * kovendi-store init DIR
 * kovendi-store add-mailbox DIR USER PASSWORD [KEY=VALUE ...]
 *     KEY: COU ADM PMD ORG OUA OUB OUC OUD SUR GIV INI GQU DTA DVA DTB DVB DTC DVC DTD DVD
 *     (the mailbox's own O/R address) or FFN (its free-form name; default GIV SUR, or USER)
 * kovendi-store set-password DIR USER PASSWORD
 * kovendi-store add-alias DIR ALIAS USER
 * kovendi-store add-list DIR LIST USER...
 * kovendi-store list DIR
 * kovendi-store show DIR USER
 * kovendi-store fault DIR OPERATION VERDICT [COUNT]
 * kovendi-store fault DIR OPERATION delay SECONDS [fail VERDICT] [COUNT]
 * kovendi-store faults DIR
 * kovendi-store clear-faults DIR [OPERATION]
 * kovendi-store remove-mailbox | set-address | status | export | import | check ...
 * </pre>
 *
 * (see {@link AdminCommands}); each kind of store carries them out through its
 * {@link StoreAdmin}. In place of a PASSWORD, "-" reads it from standard input and
 * "--password-file FILE" from a file ({@link PasswordInput}).
 *
 * Relative directories resolve against the current directory. Exit status 0 on success;
 * otherwise 1 (2 for a usage error) with a one-line reason on standard error.
 */
public final class Admin {
    private final PrintStream out;

    Admin(PrintStream out) {
        this.out = out;
    }

    public static void main(String[] args) {
        PrintStream out = new PrintStream(System.out, true, Charset.defaultCharset());
        int status;
        try {
            new Admin(out).run(args);
            status = 0;
        } catch (UsageException e) {
            System.err.println("kovendi-store: " + e.getMessage());
            status = 2;
        } catch (StoreException e) {
            System.err.println("kovendi-store: " + e.getMessage());
            status = 1;
        } catch (RuntimeException | IOException e) {
            System.err.println("kovendi-store: " + e);
            status = 1;
        }
        out.flush();
        System.exit(status);
    }

    void run(String[] args) throws UsageException, StoreException, IOException {
        if (args.length == 1 && args[0].equals("--help")) {
            out.print(AdminHelp.TEXT);
            return;
        }
        if (args.length == 1 && args[0].equals("--version")) {
            String version = Admin.class.getPackage().getImplementationVersion();
            out.println("kovendi-store " + (version == null ? "(unknown version)" : version));
            return;
        }
        if (args.length < 2) {
            throw new UsageException("usage: kovendi-store COMMAND STORE ... (commands: init,"
                    + " add-mailbox, set-password, add-alias, add-list, list, show, remove-mailbox,"
                    + " set-address, status, check, export, import, fault, faults, clear-faults;"
                    + " kovendi-store --help)");
        }
        List<String> rest = new PasswordInput(System.in, System.err).resolve(args[0],
                Arrays.asList(args).subList(2, args.length));
        storeAdmin(args[1]).run(args[0], rest);
    }

    /** The administration of the store that STORE names: a service URL or a directory. */
    private StoreAdmin storeAdmin(String store) {
        if (PgAdmin.isServiceUrl(store)) {
            return new PgAdmin(out, store);
        }
        Path dir = Paths.get(store).toAbsolutePath();
        DirectoryAdmin directory = new DirectoryAdmin(out, dir);
        // "check HOME" reads an application's home directory, which names its own store.
        return (command, rest) -> {
            if (command.equals("check") && rest.isEmpty()) {
                AdminCommands.check(new HomeCheck(new MailboxCheck(out)).run(dir));
            } else {
                directory.run(command, rest);
            }
        };
    }
}
