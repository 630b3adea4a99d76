package nl.kovendi.store.api;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

import nl.kovendi.Verdict;

/**
 * The files into which a fetch writes the body parts of a message: new names WORD.001 to
 * WORD.00n in the receive directory, WORD eight letters that no file there begins with.
 */
public final class ReceivedFiles {
    /** Letters of the names of received files, as the program forms its own candidate names. */
    private static final String LETTERS = "BCDFGHJKLMNPQRSTVWXZ";

    private ReceivedFiles() {
    }

    /** Writes body part {@code k} of an item to {@code target}; false when the store lacks it. */
    public interface PartWriter {
        boolean write(int k, Path target) throws IOException;
    }

    /**
     * Writes the body parts of {@code e} into the receive directory under new names (see
     * the class comment) and returns the names; on a failure nothing of them is left.
     */
    public static List<String> receiveFiles(Entry e, String receiveDir, Path workingDir,
            PartWriter writer) throws StoreException {
        Path target = receiveDirectory(receiveDir, workingDir);
        String prefix = receiveDir.isEmpty() || receiveDir.endsWith("/")
                || receiveDir.endsWith("\\") ? receiveDir : receiveDir + "/";
        int parts = e.partCount();
        String word = freeWord(target, parts);
        List<String> names = new ArrayList<>();
        for (int k = 1; k <= parts; k++) {
            String name = prefix + word + String.format(".%03d", k);
            if (name.length() > Limits.FILE_NAME_WIDTH) {
                throw new StoreException(Verdict.RECEIVE_DIR_UNUSABLE, "received file name " + name
                        + " longer than " + Limits.FILE_NAME_WIDTH + " characters");
            }
            names.add(name);
        }
        for (int k = 1; k <= parts; k++) {
            boolean present;
            try {
                present = writer.write(k, target.resolve(word + String.format(".%03d", k)));
            } catch (IOException ex) {
                removeAll(names.subList(0, k - 1), receiveDir, workingDir);
                throw new StoreException(Verdict.RECEIVE_DIR_UNUSABLE, "cannot write "
                        + names.get(k - 1) + ": " + ex.getMessage(), ex);
            }
            if (!present) {
                removeAll(names.subList(0, k - 1), receiveDir, workingDir);
                throw new StoreException(Verdict.CONNECTION_LOST, "store damaged: body part " + k
                        + " of " + e.listId() + " missing");
            }
        }
        return names;
    }

    private static Path receiveDirectory(String receiveDir, Path workingDir) throws StoreException {
        Path target;
        try {
            target = receiveDir.isEmpty() ? workingDir
                    : workingDir.resolve(receiveDir.replace('\\', '/'));
        } catch (InvalidPathException ex) {
            throw new StoreException(Verdict.RECEIVE_DIR_UNUSABLE, "invalid receive directory "
                    + receiveDir);
        }
        if (!Files.isDirectory(target) || !Files.isWritable(target)) {
            throw new StoreException(Verdict.RECEIVE_DIR_UNUSABLE, "receive directory "
                    + target + " missing or not writable");
        }
        return target;
    }

    /** Eight letters from the time in seconds, base 20, least significant first. */
    public static String word(long seconds) {
        StringBuilder b = new StringBuilder();
        long v = seconds;
        while (v > 0 && b.length() < 8) {
            b.append(LETTERS.charAt((int) (v % 20)));
            v /= 20;
        }
        while (b.length() < 8) {
            b.append('B');
        }
        return b.toString();
    }

    private static String freeWord(Path dir, int parts) {
        long t = System.currentTimeMillis() / 1000;
        while (true) {
            String w = word(t);
            boolean free = true;
            for (int k = 1; k <= Math.max(1, parts) && free; k++) {
                free = !Files.exists(dir.resolve(w + String.format(".%03d", k)));
            }
            if (free) {
                return w;
            }
            t++;
        }
    }

    public static void removeAll(List<String> names, String receiveDir, Path workingDir) {
        for (String n : names) {
            try {
                Files.deleteIfExists(workingDir.resolve(n.replace('\\', '/')));
            } catch (IOException | InvalidPathException ex) {
                // best effort: a partial receive leaves nothing the program would report
            }
        }
    }
}
