package nl.kovendi.store;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Objects;

/** A tiny test runner: named cases, assertions, and a closing "N passed, M failed" line. */
final class Check {
    interface Case {
        void run() throws Exception;
    }

    private int passed;
    private int failed;

    void run(String name, Case c) {
        try {
            c.run();
            passed++;
            System.out.println("ok   " + name);
        } catch (Throwable t) {
            failed++;
            System.out.println("FAIL " + name + ": " + t);
            t.printStackTrace(System.out);
        }
    }

    /** Prints the closing line and ends the process: status 0 only when every case passed. */
    void finish() {
        System.out.println(passed + " passed, " + failed + " failed");
        System.exit(failed == 0 && passed > 0 ? 0 : 1);
    }

    static void ok(boolean condition, String what) {
        if (!condition) {
            throw new AssertionError(what);
        }
    }

    static void eq(Object expected, Object actual, String what) {
        if (!Objects.equals(expected, actual)) {
            throw new AssertionError(what + ": expected <" + expected + "> but was <" + actual
                    + ">");
        }
    }

    /** Runs {@code c} and demands that it fails with a StoreException of that verdict. */
    static StoreException verdict(int expected, Case c) throws Exception {
        try {
            c.run();
        } catch (StoreException e) {
            eq(expected, (int) e.verdict(), "verdict (" + e.getMessage() + ")");
            return e;
        }
        throw new AssertionError("expected a failure with verdict " + expected);
    }

    static Path tempDir(String prefix) throws IOException {
        Path d = Files.createTempDirectory("kv-" + prefix);
        d.toFile().deleteOnExit();
        return d;
    }
}
