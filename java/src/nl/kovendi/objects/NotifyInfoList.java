package nl.kovendi.objects;

/** The entries of a report, one per recipient. */
public class NotifyInfoList extends EntryList<NotifyInfo> {
    public void addNotifyInfo(NotifyInfo n) { add(n); }

    /** The entry at {@code index}, or null outside the list. */
    public NotifyInfo getNotifyInfo(int index) { return at(index); }
}
