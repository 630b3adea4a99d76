package nl.kovendi.store.api;

import java.io.IOException;
import java.util.List;

/** The commands of kovendi-store on one store, whichever kind of store it is. */
public interface StoreAdmin {
    /**
     * Runs {@code command} with the words that follow the store's name on the command line;
     * UsageException for an unknown command or words that do not fit it.
     */
    void run(String command, List<String> rest)
            throws UsageException, StoreException, IOException;
}
