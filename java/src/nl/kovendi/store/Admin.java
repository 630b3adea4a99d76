package nl.kovendi.store;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.Charset;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import java.util.Map;

import nl.kovendi.Verdict;

/**
 * The administration command of the message store, {@code kovendi-store}:
 *
 * <pre>
 * kovendi-store init DIR
 * kovendi-store add-mailbox DIR USER PASSWORD [KEY=VALUE ...]
 *     KEY: COU ADM PMD ORG OUA OUB OUC OUD SUR GIV INI GQU DTA DVA DTB DVB DTC DVC DTD DVD
 *     (the mailbox's own O/R address) or FFN (its free-form name; default GIV SUR, or USER)
 * kovendi-store set-password DIR USER PASSWORD
 * kovendi-store add-alias DIR ALIAS USER
 * kovendi-store add-list DIR LIST USER...
 * kovendi-store list DIR
 * kovendi-store show DIR USER
 * kovendi-store fault DIR OPERATION VERDICT [COUNT]
 * kovendi-store fault DIR OPERATION delay SECONDS [fail VERDICT] [COUNT]
 * kovendi-store faults DIR
 * kovendi-store clear-faults DIR [OPERATION]
 * kovendi-store remove-mailbox | set-address | status | export | import | check ...
 * </pre>
 *
 * (see {@link AdminCommands}). In place of a PASSWORD, "-" reads it from standard input and
 * "--password-file FILE" from a file ({@link PasswordInput}).
 *
 * Relative directories resolve against the current directory. Exit status 0 on success;
 * otherwise 1 (2 for a usage error) with a one-line reason on standard error.
 */
public final class Admin {
    static final List<String> OPERATIONS = List.of("API_open", "API_sendMsg", "API_getMsg",
            "API_delMsg", "API_listMbxInNext", "API_changeNetworkPwd", "API_aliasToOrname",
            "API_close");

    /** A refusal of the command line itself. */
    static final class UsageException extends Exception {
        private static final long serialVersionUID = 1L;

        UsageException(String message) {
            super(message);
        }
    }

    private final PrintStream out;

    Admin(PrintStream out) {
        this.out = out;
    }

    public static void main(String[] args) {
        PrintStream out = new PrintStream(System.out, true, Charset.defaultCharset());
        int status;
        try {
            new Admin(out).run(args);
            status = 0;
        } catch (UsageException e) {
            System.err.println("kovendi-store: " + e.getMessage());
            status = 2;
        } catch (StoreException e) {
            System.err.println("kovendi-store: " + e.getMessage());
            status = 1;
        } catch (RuntimeException | IOException e) {
            System.err.println("kovendi-store: " + e);
            status = 1;
        }
        out.flush();
        System.exit(status);
    }

