package nl.kovendi.store.api;

import nl.kovendi.Verdict;

/**
 * Lets the user stop an operation that waits: the client installs a check for the calling thread
 * while one of its operations runs, and everything that waits (for the store's lock, an injected
 * delay) asks it at least every {@link #INTERVAL_MILLIS} ms. A stop ends the operation with
 * {@link Verdict#STOPPED_BY_USER}, always before it changed anything.
 */
public final class StopCheck {
    /** The longest time between two questions while waiting. */
    public static final long INTERVAL_MILLIS = 100;

    /** Answers whether the user asked to stop. */
    public interface Question {
        boolean stopRequested();
    }

    private static final ThreadLocal<Question> CURRENT = new ThreadLocal<>();

    private StopCheck() {
    }

    /** Work done while {@code question} is asked. */
    public interface Action<T> {
        T run() throws StoreException;
    }

    /** Runs {@code action} with {@code question} as the stop check of this thread. */
    public static <T> T during(Question question, Action<T> action) throws StoreException {
        Question before = CURRENT.get();
        CURRENT.set(question);
        try {
            return action.run();
        } finally {
            if (before == null) {
                CURRENT.remove();
            } else {
                CURRENT.set(before);
            }
        }
    }

    /** Throws {@link Verdict#STOPPED_BY_USER} when the user asked to stop. */
    public static void poll() throws StoreException {
        if (stopRequested()) {
            throw new StoreException(Verdict.STOPPED_BY_USER, "stopped by the user");
        }
    }

    /** Whether the user asked to stop the operation of this thread. */
    public static boolean stopRequested() {
        Question q = CURRENT.get();
        return q != null && q.stopRequested();
    }

    /** Waits {@code millis} ms, asking the stop check in between. */
    public static void pause(long millis) throws StoreException {
        long end = System.currentTimeMillis() + millis;
        while (true) {
            poll();
            long left = end - System.currentTimeMillis();
            if (left <= 0) {
                return;
            }
            try {
                Thread.sleep(Math.min(INTERVAL_MILLIS, left));
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                throw new StoreException(Verdict.STOPPED_BY_USER, "interrupted");
            }
        }
    }
}
