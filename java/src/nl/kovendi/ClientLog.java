package nl.kovendi;

import java.io.IOException;
import java.io.OutputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.time.format.DateTimeFormatter;

import nl.kovendi.store.api.LocalClock;

/**
 * The client's log: the text file {@value #FILE_NAME} in the working directory, one line per
 * event, "yyyy-mm-dd hh:mm:ss " followed by the text. Text is written one byte per character
 * (Latin-1, as it crosses from the program). Writing never fails the caller.
 */
final class ClientLog {
    static final String FILE_NAME = "kovendi-client.log";
    private static final DateTimeFormatter STAMP = DateTimeFormatter.ofPattern(
            "yyyy-MM-dd HH:mm:ss ");

    private Path file;

    ClientLog(Path directory) {
        moveTo(directory);
    }

    /** From now on write into {@code directory}. */
    void moveTo(Path directory) {
        file = directory.resolve(FILE_NAME);
    }

    Path file() {
        return file;
    }

    synchronized void write(String text) {
        String line = STAMP.format(LocalClock.now()) + clean(text == null ? "" : text) + "\n";
        try (OutputStream out = Files.newOutputStream(file, StandardOpenOption.CREATE,
                StandardOpenOption.APPEND)) {
            out.write(latin1(line));
        } catch (IOException | RuntimeException e) {
            // The log is a diagnostic aid; an unwritable log must not fail an operation.
        }
    }

    /** One line: line breaks inside the text become blanks. */
    private static String clean(String s) {
        return s.replace('\r', ' ').replace('\n', ' ');
    }

    private static byte[] latin1(String s) {
        char[] c = s.toCharArray();
        byte[] b = new byte[c.length];
        for (int i = 0; i < c.length; i++) {
            b[i] = c[i] <= 0xff ? (byte) c[i] : (byte) '?';
        }
        return b;
    }

    static String quote(String s) {
        return s == null ? "null" : "\"" + s + "\"";
    }

}
