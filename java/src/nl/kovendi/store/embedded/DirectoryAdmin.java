package nl.kovendi.store.embedded;

import static nl.kovendi.store.api.AdminArguments.addressDefinition;
import static nl.kovendi.store.api.AdminArguments.checkName;
import static nl.kovendi.store.api.AdminArguments.checkPassword;
import static nl.kovendi.store.api.AdminArguments.faultRule;
import static nl.kovendi.store.api.AdminArguments.mailboxDefinition;
import static nl.kovendi.store.api.AdminArguments.need;
import static nl.kovendi.store.api.AdminArguments.operation;
import static nl.kovendi.store.api.AdminCommands.USAGE_ADDRESS;
import static nl.kovendi.store.api.AdminCommands.USAGE_CHECK;
import static nl.kovendi.store.api.AdminCommands.USAGE_EXPORT;
import static nl.kovendi.store.api.AdminCommands.USAGE_IMPORT;
import static nl.kovendi.store.api.AdminCommands.USAGE_REMOVE;
import static nl.kovendi.store.api.AdminCommands.USAGE_STATUS;
import static nl.kovendi.store.api.AdminCommands.check;
import static nl.kovendi.store.api.AdminCommands.readDump;
import static nl.kovendi.store.api.AdminCommands.report;
import static nl.kovendi.store.api.AdminCommands.writeDump;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.AdminArguments;
import nl.kovendi.store.api.AtomicFiles;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.Faults;
import nl.kovendi.store.api.MailboxCheck;
import nl.kovendi.store.api.NameKeys;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.PasswordHash;
import nl.kovendi.store.api.StoreAdmin;
import nl.kovendi.store.api.StoreException;
import nl.kovendi.store.api.UsageException;

/** The commands of kovendi-store on an embedded store in a directory. */
public final class DirectoryAdmin implements StoreAdmin {
    private final PrintStream out;
    private final Path dir;

    /** {@code dir}: the store's directory, absolute. */
    public DirectoryAdmin(PrintStream out, Path dir) {
        this.out = out;
        this.dir = dir;
    }

    @Override
    public void run(String command, List<String> rest)
            throws UsageException, StoreException, IOException {
        switch (command) {
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
                FaultFile.add(Store.open(dir), faultRule(rest));
                break;
            case "faults":
                need(rest, 0, 0, "faults DIR");
                Store s = Store.open(dir);
                for (Faults.Rule r : s.locked(() -> FaultFile.read(s.dir()))) {
                    out.println(r);
                }
                break;
            case "clear-faults":
                need(rest, 0, 1, "clear-faults DIR [OPERATION]");
                FaultFile.clear(Store.open(dir), rest.isEmpty() ? null : operation(rest.get(0)));
                break;
            default:
                if (!runSurvey(command, rest)) {
                    throw new UsageException("unknown command \"" + command + "\"");
                }
        }
    }

    /**
     * The commands that survey or move the whole store; false when the command is not one of
     * these. "check HOME" is not the store's: kovendi-store itself runs it.
     */
    private boolean runSurvey(String command, List<String> rest)
            throws UsageException, StoreException, IOException {
        switch (command) {
            case "remove-mailbox":
                need(rest, 1, 1, USAGE_REMOVE);
                EmbeddedAdmin.removeMailbox(Store.open(dir), rest.get(0))
                        .forEach(g -> out.println("removed " + g));
                return true;
            case "set-address": {
                need(rest, 2, Integer.MAX_VALUE, USAGE_ADDRESS);
                AdminArguments.AddressDefinition a =
                        addressDefinition(rest.subList(1, rest.size()));
                EmbeddedAdmin.setAddress(Store.open(dir), rest.get(0), a.address, a.freeForm);
                return true;
            }
            case "status":
                need(rest, 0, 0, USAGE_STATUS);
                EmbeddedAdmin.status(Store.open(dir), out);
                return true;
            case "export":
                need(rest, 0, 1, USAGE_EXPORT);
                writeDump(EmbeddedAdmin.export(Store.open(dir)), rest, out);
                return true;
            case "import":
                need(rest, 0, 1, USAGE_IMPORT);
                report(EmbeddedAdmin.importDump(Store.open(dir), readDump(rest)));
                return true;
            case "check":  // "check DIR" alone is "check HOME", which kovendi-store runs itself
                need(rest, 1, 2, USAGE_CHECK);
                return check(EmbeddedCheck.run(new MailboxCheck(out), dir, rest.get(0),
                        rest.size() > 1 ? rest.get(1) : null));
            default:
                return false;
        }
    }

    private static void addMailbox(Store store, List<String> args)
            throws UsageException, StoreException {
        AdminArguments.MailboxDefinition mailbox = mailboxDefinition(args);
        String user = mailbox.user();
        String password = mailbox.password();
        OrAddress address = mailbox.address();
        String freeForm = mailbox.freeForm();
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
            AtomicFiles.createDirectories(store.mailboxDir(NameKeys.keyOf(user)));
            return null;
        });
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

    /** Refuses a name that already names an alias or a list. */
    private static void checkNameFree(Directory d, String name) throws StoreException {
        if (d.nameTaken(name)) {
            throw new StoreException(Verdict.NOT_ALLOWED, "the name " + name
                    + " is already an alias or a list");
        }
    }

    private static void addAlias(Store store, String alias, String user)
            throws UsageException, StoreException {
        checkName("alias", alias);
        store.locked(() -> {
            Directory d = store.directory();
            Directory.Mailbox m = existing(d, user);
            checkNameFree(d, alias);
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
            checkNameFree(d, list);
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
}
