package nl.kovendi.store;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;

import nl.kovendi.store.api.UsageException;

/**
 * Where kovendi-store takes a password from. In the place of the password a command takes "-"
 * (the first line of standard input) or "--password-file FILE" (the first line of FILE), so that
 * the password appears neither in the process list nor in the shell's history. A password written
 * on the command line itself still works for existing scripts, with a warning.
 */
final class PasswordInput {
    static final String STDIN = "-";
    static final String FILE_OPTION = "--password-file";

    private final InputStream stdin;
    private final PrintStream err;

    PasswordInput(InputStream stdin, PrintStream err) {
        this.stdin = stdin;
        this.err = err;
    }

    /** The position of the password among the arguments after the store, or -1. */
    static int position(String command, List<String> rest) {
        switch (command) {
            case "add-mailbox":
            case "set-password":
                return 1;
            case "check":
                return rest.size() >= 2 ? 1 : -1;
            default:
                return -1;
        }
    }

    /** The arguments with the password in its place read from where they say. */
    List<String> resolve(String command, List<String> rest) throws UsageException {
        int i = position(command, rest);
        if (i < 0 || i >= rest.size()) {
            return rest;
        }
        List<String> out = new ArrayList<>(rest);
        String given = rest.get(i);
        if (given.equals(FILE_OPTION)) {
            if (i + 1 >= rest.size()) {
                throw new UsageException(FILE_OPTION + " needs a FILE");
            }
            out.set(i, fromFile(Paths.get(rest.get(i + 1))));
            out.remove(i + 1);
        } else if (given.equals(STDIN)) {
            out.set(i, firstLine(stdin, "standard input"));
        } else {
            err.println("kovendi-store: warning: a password on the command line can be seen by"
                    + " other users of this machine; give \"-\" to read it from standard input or "
                    + FILE_OPTION + " FILE");
        }
        return out;
    }

    private static String fromFile(Path file) throws UsageException {
        try (InputStream in = Files.newInputStream(file)) {
            return firstLine(in, file.toString());
        } catch (IOException e) {
            throw new UsageException("cannot read the password file " + file + ": "
                    + e.getMessage());
        }
    }

    private static String firstLine(InputStream in, String where) throws UsageException {
        try {
            String line = new BufferedReader(new InputStreamReader(in, Charset.defaultCharset()))
                    .readLine();
            if (line == null || line.isEmpty()) {
                throw new UsageException("no password on the first line of " + where);
            }
            return line.endsWith("\r") ? line.substring(0, line.length() - 1) : line;
        } catch (IOException e) {
            throw new UsageException("cannot read the password from " + where + ": "
                    + e.getMessage());
        }
    }
}
