package nl.kovendi.store.api;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.PrintStream;
import java.io.Writer;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.List;

/**
 * What the commands of kovendi-store that survey or move a whole store (remove-mailbox,
 * set-address, status, export, import and check) have in common on every kind of store: their
 * usage, the dump file or stream, the lines of the status table and the outcome of a check.
 */
public final class AdminCommands {
    public static final String USAGE_REMOVE = "remove-mailbox STORE USER";
    public static final String USAGE_ADDRESS = "set-address STORE USER KEY=VALUE ...";
    public static final String USAGE_STATUS = "status STORE";
    public static final String USAGE_EXPORT = "export STORE [FILE]";
    public static final String USAGE_IMPORT = "import STORE [FILE]";
    public static final String USAGE_CHECK = "check HOME | check STORE USER [PASSWORD | - | --password-file FILE]";

    private AdminCommands() {
    }

    /** A check that found problems fails the command (exit status 1) after its report. */
    public static boolean check(int problems) throws StoreException {
        if (problems > 0) {
            throw new StoreException(nl.kovendi.Verdict.INVALID_ARGUMENT, problems
                    + (problems == 1 ? " problem" : " problems") + " found");
        }
        return true;
    }

    public static void report(List<String> notes) {
        notes.forEach(n -> System.err.println("kovendi-store: " + n));
    }

    public static void writeDump(Dump dump, List<String> rest, PrintStream out)
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

    public static Dump readDump(List<String> rest) throws StoreException {
        boolean fromFile = !rest.isEmpty() && !rest.get(0).equals("-");
        try (InputStream in = fromFile ? Files.newInputStream(Paths.get(rest.get(0))) : System.in) {
            return Dump.read(new BufferedReader(new InputStreamReader(in, StandardCharsets.UTF_8)));
        } catch (IOException e) {
            throw new StoreException(nl.kovendi.Verdict.INVALID_ARGUMENT, "cannot read the dump: "
                    + e.getMessage(), e);
        }
    }

    public static String statusLine(Object user, Object fresh, Object read, Object reports) {
        return String.format("%-8s %6s %6s %8s", user, fresh, read, reports);
    }
}