    void run(String[] args) throws UsageException, StoreException, IOException {
        if (args.length == 1 && args[0].equals("--help")) {
            out.print(AdminHelp.TEXT);
            return;
        }
        if (args.length == 1 && args[0].equals("--version")) {
            String version = Admin.class.getPackage().getImplementationVersion();
            out.println("kovendi-store " + (version == null ? "(unknown version)" : version));
            return;
        }
        if (args.length < 2) {
            throw new UsageException("usage: kovendi-store COMMAND STORE ... (commands: init,"
                    + " add-mailbox, set-password, add-alias, add-list, list, show, remove-mailbox,"
                    + " set-address, status, check, export, import, fault, faults, clear-faults;"
                    + " kovendi-store --help)");
        }
        List<String> rest = new PasswordInput(System.in, System.err).resolve(args[0],
                Arrays.asList(args).subList(2, args.length));
        if (PgAdmin.isServiceUrl(args[1])) {
            new PgAdmin(out, args[1]).run(args[0], rest);
            return;
        }
        Path dir = Paths.get(args[1]).toAbsolutePath();
        switch (args[0]) {
            case "init":
                need(rest, 0, 0, "init DIR");
                Store.create(dir);
                break;
            case "add-mailbox":
                need(rest, 2, Integer.MAX_VALUE, "add-mailbox DIR USER PASSWORD [KEY=VALUE ...]");
                addMailbox(Store.open(dir), rest);
                break;
            case "set-password":
                need(rest, 2, 2, "set-password DIR USER PASSWORD");
                setPassword(Store.open(dir), rest.get(0), rest.get(1));
                break;
            case "add-alias":
                need(rest, 2, 2, "add-alias DIR ALIAS USER");
                addAlias(Store.open(dir), rest.get(0), rest.get(1));
                break;
            case "add-list":
                need(rest, 2, Integer.MAX_VALUE, "add-list DIR LIST USER...");
                addList(Store.open(dir), rest.get(0), rest.subList(1, rest.size()));
                break;
            case "list":
                need(rest, 0, 0, "list DIR");
                listDirectory(Store.open(dir));
                break;
            case "show":
                need(rest, 1, 1, "show DIR USER");
                show(Store.open(dir), rest.get(0));
                break;
            case "fault":
                need(rest, 2, 6, "fault DIR OPERATION VERDICT [COUNT] | fault DIR OPERATION"
                        + " delay SECONDS [fail VERDICT] [COUNT]");
                Faults.add(Store.open(dir), faultRule(rest));
                break;
            case "faults":
                need(rest, 0, 0, "faults DIR");
                Store s = Store.open(dir);
                for (Faults.Rule r : s.locked(() -> Faults.read(s.dir()))) {
                    out.println(r);
                }
                break;
            case "clear-faults":
                need(rest, 0, 1, "clear-faults DIR [OPERATION]");
                Faults.clear(Store.open(dir), rest.isEmpty() ? null : operation(rest.get(0)));
                break;
            default:
                if (!AdminCommands.runOnDirectory(out, dir, args[0], rest)) {
                    throw new UsageException("unknown command \"" + args[0] + "\"");
                }
        }
    }

    static void need(List<String> rest, int min, int max, String usage)
            throws UsageException {
        if (rest.size() < min || rest.size() > max) {
            throw new UsageException("usage: kovendi-store " + usage);
        }
    }

    /** A mailbox as the command line describes it. */
    static final class MailboxDefinition {
        final String user;
        final String password;
        final String freeForm;
        final OrAddress address;

        MailboxDefinition(String user, String password, String freeForm, OrAddress address) {
            this.user = user;
            this.password = password;
            this.freeForm = freeForm;
            this.address = address;
        }
    }

    /** A mailbox's own address and free-form name (null when not given) from KEY=VALUE words. */
    static final class AddressDefinition {
        final OrAddress address = new OrAddress();
        String freeForm;
    }

    /** USER PASSWORD [KEY=VALUE ...] of add-mailbox, checked. */
    static MailboxDefinition mailboxDefinition(List<String> args) throws UsageException {
        String user = args.get(0);
        String password = args.get(1);
        if (!user.matches("[A-Za-z0-9_.-]{1," + Directory.USER_WIDTH + "}")) {
            throw new UsageException("user name \"" + user + "\": 1 to " + Directory.USER_WIDTH
                    + " letters, digits, \"_\", \".\" or \"-\"");
        }
        checkPassword(password);
        AddressDefinition a = addressDefinition(args.subList(2, args.size()));
        return new MailboxDefinition(user, password, a.freeForm != null ? a.freeForm
                : defaultFreeForm(user, a.address), a.address);
    }

