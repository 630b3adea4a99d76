package nl.kovendi.store.embedded;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.Properties;
import java.util.TreeMap;

import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.NameKeys;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.PasswordHash;

/**
 * The store's directory of mailboxes, aliases and distribution lists, kept in one properties file.
 * Names are looked up without regard to letter case; each keeps the spelling it was created with.
 */
public final class Directory {
    static final String FILE = "directory.properties";

    /** One mailbox: its log-in name, number, password hash, free-form name and own address. */
    public static final class Mailbox {
        public final String user;
        public final long id;
        String passwordHash;
        public final String freeFormName;
        public final OrAddress address;

        Mailbox(String user, long id, String passwordHash, String freeFormName, OrAddress address) {
            this.user = user;
            this.id = id;
            this.passwordHash = passwordHash;
            this.freeFormName = freeFormName;
            this.address = address;
        }

        public String key() {
            return NameKeys.keyOf(user);
        }

        /** The password hash as the directory keeps it. */
        public String passwordHash() {
            return passwordHash;
        }
    }

    private final Map<String, Mailbox> mailboxes = new TreeMap<>();
    /** alias key -> {alias as written, mailbox key} */
    private final Map<String, String[]> aliases = new TreeMap<>();
    /** list key -> {list as written, member mailbox keys...} */
    private final Map<String, String[]> lists = new TreeMap<>();

    public Mailbox mailbox(String user) {
        return user == null ? null : mailboxes.get(NameKeys.keyOf(user));
    }

    public List<Mailbox> mailboxes() {
        return new ArrayList<>(mailboxes.values());
    }

    /** The mailbox an alias names, or null. */
    public Mailbox aliasTarget(String alias) {
        String[] a = alias == null ? null : aliases.get(NameKeys.keyOf(alias));
        return a == null ? null : mailboxes.get(a[1]);
    }

    /** The member mailboxes of a list in their order, or null for an unknown list. */
    public List<Mailbox> listMembers(String list) {
        String[] l = list == null ? null : lists.get(NameKeys.keyOf(list));
        if (l == null) {
            return null;
        }
        List<Mailbox> members = new ArrayList<>();
        for (int i = 1; i < l.length; i++) {
            Mailbox m = mailboxes.get(l[i]);
            if (m != null) {
                members.add(m);
            }
        }
        return members;
    }

    public Map<String, String[]> aliases() {
        return aliases;
    }

    public Map<String, String[]> lists() {
        return lists;
    }

    /** Mailboxes whose own address receives {@code given}. */
    public List<Mailbox> mailboxesReceiving(OrAddress given) {
        List<Mailbox> found = new ArrayList<>();
        for (Mailbox m : mailboxes.values()) {
            if (m.address.receives(given)) {
                found.add(m);
            }
        }
        return found;
    }

    Mailbox addMailbox(String user, long id, String password, String ffn, OrAddress address) {
        Mailbox m = new Mailbox(user, id, PasswordHash.create(password), ffn, address);
        mailboxes.put(m.key(), m);
        return m;
    }

    /** Adds a mailbox with a credential that is already stored form (an import). */
    Mailbox putMailbox(String user, long id, String credential, String ffn, OrAddress address) {
        Mailbox m = new Mailbox(user, id, credential, ffn, address);
        mailboxes.put(m.key(), m);
        return m;
    }

    /**
     * Removes a mailbox with the aliases that name it and its place in every list; a list left
     * without members goes too. Answers the names of the aliases and lists removed.
     */
    List<String> removeMailbox(Mailbox m) {
        List<String> gone = new ArrayList<>();
        mailboxes.remove(m.key());
        aliases.values().removeIf(a -> a[1].equals(m.key()) && gone.add("alias " + a[0]));
        for (Map.Entry<String, String[]> l : new ArrayList<>(lists.entrySet())) {
            List<String> rest = new ArrayList<>(java.util.Arrays.asList(l.getValue()));
            rest.subList(1, rest.size()).remove(m.key());
            if (rest.size() == 1) {
                lists.remove(l.getKey());
                gone.add("list " + rest.get(0));
            } else {
                lists.put(l.getKey(), rest.toArray(new String[0]));
            }
        }
        return gone;
    }

    boolean nameTaken(String name) {
        String k = NameKeys.keyOf(name);
        return aliases.containsKey(k) || lists.containsKey(k);
    }

    void addAlias(String alias, Mailbox target) {
        aliases.put(NameKeys.keyOf(alias), new String[] {alias, target.key()});
    }

    void addList(String list, List<Mailbox> members) {
        String[] l = new String[members.size() + 1];
        l[0] = list;
        for (int i = 0; i < members.size(); i++) {
            l[i + 1] = members.get(i).key();
        }
        lists.put(NameKeys.keyOf(list), l);
    }

    static Directory load(Path storeDir) throws IOException {
        Directory d = new Directory();
        Path file = storeDir.resolve(FILE);
        if (!Files.exists(file)) {
            throw new java.nio.file.NoSuchFileException(file.toString());
        }
        Properties p = AtomicFiles.readProperties(file);
        for (String user : split(p.getProperty("mailboxes", ""))) {
            String pre = "mailbox." + user + ".";
            long id = Long.parseLong(p.getProperty(pre + "id", "0"));
            Mailbox m = new Mailbox(user, id, p.getProperty(pre + "password"),
                    p.getProperty(pre + "ffn", ""), OrAddress.load(p, pre + "addr."));
            d.mailboxes.put(m.key(), m);
        }
        int aliasCount = Integer.parseInt(p.getProperty("aliases", "0"));
        for (int i = 0; i < aliasCount; i++) {
            String name = p.getProperty("alias." + i + ".name");
            String target = p.getProperty("alias." + i + ".mailbox");
            d.aliases.put(NameKeys.keyOf(name), new String[] {name, target});
        }
        int listCount = Integer.parseInt(p.getProperty("lists", "0"));
        for (int i = 0; i < listCount; i++) {
            List<String> l = new ArrayList<>();
            l.add(p.getProperty("list." + i + ".name"));
            l.addAll(split(p.getProperty("list." + i + ".members", "")));
            d.lists.put(NameKeys.keyOf(l.get(0)), l.toArray(new String[0]));
        }
        return d;
    }

    void save(Path storeDir) throws IOException {
        Properties p = new Properties();
        List<String> users = new ArrayList<>();
        for (Mailbox m : mailboxes.values()) {
            users.add(m.user);
            String pre = "mailbox." + m.user + ".";
            p.setProperty(pre + "id", Long.toString(m.id));
            p.setProperty(pre + "password", m.passwordHash);
            p.setProperty(pre + "ffn", m.freeFormName);
            m.address.store(p, pre + "addr.");
        }
        p.setProperty("mailboxes", String.join(",", users));
        int i = 0;
        for (String[] a : aliases.values()) {
            p.setProperty("alias." + i + ".name", a[0]);
            p.setProperty("alias." + i + ".mailbox", a[1]);
            i++;
        }
        p.setProperty("aliases", Integer.toString(i));
        i = 0;
        for (String[] l : lists.values()) {
            p.setProperty("list." + i + ".name", l[0]);
            p.setProperty("list." + i + ".members",
                    String.join(",", java.util.Arrays.asList(l).subList(1, l.length)));
            i++;
        }
        p.setProperty("lists", Integer.toString(i));
        AtomicFiles.writeProperties(storeDir.resolve(FILE), p);
    }

    private static List<String> split(String s) {
        List<String> out = new ArrayList<>();
        for (String part : s.split(",")) {
            if (!part.isEmpty()) {
                out.add(part);
            }
        }
        return out;
    }
}
