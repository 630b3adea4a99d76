package nl.kovendi.store.api;

import java.time.LocalDateTime;
import java.time.format.DateTimeFormatter;
import java.util.ArrayList;
import java.util.List;
import java.util.Properties;

/**
 * One item of a mailbox as it is kept on disk (a properties file): a message (type 1), a single
 * receipt or non-receipt notification (type 2) or a delivery report (type 3).
 */
public final class Entry implements Filter.Item {
    public static final int MESSAGE = 1;
    public static final int NOTIFICATION = 2;
    public static final int REPORT = 3;
    /** Access status values as the listing and the fetch report them. */
    public static final short ACCESS_NEW = 1;
    public static final short ACCESS_READ = 2;

    private static final DateTimeFormatter TEXT = DateTimeFormatter.ofPattern("dd/MM/yy-HH:mm");
    private static final DateTimeFormatter KEY = DateTimeFormatter.ofPattern("yyyyMMddHHmm");

    public final Properties p;

    public Entry(Properties p) {
        this.p = p;
    }

    public static Entry create(int type, String listId, LocalDateTime entryTime) {
        Entry e = new Entry(new Properties());
        e.p.setProperty("type", Integer.toString(type));
        e.p.setProperty("listId", listId);
        e.p.setProperty("entryTime", KEY.format(entryTime));
        e.p.setProperty("access", "NEW");
        return e;
    }

    /** A time in the form dd/mm/yy-hh:mm that the program's date conversion reads. */
    static String timeText(String key) {
        if (key == null || key.length() != 12) {
            return "";
        }
        return TEXT.format(LocalDateTime.parse(key, KEY));
    }

    public static String timeKey(LocalDateTime t) {
        return KEY.format(t);
    }

    public String get(String key) {
        return p.getProperty(key, "");
    }

    public void set(String key, String value) {
        p.setProperty(key, value == null ? "" : value);
    }

    public int getInt(String key) {
        try {
            return Integer.parseInt(p.getProperty(key, "0"));
        } catch (NumberFormatException e) {
            return 0;
        }
    }

    public void setInt(String key, long value) {
        p.setProperty(key, Long.toString(value));
    }

    public String listId() {
        return get("listId");
    }

    public int type() {
        return getInt("type");
    }

    public short accessStatus() {
        return isRead() ? ACCESS_READ : ACCESS_NEW;
    }

    public void markRead(LocalDateTime when) {
        set("access", "READ");
        set("readTime", KEY.format(when));
    }

    public String entryTimeText() {
        return timeText(get("entryTime"));
    }

    /** The originator's mailbox user, for notifications back to it. */
    public String originatorUser() {
        return get("orig.user");
    }

    public OrAddress originator() {
        return OrAddress.load(p, "orig.addr.");
    }

    /** The recipients listed in a delivered message. */
    public List<Party> recipients() {
        List<Party> out = new ArrayList<>();
        int n = getInt("rcpt.n");
        for (int i = 0; i < n; i++) {
            String pre = "rcpt." + i + ".";
            out.add(new Party(getInt(pre + "type"), get(pre + "ffn"),
                    OrAddress.load(p, pre + "addr.")));
        }
        return out;
    }

    public void setRecipients(List<Party> rcpts) {
        setInt("rcpt.n", rcpts.size());
        for (int i = 0; i < rcpts.size(); i++) {
            Party r = rcpts.get(i);
            String pre = "rcpt." + i + ".";
            setInt(pre + "type", r.kind());
            set(pre + "ffn", r.freeFormName());
            r.address().store(p, pre + "addr.");
        }
    }

    /** The notification entries of a notification (one) or a report. */
    public List<Notice> notices() {
        List<Notice> out = new ArrayList<>();
        int n = getInt("ntf.n");
        for (int i = 0; i < n; i++) {
            String pre = "ntf." + i + ".";
            out.add(new Notice(new Party(0, get(pre + "ffn"), OrAddress.load(p, pre + "addr.")),
                    getInt(pre + "notifyType"), get(pre + "time"), getInt(pre + "reason"),
                    getInt(pre + "diag")));
        }
        return out;
    }

    public void setNotices(List<Notice> notices, int total) {
        setInt("ntf.n", notices.size());
        setInt("ntf.total", total);
        for (int i = 0; i < notices.size(); i++) {
            Notice n = notices.get(i);
            String pre = "ntf." + i + ".";
            set(pre + "ffn", n.party.freeFormName());
            n.party.address().store(p, pre + "addr.");
            setInt(pre + "notifyType", n.notifyType);
            set(pre + "time", n.timeKey);
            setInt(pre + "reason", n.reason);
            setInt(pre + "diag", n.diagnostic);
        }
    }

    public int partCount() {
        return getInt("parts");
    }

    // Filter.Item

    @Override
    public int msgType() {
        return type();
    }

    @Override
    public boolean isRead() {
        return "READ".equals(get("access"));
    }

    @Override
    public String ipMsgId() {
        return get("ipMsgId");
    }

    @Override
    public String inReplyTo() {
        return get("inReplyTo");
    }

    @Override
    public String subject() {
        return get("subject");
    }

    @Override
    public String surName() {
        return type() == MESSAGE ? originator().get("SUR") : "";
    }

    @Override
    public OrAddress originatorAddress() {
        return type() == MESSAGE ? originator() : null;
    }

    @Override
    public String givenName() {
        return type() == MESSAGE ? originator().get("GIV") : "";
    }

    @Override
    public int priority() {
        return getInt("priority");
    }

    @Override
    public int sensitivity() {
        return getInt("sensitivity");
    }

    @Override
    public String entryKey() {
        return get("entryTime");
    }

    @Override
    public String readKey() {
        String k = get("readTime");
        return k.length() == 12 ? k : null;
    }

    /** A party of a message: recipient kind (0 for none), free-form name and full address. */
    public record Party(int kind, String freeFormName, OrAddress address) {
    }

    /** One notification entry: whom it concerns, what happened, when, and why not. */
    public static final class Notice {
        public final Party party;
        public final int notifyType;
        public final String timeKey;
        public final int reason;
        public final int diagnostic;

        public Notice(Party party, int notifyType, String timeKey, int reason, int diagnostic) {
            this.party = party;
            this.notifyType = notifyType;
            this.timeKey = timeKey;
            this.reason = reason;
            this.diagnostic = diagnostic;
        }
    }
}