    /** The KEY=VALUE words of add-mailbox and set-address, checked. */
    static AddressDefinition addressDefinition(List<String> words) throws UsageException {
        AddressDefinition def = new AddressDefinition();
        OrAddress address = def.address;
        String ffn = null;
        for (String kv : words) {
            int eq = kv.indexOf('=');
            if (eq < 1) {
                throw new UsageException("\"" + kv + "\" is not KEY=VALUE");
            }
            String key = kv.substring(0, eq).toUpperCase(Locale.ROOT);
            String value = kv.substring(eq + 1);
            if (key.equals("FFN")) {
                if (value.length() > Directory.FFN_WIDTH) {
                    throw new UsageException("FFN longer than " + Directory.FFN_WIDTH
                            + " characters");
                }
                ffn = value;
            } else if (OrAddress.isKey(key)) {
                try {
                    address.set(key, value);
                } catch (IllegalArgumentException e) {
                    throw new UsageException(e.getMessage());
                }
            } else {
                throw new UsageException("unknown key \"" + key + "\" (address keywords "
                        + String.join(" ", OrAddress.keys()) + ", or FFN)");
            }
        }
        if (address.isBlank()) {
            throw new UsageException("a mailbox needs its own O/R address (for instance COU=NL"
                    + " ADM=... SUR=...)");
        }
        def.freeForm = ffn;
        return def;
    }

    static void checkPassword(String password) throws UsageException {
        try {
            MailService.checkPassword(password);
        } catch (StoreException e) {
            throw new UsageException(e.getMessage());
        }
    }

    private static void addMailbox(Store store, List<String> args)
            throws UsageException, StoreException {
        MailboxDefinition mailbox = mailboxDefinition(args);
        String user = mailbox.user;
        String password = mailbox.password;
        OrAddress address = mailbox.address;
        String freeForm = mailbox.freeForm;
        store.locked(() -> {
            Directory d = store.directory();
            if (d.mailbox(user) != null) {
                throw new StoreException(Verdict.NOT_ALLOWED, "mailbox " + user
                        + " already exists");
            }
            for (Directory.Mailbox m : d.mailboxes()) {
                if (m.address.receives(address) && address.receives(m.address)) {
                    throw new StoreException(Verdict.NOT_ALLOWED, "mailbox " + m.user
                            + " already has the address " + address);
                }
            }
            long id = store.reserve("mailbox", 1);
            d.addMailbox(user, id, password, freeForm, address);
            d.save(store.dir());
            AtomicFiles.createDirectories(store.mailboxDir(Directory.keyOf(user)));
            return null;
        });
    }

    private static String defaultFreeForm(String user, OrAddress a) {
        String name = (a.get("GIV") + " " + a.get("SUR")).trim();
        if (name.isEmpty()) {
            name = user;
        }
        return name.length() > Directory.FFN_WIDTH ? name.substring(0, Directory.FFN_WIDTH) : name;
    }

    private static void setPassword(Store store, String user, String password)
            throws StoreException, UsageException {
        checkPassword(password);
        store.locked(() -> {
            Directory d = store.directory();
            Directory.Mailbox m = existing(d, user);
            m.passwordHash = PasswordHash.create(password);
            d.save(store.dir());
            return null;
        });
    }

    private static Directory.Mailbox existing(Directory d, String user) throws StoreException {
        Directory.Mailbox m = d.mailbox(user);
        if (m == null) {
            throw new StoreException(Verdict.INVALID_ARGUMENT, "no mailbox " + user);
        }
        return m;
    }

    static void checkName(String what, String name) throws UsageException {
        if (name.trim().isEmpty() || name.length() > Directory.NAME_WIDTH
                || name.chars().anyMatch(c -> c < 32 || c == 127 || c == '|')) {
            throw new UsageException(what + " \"" + name + "\": 1 to " + Directory.NAME_WIDTH
                    + " printable characters");
        }
    }

    private static void addAlias(Store store, String alias, String user)
            throws UsageException, StoreException {
        checkName("alias", alias);
        store.locked(() -> {
            Directory d = store.directory();
            Directory.Mailbox m = existing(d, user);
            if (d.nameTaken(alias)) {
                throw new StoreException(Verdict.NOT_ALLOWED, "the name " + alias
                        + " is already an alias or a list");
            }
            d.addAlias(alias, m);
            d.save(store.dir());
            return null;
        });
    }

