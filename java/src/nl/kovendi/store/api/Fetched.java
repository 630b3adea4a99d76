package nl.kovendi.store.api;

import java.util.List;

/** What a fetch returns: the item and the names of its received files. */
public final class Fetched {
    public final Entry entry;
    public final List<String> fileNames;

    public Fetched(Entry entry, List<String> fileNames) {
        this.entry = entry;
        this.fileNames = fileNames;
    }
}
