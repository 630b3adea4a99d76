package nl.kovendi.store.pg;

import static nl.kovendi.store.api.AdminArguments.addressDefinition;
import static nl.kovendi.store.api.AdminArguments.need;
import static nl.kovendi.store.api.AdminCommands.USAGE_ADDRESS;
import static nl.kovendi.store.api.AdminCommands.USAGE_EXPORT;
import static nl.kovendi.store.api.AdminCommands.USAGE_IMPORT;
import static nl.kovendi.store.api.AdminCommands.USAGE_REMOVE;
import static nl.kovendi.store.api.AdminCommands.USAGE_STATUS;
import static nl.kovendi.store.api.AdminCommands.check;
import static nl.kovendi.store.api.AdminCommands.readDump;
import static nl.kovendi.store.api.AdminCommands.report;
import static nl.kovendi.store.api.AdminCommands.statusLine;
import static nl.kovendi.store.api.AdminCommands.writeDump;

import java.io.PrintStream;
import java.util.List;
import java.util.Map;

import nl.kovendi.store.api.AdminArguments;
import nl.kovendi.store.api.MailboxCheck;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.api.UsageException;

/**
 * The commands of kovendi-store that survey or move a whole PostgreSQL service: remove-mailbox,
 * set-address, status, export, import and check.
 */
final class ServiceCommands {
    private ServiceCommands() {
    }

    /** Runs a command on a PostgreSQL service; false when the command is not one of these. */
    static boolean run(PgAdmin admin, String command, List<String> rest)
            throws UsageException, StoreException {
        String url = "<postgresql://HOST:PORT/DATABASE>";
        PrintStream out = admin.out();
        switch (command) {
            case "remove-mailbox":
                need(rest, 1, 1, USAGE_REMOVE.replace("STORE", url));
                for (String line : admin.psql(PgStatements.REMOVE_MAILBOX,
                        Map.of("usr", rest.get(0))).split("\n")) {
                    if (!line.isBlank()) {
                        out.println("removed " + line);
                    }
                }
                return true;
            case "set-address": {
                need(rest, 2, Integer.MAX_VALUE, USAGE_ADDRESS.replace("STORE", url));
                AdminArguments.AddressDefinition a =
                        addressDefinition(rest.subList(1, rest.size()));
                PgStatements.setAddress(admin, rest.get(0), a.address, a.freeForm);
                return true;
            }
            case "status":
                need(rest, 0, 0, USAGE_STATUS.replace("STORE", url));
                out.println(statusLine("MAILBOX", "NEW", "READ", "REPORTS"));
                for (String[] r : admin.rows(PgStatements.STATUS, Map.of())) {
                    out.println(statusLine(r[0], r[1], r[2], r[3]));
                }
                return true;
            case "export":
                need(rest, 0, 1, USAGE_EXPORT.replace("STORE", url));
                writeDump(new PgDump(admin).export(), rest, out);
                return true;
            case "import":
                need(rest, 0, 1, USAGE_IMPORT.replace("STORE", url));
                report(new PgDump(admin).importDump(readDump(rest)));
                return true;
            case "check":
                need(rest, 1, 2, "check " + url + " USER [PASSWORD | - | --password-file"
                        + " FILE]");
                return check(ServiceCheck.run(new MailboxCheck(out), admin, rest.get(0),
                        rest.size() > 1 ? rest.get(1) : null));
            default:
                return false;
        }
    }
}
