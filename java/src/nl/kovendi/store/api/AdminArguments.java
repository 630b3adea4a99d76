package nl.kovendi.store.api;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/** The words of a kovendi-store command line, checked the same way for every kind of store. */
public final class AdminArguments {
    /** The client operations that a fault rule may name. */
    private static final List<String> OPERATIONS = List.of("API_open", "API_sendMsg",
            "API_getMsg", "API_delMsg", "API_listMbxInNext", "API_changeNetworkPwd",
            "API_aliasToOrname", "API_close");

    private AdminArguments() {
    }

    public static void need(List<String> rest, int min, int max, String usage)
            throws UsageException {
        if (rest.size() < min || rest.size() > max) {
            throw new UsageException("usage: kovendi-store " + usage);
        }
    }

    /** A mailbox as the command line describes it. */
    public record MailboxDefinition(String user, String password, String freeForm,
            OrAddress address) {
    }

    /** A mailbox's own address and free-form name (null when not given) from KEY=VALUE words. */
    public static final class AddressDefinition {
        public final OrAddress address = new OrAddress();
        public String freeForm;
    }

    /** USER PASSWORD [KEY=VALUE ...] of add-mailbox, checked. */
    public static MailboxDefinition mailboxDefinition(List<String> args) throws UsageException {
        String user = args.get(0);
        String password = args.get(1);
        if (!user.matches("[A-Za-z0-9_.-]{1," + Limits.USER_WIDTH + "}")) {
            throw new UsageException("user name \"" + user + "\": 1 to " + Limits.USER_WIDTH
                    + " letters, digits, \"_\", \".\" or \"-\"");
        }
        checkPassword(password);
        AddressDefinition a = addressDefinition(args.subList(2, args.size()));
        return new MailboxDefinition(user, password, a.freeForm != null ? a.freeForm
                : defaultFreeForm(user, a.address), a.address);
    }

    /** The KEY=VALUE words of add-mailbox and set-address, checked. */
    public static AddressDefinition addressDefinition(List<String> words) throws UsageException {
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
                if (value.length() > Limits.FFN_WIDTH) {
                    throw new UsageException("FFN longer than " + Limits.FFN_WIDTH
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

    public static void checkPassword(String password) throws UsageException {
        try {
            Limits.checkPassword(password);
        } catch (StoreException e) {
            throw new UsageException(e.getMessage());
        }
    }

    public static void checkName(String what, String name) throws UsageException {
        if (name.trim().isEmpty() || name.length() > Limits.NAME_WIDTH
                || name.chars().anyMatch(c -> c < 32 || c == 127 || c == '|')) {
            throw new UsageException(what + " \"" + name + "\": 1 to " + Limits.NAME_WIDTH
                    + " printable characters");
        }
    }

    public static String operation(String op) throws UsageException {
        if (!OPERATIONS.contains(op)) {
            throw new UsageException("unknown operation \"" + op + "\" (one of "
                    + String.join(" ", OPERATIONS) + ")");
        }
        return op;
    }

    /** The rule of "fault DIR OPERATION ...". */
    public static Faults.Rule faultRule(List<String> a) throws UsageException {
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

    private static String defaultFreeForm(String user, OrAddress a) {
        String name = (a.get("GIV") + " " + a.get("SUR")).trim();
        if (name.isEmpty()) {
            name = user;
        }
        return name.length() > Limits.FFN_WIDTH ? name.substring(0, Limits.FFN_WIDTH) : name;
    }
}
