package nl.kovendi.store.embedded;

import java.io.IOException;
import java.nio.channels.FileChannel;
import java.nio.channels.FileLock;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.util.EnumSet;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.locks.ReentrantLock;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.StopCheck;
import nl.kovendi.store.api.StoreException;

/**
 * The exclusive lock of one store, held for the duration of each operation: a file lock on the
 * store's lock file keeps other processes out, and an in-process lock keeps other threads of this
 * process out (a file lock cannot be taken twice by one process).
 */
final class StoreLock implements AutoCloseable {
    static final String LOCK_FILE = "lock";
    private static final ConcurrentHashMap<Path, ReentrantLock> LOCAL = new ConcurrentHashMap<>();

    private final ReentrantLock local;
    private final FileChannel channel;
    private final FileLock fileLock;

    private StoreLock(ReentrantLock local, FileChannel channel, FileLock fileLock) {
        this.local = local;
        this.channel = channel;
        this.fileLock = fileLock;
    }

    static StoreLock acquire(Path storeDir, long waitMillis) throws StoreException {
        Path key = storeDir.toAbsolutePath().normalize();
        ReentrantLock local = LOCAL.computeIfAbsent(key, k -> new ReentrantLock());
        long deadline = System.currentTimeMillis() + waitMillis;
        try {
            // Waiting for another thread of this process; the user may stop the wait.
            while (!local.tryLock(Math.max(0, Math.min(StopCheck.INTERVAL_MILLIS,
                    deadline - System.currentTimeMillis())), TimeUnit.MILLISECONDS)) {
                StopCheck.poll();
                if (System.currentTimeMillis() >= deadline) {
                    throw busy();
                }
            }
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw busy();
        }
        FileChannel ch = null;
        try {
            ch = FileChannel.open(key.resolve(LOCK_FILE), EnumSet.of(StandardOpenOption.CREATE,
                    StandardOpenOption.WRITE), AtomicFiles.privateFile(key));
            while (true) {
                FileLock lock = ch.tryLock();
                if (lock != null) {
                    return new StoreLock(local, ch, lock);
                }
                StopCheck.poll();  // another process holds the store
                if (System.currentTimeMillis() >= deadline) {
                    throw busy();
                }
                Thread.sleep(20);
            }
        } catch (IOException e) {
            closeQuietly(ch);
            local.unlock();
            throw new StoreException(Verdict.CONNECTION_LOST, "cannot lock the store: " + e);
        } catch (InterruptedException e) {
            closeQuietly(ch);
            local.unlock();
            Thread.currentThread().interrupt();
            throw busy();
        } catch (StoreException e) {
            closeQuietly(ch);
            local.unlock();
            throw e;
        }
    }

    @Override
    public void close() {
        try {
            fileLock.release();
        } catch (IOException e) {
            // Closing the channel below releases the lock as well.
        }
        closeQuietly(channel);
        local.unlock();
    }

    private static StoreException busy() {
        return new StoreException(Verdict.STORE_BUSY, "the store is held by another process");
    }

    private static void closeQuietly(FileChannel ch) {
        if (ch != null) {
            try {
                ch.close();
            } catch (IOException e) {
                // nothing to do
            }
        }
    }
}