    private static void addList(Store store, String list, List<String> users)
            throws UsageException, StoreException {
        checkName("list", list);
        store.locked(() -> {
            Directory d = store.directory();
            List<Directory.Mailbox> members = new ArrayList<>();
            for (String u : users) {
                Directory.Mailbox m = existing(d, u);
                if (!members.contains(m)) {
                    members.add(m);
                }
            }
            if (d.nameTaken(list)) {
                throw new StoreException(Verdict.NOT_ALLOWED, "the name " + list
                        + " is already an alias or a list");
            }
            d.addList(list, members);
            d.save(store.dir());
            return null;
        });
    }

    private void listDirectory(Store store) throws StoreException {
        Directory d = store.readDirectory();
        for (Directory.Mailbox m : d.mailboxes()) {
            out.println("mailbox " + m.user + " \"" + m.freeFormName + "\" " + m.address);
        }
        for (Map.Entry<String, String[]> a : d.aliases().entrySet()) {
            Directory.Mailbox m = d.mailbox(a.getValue()[1]);
            out.println("alias " + a.getValue()[0] + " -> " + (m == null ? "?" : m.user));
        }
        for (Map.Entry<String, String[]> l : d.lists().entrySet()) {
            List<String> members = new ArrayList<>();
            for (Directory.Mailbox m : d.listMembers(l.getValue()[0])) {
                members.add(m.user);
            }
            out.println("list " + l.getValue()[0] + " -> " + String.join(" ", members));
        }
    }

    /** One line per item: list identifier, type, access status, message identifier, subject. */
    private void show(Store store, String user) throws StoreException {
        List<String> lines = store.locked(() -> {
            Directory.Mailbox m = existing(store.directory(), user);
            List<String> out = new ArrayList<>();
            for (String id : store.listIds(m.key())) {
                Entry e = store.readEntry(m.key(), id);
                if (e == null) {
                    continue;
                }
                String type = e.type() == Entry.MESSAGE ? "MSG"
                        : e.type() == Entry.NOTIFICATION ? "NTF" : "RPT";
                String mid = e.ipMsgId().isEmpty() ? "-" : e.ipMsgId();
                out.add(id + " " + type + " " + (e.isRead() ? "READ" : "NEW") + " " + mid + " "
                        + e.subject());
            }
            return out;
        });
        for (String l : lines) {
            out.println(l.stripTrailing());
        }
    }

    static String operation(String op) throws UsageException {
        if (!OPERATIONS.contains(op)) {
            throw new UsageException("unknown operation \"" + op + "\" (one of "
                    + String.join(" ", OPERATIONS) + ")");
        }
        return op;
    }

    /** The rule of "fault DIR OPERATION ...". */
    static Faults.Rule faultRule(List<String> a) throws UsageException {
        String op = operation(a.get(0));
        List<String> words = new ArrayList<>();
        words.add(op);
        int i = 1;
        if (a.get(i).equalsIgnoreCase("delay")) {
            if (a.size() < 3) {
                throw new UsageException("delay needs SECONDS");
            }
            words.add("delay");
            words.add(a.get(2));
            i = 3;
            if (i < a.size() && a.get(i).equalsIgnoreCase("fail")) {
                if (i + 1 >= a.size()) {
                    throw new UsageException("fail needs VERDICT");
                }
                words.add("fail");
                words.add(a.get(i + 1));
                i += 2;
            }
        } else {
            words.add("fail");
            words.add(a.get(1));
            i = 2;
        }
        if (i < a.size()) {
            words.add("count");
            words.add(a.get(i++));
        }
        if (i < a.size()) {
            throw new UsageException("unexpected \"" + a.get(i) + "\"");
        }
        try {
            return Faults.parse(String.join(" ", words));
        } catch (IllegalArgumentException e) {
            throw new UsageException(e.getMessage());
        }
    }
}
