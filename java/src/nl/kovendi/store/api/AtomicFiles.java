package nl.kovendi.store.api;

import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.ByteBuffer;
import java.nio.channels.FileChannel;
import java.nio.file.AtomicMoveNotSupportedException;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.StandardOpenOption;
import java.nio.file.attribute.FileAttribute;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.EnumSet;
import java.util.Properties;
import java.util.Set;
import java.util.concurrent.ThreadLocalRandom;

/**
 * Durable file writes: every file is written under a temporary name in its own directory, flushed
 * to the disk, renamed over the final name and the directory flushed, so that a process killed at
 * any moment leaves either the old or the new file, never a partial one.
 *
 * <p>The store's files hold password hashes and other users' messages: they are created readable
 * by their owner only (0600) and the store's directories 0700, on file systems that have POSIX
 * permissions.
 */
public final class AtomicFiles {
    /** Temporary files carry this marker; a store removes leftovers of killed processes. */
    public static final String TEMP_MARKER = ".tmp-";

    private AtomicFiles() {
    }

    private static final Set<StandardOpenOption> CREATE_NEW = EnumSet.of(
            StandardOpenOption.CREATE_NEW, StandardOpenOption.WRITE);
    private static final FileAttribute<?>[] NONE = new FileAttribute<?>[0];

    /** Creation attributes of a private file (none where POSIX permissions do not exist). */
    public static FileAttribute<?>[] privateFile(Path where) {
        return posix(where) ? new FileAttribute<?>[] {
            PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rw-------"))
        } : NONE;
    }

    /**
     * Creates a directory of the store, private (0700); missing parents above it are created
     * with the usual permissions.
     */
    public static void createDirectories(Path dir) throws IOException {
        if (Files.isDirectory(dir)) {
            return;
        }
        Path parent = dir.toAbsolutePath().getParent();
        if (parent != null) {
            Files.createDirectories(parent);
        }
        try {
            Files.createDirectory(dir, privateDirectory(parent));
        } catch (FileAlreadyExistsException e) {
            if (!Files.isDirectory(dir)) {
                throw e;
            }
        }
    }

    /** Makes an existing directory private (0700) where POSIX permissions exist. */
    public static void makePrivateDirectory(Path dir) throws IOException {
        if (posix(dir)) {
            Files.setPosixFilePermissions(dir, PosixFilePermissions.fromString("rwx------"));
        }
    }

    private static FileAttribute<?>[] privateDirectory(Path where) {
        return posix(where) ? new FileAttribute<?>[] {
            PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rwx------"))
        } : NONE;
    }

    private static boolean posix(Path where) {
        Path p = where == null ? null : where.toAbsolutePath();
        while (p != null && !Files.exists(p)) {
            p = p.getParent();
        }
        return p != null && p.getFileSystem().supportedFileAttributeViews().contains("posix");
    }

    public static void write(Path target, byte[] content) throws IOException {
        Path temp = tempBeside(target);
        try {
            try (FileChannel ch = FileChannel.open(temp, CREATE_NEW, privateFile(target))) {
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

    /**
     * Copies {@code source} to the store's file {@code target} durably (private); returns the
     * number of bytes copied.
     */
    public static long copy(Path source, Path target) throws IOException {
        return copy(source, target, privateFile(target));
    }

    /** Copies a file out of the store (a received body part), with the usual permissions. */
    public static long copyOut(Path source, Path target) throws IOException {
        return copy(source, target, NONE);
    }

    private static long copy(Path source, Path target, FileAttribute<?>[] attributes)
            throws IOException {
        Path temp = tempBeside(target);
        long size = 0;
        try {
            try (InputStream in = Files.newInputStream(source);
                 FileChannel ch = FileChannel.open(temp, CREATE_NEW, attributes);
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

    /**
     * Writes {@code p} in the format that {@link Properties#load(InputStream)} reads, keys in
     * order, without the date comment of {@link Properties#store}: making that comment reads the
     * time zone's names, which in a run of a second costs more than all the store's own work.
     */
    public static void writeProperties(Path target, Properties p) throws IOException {
        StringBuilder text = new StringBuilder();
        for (String key : new java.util.TreeSet<>(p.stringPropertyNames())) {
            escape(text, key, true);
            text.append('=');
            escape(text, p.getProperty(key), false);
            text.append('\n');
        }
        write(target, text.toString().getBytes(java.nio.charset.StandardCharsets.ISO_8859_1));
    }

    /** The escapes of {@link Properties#store(OutputStream, String)} for a key or a value. */
    private static void escape(StringBuilder out, String s, boolean key) {
        for (int i = 0; i < s.length(); i++) {
            char c = s.charAt(i);
            if (c > '=' && c < 127) {
                if (c == '\\') {
                    out.append('\\');
                }
                out.append(c);
                continue;
            }
            int control = "\t\n\r\f".indexOf(c);
            if (control >= 0) {
                out.append('\\').append("tnrf".charAt(control));
                continue;
            }
            switch (c) {
                case ' ':
                    out.append(i == 0 || key ? "\\ " : " ");
                    break;
                case '=':
                case ':':
                case '#':
                case '!':
                    out.append('\\').append(c);
                    break;
                default:
                    if (c < 0x20 || c > 0x7e) {
                        out.append("\\u");
                        for (int shift = 12; shift >= 0; shift -= 4) {
                            out.append("0123456789ABCDEF".charAt((c >> shift) & 0xf));
                        }
                    } else {
                        out.append(c);
                    }
            }
        }
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

    /** How a directory is flushed; the tests put a failing one in its place. */
    public interface DirectoryFlush {
        void force(FileChannel directory) throws IOException;
    }

    public static DirectoryFlush directoryFlush = ch -> ch.force(true);

    /**
     * Flushes the entries of a directory (a rename, a new or removed file). A failure of the flush
     * (an I/O error, a full disk) is an error: the change might not survive a crash. Where a
     * directory cannot be opened or cannot be flushed at all (some platforms and file systems),
     * the change itself is still atomic and nothing more can be done.
     */
    public static void syncDirectory(Path dir) throws IOException {
        FileChannel ch;
        try {
            ch = FileChannel.open(dir, StandardOpenOption.READ);
        } catch (IOException | UnsupportedOperationException e) {
            return;
        }
        try (FileChannel open = ch) {
            directoryFlush.force(open);
        } catch (IOException e) {
            String m = String.valueOf(e.getMessage());
            if (!m.contains("Invalid argument") && !m.contains("Read-only file system")) {
                throw e;
            }
        }
    }

    public static boolean isTemporary(Path file) {
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
