package nl.kovendi.store.api;

import java.time.LocalDateTime;
import java.time.ZoneOffset;
import java.util.TimeZone;

/**
 * The local date and time, as {@link LocalDateTime#now()} gives it, taken from the time zone's
 * offset at this moment: the first use of java.time's zone rules looks through every jar on the
 * class path for rule providers, which costs a run of a second more than all its own work.
 */
public final class LocalClock {
    private LocalClock() {
    }

    public static LocalDateTime now() {
        long millis = System.currentTimeMillis();
        int offsetSeconds = TimeZone.getDefault().getOffset(millis) / 1000;
        return LocalDateTime.ofEpochSecond(Math.floorDiv(millis, 1000L),
                (int) Math.floorMod(millis, 1000L) * 1_000_000, ZoneOffset.ofTotalSeconds(offsetSeconds));
    }
}
