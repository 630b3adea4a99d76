package nl.kovendi.store;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;

/**
 * An application home directory in which the tests run the real program {@code kovendi} of the
 * build tree (KOVENDI_BIN_DIR) against a PostgreSQL service: its user file, its request and the
 * files the run leaves.
 */
final class Home {
    final Path dir;

    /** A home for the mailbox {@code user}; {@code extra} are further user-file lines. */
    Home(String user, String password, int port, String... extra) throws IOException {
        dir = Check.tempDir("home-" + user);
        StringBuilder gns = new StringBuilder("POS=" + user + "\nPIN=" + password
                + "\nSRV=127.0.0.1\nPNB=" + port + "\n");
        for (String line : extra) {
            gns.append(line).append('\n');
        }
        write("qrtlnk.gns", gns.toString());
    }

    /** Whether the program is there to run; the tests that need it skip without it. */
    static boolean available() {
        String bin = System.getenv("KOVENDI_BIN_DIR");
        return bin != null && Files.isExecutable(Paths.get(bin, "kovendi"));
    }

    void write(String name, String text) throws IOException {
        Files.writeString(dir.resolve(name), text, StandardCharsets.ISO_8859_1);
    }

    String read(String name) throws IOException {
        Path f = dir.resolve(name);
        return Files.exists(f) ? Files.readString(f, StandardCharsets.ISO_8859_1) : "";
    }

    List<String> lines(String name) throws IOException {
        List<String> out = new ArrayList<>();
        for (String l : read(name).split("\r?\n")) {
            if (!l.isEmpty()) {
                out.add(l);
            }
        }
        return out;
    }

    /** Field {@code n} (from 1) of a bar-separated line. */
    static String field(String line, int n) {
        String[] f = line.split("\\|", -1);
        return n <= f.length ? f[n - 1] : "";
    }

    /** Starts {@code kovendi /FT} on the request {@code request}. */
    Process start(String request) throws IOException {
        write("qrtlnk.scr", request);
        Files.deleteIfExists(dir.resolve("qrtlnk.sts"));
        ProcessBuilder pb = new ProcessBuilder(
                Paths.get(System.getenv("KOVENDI_BIN_DIR"), "kovendi").toString(), "/FT");
        pb.directory(dir.toFile()).redirectErrorStream(true)
                .redirectOutput(dir.resolve("kovendi.out").toFile());
        pb.environment().remove("DISPLAY");
        pb.environment().remove("TMP");
        pb.environment().put("XDG_RUNTIME_DIR", dir.toString());
        return pb.start();
    }

    /** Runs {@code kovendi /FT} on the request and returns its status lines. */
    List<String> run(String request) throws Exception {
        Process p = start(request);
        if (!p.waitFor(120, TimeUnit.SECONDS)) {
            p.destroyForcibly();
            throw new AssertionError("kovendi did not end");
        }
        return lines("qrtlnk.sts");
    }

    /** What a failed check should show of the run. */
    String describe() throws IOException {
        return "\n--- " + dir + "\nqrtlnk.sts:\n" + read("qrtlnk.sts") + "qrtlnk.err:\n"
                + read("qrtlnk.err") + "kovendi-client.log:\n" + read("kovendi-client.log");
    }
}
