package nl.kovendi.store.embedded;

import java.io.IOException;
import java.nio.file.DirectoryStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.Instant;
import java.time.ZoneOffset;
import java.time.format.DateTimeFormatter;
import java.util.ArrayList;
import java.util.List;
import java.util.Properties;

import nl.kovendi.store.api.AtomicFiles;

/**
 * What the embedded store accepted from each mailbox: one small file per submission,
 * {@code sent/MAILBOX/YYYYMMDD/JOB.sent} with the message identifier, written by the job that
 * delivers the message (so it is there exactly when the submission is). A client whose run was
 * killed during a send asks it whether the message was accepted; the store itself never refuses
 * an identifier it has seen, since an application may send one again on purpose. Days older than
 * {@link #KEEP_DAYS} are removed at the next submission from that mailbox.
 */
final class SentLog {
    static final String DIR = "sent";
    static final int KEEP_DAYS = 90;
    private static final String SUFFIX = ".sent";
    private static final DateTimeFormatter DAY =
            DateTimeFormatter.ofPattern("yyyyMMdd").withZone(ZoneOffset.UTC);

    private SentLog() {
    }

    /** The file that records one submission, named after its job (which begins with the time). */
    static Path recordFile(Path store, String mailboxKey, String jobId, long millis) {
        return mailboxDir(store, mailboxKey).resolve(DAY.format(Instant.ofEpochMilli(millis)))
                .resolve(jobId + SUFFIX);
    }

    static Properties record(String ipMsgId, long millis) {
        Properties p = new Properties();
        p.setProperty("ipMsgId", ipMsgId == null ? "" : ipMsgId);
        p.setProperty("at", Long.toString(millis));
        return p;
    }

    /** Whether the mailbox submitted a message with exactly this identifier at or after the time. */
    static boolean acceptedSince(Path store, String mailboxKey, String ipMsgId, long sinceMillis)
            throws IOException {
        Path mbx = mailboxDir(store, mailboxKey);
        if (!Files.isDirectory(mbx)) {
            return false;
        }
        String firstDay = DAY.format(Instant.ofEpochMilli(sinceMillis));
        for (Path day : children(mbx)) {
            if (day.getFileName().toString().compareTo(firstDay) < 0) {
                continue;
            }
            for (Path f : children(day)) {
                if (!f.getFileName().toString().endsWith(SUFFIX)) {
                    continue;
                }
                Properties p = AtomicFiles.readProperties(f);
                long at = Long.parseLong(p.getProperty("at", "0"));
                if (at >= sinceMillis && p.getProperty("ipMsgId", "").equals(ipMsgId)) {
                    return true;
                }
            }
        }
        return false;
    }

    /** Removes the days of a mailbox that are older than {@link #KEEP_DAYS}. */
    static void prune(Path store, String mailboxKey, long nowMillis) throws IOException {
        Path mbx = mailboxDir(store, mailboxKey);
        if (!Files.isDirectory(mbx)) {
            return;
        }
        String oldest = DAY.format(Instant.ofEpochMilli(nowMillis).minusSeconds(KEEP_DAYS * 86400L));
        for (Path day : children(mbx)) {
            if (day.getFileName().toString().compareTo(oldest) >= 0) {
                continue;
            }
            for (Path f : children(day)) {
                Files.deleteIfExists(f);
            }
            Files.deleteIfExists(day);
        }
    }

    private static Path mailboxDir(Path store, String mailboxKey) {
        return store.resolve(DIR).resolve(mailboxKey);
    }

    private static List<Path> children(Path dir) throws IOException {
        List<Path> out = new ArrayList<>();
        try (DirectoryStream<Path> ds = Files.newDirectoryStream(dir)) {
            ds.forEach(out::add);
        }
        out.sort(null);
        return out;
    }
}
