package nl.kovendi.store.api;

import java.util.Locale;

/** Names of mailboxes, aliases and lists are looked up without regard to letter case. */
public final class NameKeys {
    private NameKeys() {
    }

    /** The key under which a name is found. */
    public static String keyOf(String name) {
        return name.trim().toUpperCase(Locale.ROOT);
    }
}
