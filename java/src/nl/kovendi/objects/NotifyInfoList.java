package nl.kovendi.objects;

import java.util.ArrayList;
import java.util.List;

/** The entries of a report, one per recipient. */
public class NotifyInfoList {
    private final List<NotifyInfo> entries = new ArrayList<>();

    public void addNotifyInfo(NotifyInfo n) { entries.add(n); }

    /** The entry at {@code index}, or null outside the list. */
    public NotifyInfo getNotifyInfo(int index) {
        return index >= 0 && index < entries.size() ? entries.get(index) : null;
    }

    public int size() { return entries.size(); }
}
