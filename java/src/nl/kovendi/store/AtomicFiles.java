package nl.kovendi.store;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.ByteBuffer;
import java.nio.channels.FileChannel;
import java.nio.file.AtomicMoveNotSupportedException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.StandardOpenOption;
import java.util.Properties;
import java.util.concurrent.ThreadLocalRandom;

/**
 * Durable file writes: every file is written under a temporary name in its own directory, flushed
 * to the disk, renamed over the final name and the directory flushed, so that a process killed at
 * any moment leaves either the old or the new file, never a partial one.
 */
public final class AtomicFiles {
    /** Temporary files carry this marker; a store removes leftovers of killed processes. */
    public static final String TEMP_MARKER = ".tmp-";

    private AtomicFiles() {
    }

    public static void write(Path target, byte[] content) throws IOException {
        Path temp = tempBeside(target);
        try {
            try (FileChannel ch = FileChannel.open(temp, StandardOpenOption.CREATE_NEW,
                    StandardOpenOption.WRITE)) {
                ByteBuffer buf = ByteBuffer.wrap(content);
                while (buf.hasRemaining()) {
                    ch.write(buf);
                }
                ch.force(true);
            }
            moveIntoPlace(temp, target);
        } finally {
            Files.deleteIfExists(temp);
        }
    }

    /** Copies {@code source} to {@code target} durably; returns the number of bytes copied. */
    public static long copy(Path source, Path target) throws IOException {
        Path temp = tempBeside(target);
        long size = 0;
        try {
            try (InputStream in = Files.newInputStream(source);
                 FileChannel ch = FileChannel.open(temp, StandardOpenOption.CREATE_NEW,
                         StandardOpenOption.WRITE);
                 OutputStream out = java.nio.channels.Channels.newOutputStream(ch)) {
                size = in.transferTo(out);
                out.flush();
                ch.force(true);
            }
            moveIntoPlace(temp, target);
        } finally {
            Files.deleteIfExists(temp);
        }
        return size;
    }

    public static void writeProperties(Path target, Properties p) throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        p.store(bytes, null);
        write(target, bytes.toByteArray());
    }

    public static Properties readProperties(Path source) throws IOException {
        Properties p = new Properties();
        try (InputStream in = Files.newInputStream(source)) {
            p.load(in);
        }
        return p;
    }

    /** Removes a file and flushes its directory, so that the removal survives a crash. */
    public static void delete(Path file) throws IOException {
        if (Files.deleteIfExists(file)) {
            syncDirectory(file.toAbsolutePath().getParent());
        }
    }

    public static void syncDirectory(Path dir) {
        try (FileChannel ch = FileChannel.open(dir, StandardOpenOption.READ)) {
            ch.force(true);
        } catch (IOException | UnsupportedOperationException e) {
            // Some file systems cannot flush a directory; the rename itself is still atomic.
        }
    }

    static boolean isTemporary(Path file) {
        return file.getFileName().toString().contains(TEMP_MARKER);
    }

    private static Path tempBeside(Path target) {
        String name = target.getFileName().toString() + TEMP_MARKER
                + Long.toHexString(ThreadLocalRandom.current().nextLong() & 0xffffffffffL);
        return target.resolveSibling(name);
    }

    private static void moveIntoPlace(Path temp, Path target) throws IOException {
        try {
            Files.move(temp, target, StandardCopyOption.ATOMIC_MOVE,
                    StandardCopyOption.REPLACE_EXISTING);
        } catch (AtomicMoveNotSupportedException e) {
            Files.move(temp, target, StandardCopyOption.REPLACE_EXISTING);
        }
        syncDirectory(target.toAbsolutePath().getParent());
    }
}
