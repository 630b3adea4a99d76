package nl.kovendi.store.pg;

import java.sql.SQLException;
import java.sql.Statement;
import java.util.concurrent.ExecutionException;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.TimeoutException;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.StopCheck;
import nl.kovendi.store.api.StoreException;

/**
 * Runs the database work of one session on a thread of its own, so that the calling thread keeps
 * asking whether the user stopped ({@link StopCheck}) while a statement runs or waits in the
 * server. A stop cancels the statement in progress; the server rolls its transaction back, and the
 * call ends with {@link Verdict#STOPPED_BY_USER}. A statement that completed before the cancel took
 * effect keeps its result.
 */
final class PgCalls {
    private final ExecutorService worker = Executors.newSingleThreadExecutor(r -> {
        Thread t = new Thread(r, "kovendi-postgresql");
        t.setDaemon(true);
        return t;
    });
    private volatile Statement current;

    /** Work on the session's thread. */
    interface Work<T> {
        T run() throws Exception;
    }

    /** Notes the statement that work is about to execute, the one a stop cancels. */
    <S extends Statement> S track(S statement) {
        current = statement;
        return statement;
    }

    /** Runs {@code action}; a stoppable call is cancelled when the user stops. */
    <T> T run(String what, boolean stoppable, PgErrors.Action<T> action) throws StoreException {
        Future<T> f = worker.submit(() -> {
            try {
                return PgErrors.call(what, action);
            } finally {
                current = null;
            }
        });
        return await(f, stoppable, this::cancelStatement);
    }

    /**
     * Runs the connection of a session; a stop abandons it (a connection that is made afterwards
     * is closed at once).
     */
    <T extends AutoCloseable> T connect(Work<T> work) throws StoreException {
        Future<T> f = worker.submit(work::run);
        try {
            return await(f, true, () -> { });
        } catch (StoreException e) {
            if (e.verdict() == Verdict.STOPPED_BY_USER) {
                worker.submit(() -> {
                    try {
                        f.get().close();
                    } catch (Exception gone) {
                        // nothing to close
                    }
                });
            }
            throw e;
        }
    }

    private <T> T await(Future<T> f, boolean stoppable, Runnable cancel) throws StoreException {
        boolean cancelled = false;
        while (true) {
            try {
                return f.get(StopCheck.INTERVAL_MILLIS, TimeUnit.MILLISECONDS);
            } catch (TimeoutException e) {
                if (stoppable && !cancelled && StopCheck.stopRequested()) {
                    cancelled = true;
                    cancel.run();
                    if (f.cancel(false)) {
                        throw stopped();
                    }
                }
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                cancel.run();
                throw stopped();
            } catch (ExecutionException e) {
                throw failure(e.getCause(), cancelled);
            }
        }
    }

    private static StoreException failure(Throwable cause, boolean cancelled) {
        if (cancelled) {
            return stopped();
        }
        if (cause instanceof StoreException) {
            return (StoreException) cause;
        }
        if (cause instanceof RuntimeException) {
            throw (RuntimeException) cause;
        }
        if (cause instanceof Error) {
            throw (Error) cause;
        }
        return new StoreException(Verdict.CONNECTION_LOST, String.valueOf(cause), cause);
    }

    private static StoreException stopped() {
        return new StoreException(Verdict.STOPPED_BY_USER, "stopped by the user");
    }

    private void cancelStatement() {
        Statement st = current;
        if (st != null) {
            try {
                st.cancel();
            } catch (SQLException e) {
                // the statement ended meanwhile
            }
        }
    }

    /** Ends the session's thread. */
    void close() {
        worker.shutdown();
    }
}
