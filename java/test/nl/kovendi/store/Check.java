package nl.kovendi.store;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.Objects;
import java.util.stream.Stream;

import nl.kovendi.store.api.StoreException;

/** A tiny test runner: named cases, assertions, and a closing "N passed, M failed" line. */
public final class Check {
    public interface Case {
        void run() throws Exception;
    }

    private int passed;
    private int failed;

    public void run(String name, Case c) {
        long start = System.nanoTime();
        try {
            c.run();
            passed++;
            System.out.printf("ok   %s (%.1f s)%n", name, (System.nanoTime() - start) / 1e9);
        } catch (Throwable t) {
            failed++;
            System.out.println("FAIL " + name + ": " + t);
            t.printStackTrace(System.out);
        }
    }

    /** Prints the closing line and ends the process: status 0 only when every case passed. */
    public void finish() {
        for (Path d : TEMP_DIRS) {
            removeTree(d);
        }
        System.out.println(passed + " passed, " + failed + " failed");
        System.exit(failed == 0 && passed > 0 ? 0 : 1);
    }

    public static void ok(boolean condition, String what) {
        if (!condition) {
            throw new AssertionError(what);
        }
    }

    public static void eq(Object expected, Object actual, String what) {
        if (!Objects.equals(expected, actual)) {
            throw new AssertionError(what + ": expected <" + expected + "> but was <" + actual
                    + ">");
        }
    }

    /** Runs {@code c} and demands that it fails with a StoreException of that verdict. */
    public static StoreException verdict(int expected, Case c) throws Exception {
        try {
            c.run();
        } catch (StoreException e) {
            eq(expected, (int) e.verdict(), "verdict (" + e.getMessage() + ")");
            return e;
        }
        throw new AssertionError("expected a failure with verdict " + expected);
    }

    private static final List<Path> TEMP_DIRS = new ArrayList<>();

    /** A fresh temporary directory, removed with its contents when the test program finishes. */
    public static synchronized Path tempDir(String prefix) throws IOException {
        Path d = Files.createTempDirectory("kv-" + prefix);
        TEMP_DIRS.add(d);
        return d;
    }

    private static void removeTree(Path root) {
        try (Stream<Path> all = Files.walk(root)) {
            all.sorted(Comparator.reverseOrder()).forEach(p -> p.toFile().delete());
        } catch (IOException e) {
            // leave what cannot be removed
        }
    }
}
