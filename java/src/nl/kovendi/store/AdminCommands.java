package nl.kovendi.store;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.PrintStream;
import java.io.Writer;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;
import java.util.Map;

/**
 * The commands of kovendi-store that survey or move a whole store, on both kinds of store:
 * remove-mailbox, set-address, status, export, import and check. {@link Admin} and
 * {@link PgAdmin} hand them over; the store-specific work is in {@link EmbeddedAdmin},
 * {@link PgDump} and {@link MailboxCheck}.
 */
final class AdminCommands {
    static final String USAGE_REMOVE = "remove-mailbox STORE USER";
    static final String USAGE_ADDRESS = "set-address STORE USER KEY=VALUE ...";
    static final String USAGE_STATUS = "status STORE";
    static final String USAGE_EXPORT = "export STORE [FILE]";
    static final String USAGE_IMPORT = "import STORE [FILE]";
    static final String USAGE_CHECK = "check HOME | check STORE USER [PASSWORD | - | --password-file FILE]";

    private AdminCommands() {
    }

    /** Runs a command on an embedded store; false when the command is not one of these. */
    static boolean runOnDirectory(PrintStream out, Path dir, String command, List<String> rest)
            throws Admin.UsageException, StoreException, IOException {
        switch (command) {
            case "remove-mailbox":
                Admin.need(rest, 1, 1, USAGE_REMOVE);
                EmbeddedAdmin.removeMailbox(Store.open(dir), rest.get(0))
                        .forEach(g -> out.println("removed " + g));
                return true;
            case "set-address": {
                Admin.need(rest, 2, Integer.MAX_VALUE, USAGE_ADDRESS);
                Admin.AddressDefinition a = Admin.addressDefinition(rest.subList(1, rest.size()));
                EmbeddedAdmin.setAddress(Store.open(dir), rest.get(0), a.address, a.freeForm);
                return true;
            }
            case "status":
                Admin.need(rest, 0, 0, USAGE_STATUS);
                EmbeddedAdmin.status(Store.open(dir), out);
                return true;
            case "export":
                Admin.need(rest, 0, 1, USAGE_EXPORT);
                writeDump(EmbeddedAdmin.export(Store.open(dir)), rest, out);
                return true;
            case "import":
                Admin.need(rest, 0, 1, USAGE_IMPORT);
                report(EmbeddedAdmin.importDump(Store.open(dir), readDump(rest)));
                return true;
            case "check":
                Admin.need(rest, 0, 2, USAGE_CHECK);
                return check(rest.isEmpty() ? new MailboxCheck(out).home(dir)
                        : new MailboxCheck(out).embedded(dir, rest.get(0),
                                rest.size() > 1 ? rest.get(1) : null));
            default:
                return false;
        }
    }

    /** Runs a command on a PostgreSQL service; false when the command is not one of these. */
    static boolean runOnService(PgAdmin admin, String command, List<String> rest)
            throws Admin.UsageException, StoreException {
        String url = "<postgresql://HOST:PORT/DATABASE>";
        PrintStream out = admin.out();
        switch (command) {
            case "remove-mailbox":
                Admin.need(rest, 1, 1, USAGE_REMOVE.replace("STORE", url));
                for (String line : admin.psql(PgStatements.REMOVE_MAILBOX,
                        Map.of("usr", rest.get(0))).split("\n")) {
                    if (!line.isBlank()) {
                        out.println("removed " + line);
                    }
                }
                return true;
            case "set-address": {
                Admin.need(rest, 2, Integer.MAX_VALUE, USAGE_ADDRESS.replace("STORE", url));
                Admin.AddressDefinition a = Admin.addressDefinition(rest.subList(1, rest.size()));
                PgStatements.setAddress(admin, rest.get(0), a.address, a.freeForm);
                return true;
            }
            case "status":
                Admin.need(rest, 0, 0, USAGE_STATUS.replace("STORE", url));
                out.println(EmbeddedAdmin.statusLine("MAILBOX", "NEW", "READ", "REPORTS"));
                for (String[] r : admin.rows(PgStatements.STATUS, Map.of())) {
                    out.println(EmbeddedAdmin.statusLine(r[0], r[1], r[2], r[3]));
                }
                return true;
            case "export":
                Admin.need(rest, 0, 1, USAGE_EXPORT.replace("STORE", url));
                writeDump(new PgDump(admin).export(), rest, out);
                return true;
            case "import":
                Admin.need(rest, 0, 1, USAGE_IMPORT.replace("STORE", url));
                report(new PgDump(admin).importDump(readDump(rest)));
                return true;
            case "check":
                Admin.need(rest, 1, 2, "check " + url + " USER [PASSWORD | - | --password-file"
                        + " FILE]");
                return check(new MailboxCheck(out).service(admin, rest.get(0),
                        rest.size() > 1 ? rest.get(1) : null));
            default:
                return false;
        }
    }

    /** A check that found problems fails the command (exit status 1) after its report. */
    private static boolean check(int problems) throws StoreException {
        if (problems > 0) {
            throw new StoreException(nl.kovendi.Verdict.INVALID_ARGUMENT, problems
                    + (problems == 1 ? " problem" : " problems") + " found");
        }
        return true;
    }

    private static void report(List<String> notes) {
        notes.forEach(n -> System.err.println("kovendi-store: " + n));
    }

    private static void writeDump(Dump dump, List<String> rest, PrintStream out)
            throws StoreException {
        boolean toFile = !rest.isEmpty() && !rest.get(0).equals("-");
        try {
            if (!toFile) {
                Writer w = new OutputStreamWriter(out, StandardCharsets.UTF_8);
                dump.write(w);
                return;
            }
            // Written under a temporary name and renamed: a dump file that exists is whole.
            java.io.ByteArrayOutputStream bytes = new java.io.ByteArrayOutputStream();
            Writer w = new OutputStreamWriter(bytes, StandardCharsets.UTF_8);
            dump.write(w);
            AtomicFiles.write(Paths.get(rest.get(0)).toAbsolutePath(), bytes.toByteArray());
        } catch (IOException e) {
            throw new StoreException(nl.kovendi.Verdict.STORE_WRITE_FAILED, "cannot write the dump: "
                    + e.getMessage(), e);
        }
    }

    private static Dump readDump(List<String> rest) throws StoreException {
        boolean fromFile = !rest.isEmpty() && !rest.get(0).equals("-");
        try (InputStream in = fromFile ? Files.newInputStream(Paths.get(rest.get(0))) : System.in) {
            return Dump.read(new BufferedReader(new InputStreamReader(in, StandardCharsets.UTF_8)));
        } catch (IOException e) {
            throw new StoreException(nl.kovendi.Verdict.INVALID_ARGUMENT, "cannot read the dump: "
                    + e.getMessage(), e);
        }
    }
}
