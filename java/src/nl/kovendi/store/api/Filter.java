package nl.kovendi.store.api;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

import nl.kovendi.Verdict;

/**
 * The selection language of the mailbox listing.
 *
 * <pre>
 * filter    := or-expr                       (an empty filter selects everything)
 * or-expr   := and-expr { "|" and-expr }
 * and-expr  := primary { "&" primary }       ("&" binds tighter than "|")
 * primary   := "(" or-expr ")" | criterion
 * criterion := FIELD OPERATOR value          OPERATOR: "=" equal, "!" not equal,
 *                                                      "<" before/less, ">" after/greater
 * </pre>
 *
 * Fields (names in any letter case):
 * <ul>
 * <li>MSG_TYPE: MSG, NTF or RPT; ACCESS_STATUS: NEW or READ; PRIORITY: NORMAL (1), NU_URG (2),
 * URGENT (3); SENSITIVITY: NO_CONF (1), CONF (2), PERSONEL (3), PRIVATE (4). Only "=" and "!".</li>
 * <li>IP_MSG_ID, IN_REP_TO, SUBJECT, SUR_NAME, GIV_NAME (the originator's names): text compared
 * without regard to letter case; with "=" and "!" the value is a pattern in which "*" stands for any
 * run of characters and "?" for any one character; "&lt;" and "&gt;" compare the texts.</li>
 * <li>MBX_ENTRY_D, READ_D with a date dd/mm/yy; MBX_ENTRY_DT, READ_DT with dd/mm/yy-hh or
 * dd/mm/yy-hh:mm. The item's time is compared at the precision of the value (years below 91 are
 * 20yy); an item that was never read fails every READ criterion except "!".</li>
 * <li>ORIGINATOR_OF with the list identifier of a message of the same mailbox, only "=": the
 * messages whose whole originator address equals that message's (every field, letter case and
 * surrounding blanks ignored). It matches nothing when there is no such message or its originator
 * address is empty. The program asks for it when a KILL message names a message to remove: only
 * the KILL's own originator may remove its messages.</li>
 * </ul>
 * A value runs from the operator to the next " &amp; " or " | " (an operator with a blank before it),
 * or to a ")" that closes a parenthesis opened before the criterion and is followed by the end, an
 * operator or another ")" (parentheses opened inside the value pair up within it); surrounding
 * blanks are ignored. Anything else is refused with {@link Verdict#FILTER_INVALID}.
 */
public final class Filter {
    /** What a filter examines of one mailbox item. */
    public interface Item {
        int msgType();

        boolean isRead();

        String ipMsgId();

        String inReplyTo();

        String subject();

        String surName();

        String givenName();

        int priority();

        int sensitivity();

        /** Entry time as yyyymmddhhmm, local time. */
        String entryKey();

        /** Time of the first fetch as yyyymmddhhmm, or null when never fetched. */
        String readKey();

        /** The whole originator address of a message; null when unknown. */
        default OrAddress originatorAddress() {
            return null;
        }
    }

    /** Finds the originator address of a message of the mailbox by its list identifier. */
    public interface OriginatorLookup {
        /** Null when the mailbox holds no message with that list identifier. */
        OrAddress originatorOf(String listId) throws StoreException;
    }

    private static final OriginatorLookup NO_LOOKUP = listId -> null;

    private interface Node {
        boolean test(Item item);
    }

    /** Reads one operand of an expression. */
    private interface Operand {
        Node read() throws StoreException;
    }

    private final Node root;

    private Filter(Node root) {
        this.root = root;
    }

    public boolean matches(Item item) {
        return root == null || root.test(item);
    }

    public static Filter parse(String text) throws StoreException {
        return parse(text, NO_LOOKUP);
    }

    /** The filter; ORIGINATOR_OF criteria are resolved with {@code lookup} as they are read. */
    public static Filter parse(String text, OriginatorLookup lookup) throws StoreException {
        Parser p = new Parser(text == null ? "" : text, lookup);
        p.skipBlanks();
        if (p.atEnd()) {
            return new Filter(null);
        }
        Node n = p.orExpr();
        p.skipBlanks();
        if (!p.atEnd()) {
            throw p.error("unexpected text");
        }
        return new Filter(n);
    }

    private static final class Parser {
        private final String s;
        private final OriginatorLookup lookup;
        private int pos;
        private int depth;

        Parser(String s, OriginatorLookup lookup) {
            this.s = s;
            this.lookup = lookup;
        }

        boolean atEnd() {
            return pos >= s.length();
        }

        void skipBlanks() {
            while (pos < s.length() && Character.isWhitespace(s.charAt(pos))) {
                pos++;
            }
        }

        StoreException error(String what) {
            return new StoreException(Verdict.FILTER_INVALID,
                    "filter invalid at position " + (pos + 1) + ": " + what);
        }

        Node orExpr() throws StoreException {
            List<Node> parts = operands('|', this::andExpr);
            return parts.size() == 1 ? parts.get(0)
                    : item -> parts.stream().anyMatch(n -> n.test(item));
        }

        Node andExpr() throws StoreException {
            List<Node> parts = operands('&', this::primary);
            return parts.size() == 1 ? parts.get(0)
                    : item -> parts.stream().allMatch(n -> n.test(item));
        }

        /** One or more operands that {@code operand} reads, joined by the operator {@code op}. */
        private List<Node> operands(char op, Operand operand) throws StoreException {
            List<Node> parts = new ArrayList<>();
            parts.add(operand.read());
            while (peekOperator(op)) {
                pos++;
                parts.add(operand.read());
            }
            return parts;
        }

        private boolean peekOperator(char op) {
            skipBlanks();
            return pos < s.length() && s.charAt(pos) == op;
        }

        Node primary() throws StoreException {
            skipBlanks();
            if (atEnd()) {
                throw error("criterion expected");
            }
            if (s.charAt(pos) == '(') {
                pos++;
                depth++;
                Node inner = orExpr();
                skipBlanks();
                if (atEnd() || s.charAt(pos) != ')') {
                    throw error("\")\" expected");
                }
                pos++;
                depth--;
                return inner;
            }
            return criterion();
        }

        Node criterion() throws StoreException {
            int start = pos;
            while (pos < s.length() && (Character.isLetterOrDigit(s.charAt(pos))
                    || s.charAt(pos) == '_')) {
                pos++;
            }
            String field = s.substring(start, pos).toUpperCase(Locale.ROOT);
            if (field.isEmpty()) {
                throw error("field name expected");
            }
            skipBlanks();
            if (atEnd() || "=!<>".indexOf(s.charAt(pos)) < 0) {
                throw error("operator expected after " + field);
            }
            char op = s.charAt(pos++);
            String value = value();
            return Criteria.make(field, op, value, this);
        }

        private String value() {
            int start = pos;
            int end = s.length();
            int own = 0;
            for (int i = pos; i < s.length(); i++) {
                char c = s.charAt(i);
                if ((c == '&' || c == '|') && i > start && Character.isWhitespace(s.charAt(i - 1))) {
                    end = i;
                    break;
                }
                if (c == '(') {
                    own++;
                } else if (c == ')' && own > 0) {
                    own--;
                } else if (c == ')' && depth > 0 && closesGroup(i + 1)) {
                    end = i;
                    break;
                }
            }
            pos = end;
            return s.substring(start, end).trim();
        }

        private boolean closesGroup(int after) {
            int i = after;
            while (i < s.length() && Character.isWhitespace(s.charAt(i))) {
                i++;
            }
            return i >= s.length() || "&|)".indexOf(s.charAt(i)) >= 0;
        }
    }

    /** Builds the test of one criterion. */
    private static final class Criteria {
        private static final String[] PRIORITIES = {"NORMAL", "NU_URG", "URGENT"};
        private static final String[] SENSITIVITIES = {"NO_CONF", "CONF", "PERSONEL", "PRIVATE"};

        static Node make(String field, char op, String value, Parser p) throws StoreException {
            switch (field) {
                case "MSG_TYPE": {
                    int code = codeOf(value, new String[] {"MSG", "NTF", "RPT"}, field, op, p);
                    return negate(op, item -> item.msgType() == code);
                }
                case "ACCESS_STATUS": {
                    int code = codeOf(value, new String[] {"NEW", "READ"}, field, op, p);
                    return negate(op, item -> item.isRead() == (code == 2));
                }
                case "PRIORITY": {
                    int code = codeOf(value, PRIORITIES, field, op, p);
                    return negate(op, item -> item.priority() == code);
                }
                case "SENSITIVITY": {
                    int code = codeOf(value, SENSITIVITIES, field, op, p);
                    return negate(op, item -> item.sensitivity() == code);
                }
                case "IP_MSG_ID":
                    return text(op, value, Item::ipMsgId);
                case "IN_REP_TO":
                    return text(op, value, Item::inReplyTo);
                case "SUBJECT":
                    return text(op, value, Item::subject);
                case "SUR_NAME":
                    return text(op, value, Item::surName);
                case "GIV_NAME":
                    return text(op, value, Item::givenName);
                case "MBX_ENTRY_D":
                    return date(op, dateKey(value, false, p), Item::entryKey);
                case "MBX_ENTRY_DT":
                    return date(op, dateKey(value, true, p), Item::entryKey);
                case "READ_D":
                    return date(op, dateKey(value, false, p), Item::readKey);
                case "READ_DT":
                    return date(op, dateKey(value, true, p), Item::readKey);
                case "ORIGINATOR_OF": {
                    if (op != '=') {
                        throw p.error("operator " + op + " not allowed for " + field);
                    }
                    OrAddress wanted = p.lookup.originatorOf(value);
                    if (wanted == null || wanted.isBlank()) {
                        return item -> false;
                    }
                    return item -> item.msgType() == 1 && wanted.sameAs(item.originatorAddress());
                }
                default:
                    throw p.error("unknown field " + field);
            }
        }

        private static Node negate(char op, Node n) {
            return op == '!' ? item -> !n.test(item) : n;
        }

        /** The 1-based code of an enumerated value; only "=" and "!" apply. */
        private static int codeOf(String value, String[] names, String field, char op, Parser p)
                throws StoreException {
            if (op != '=' && op != '!') {
                throw p.error("operator " + op + " not allowed for " + field);
            }
            for (int i = 0; i < names.length; i++) {
                if (names[i].equalsIgnoreCase(value)) {
                    return i + 1;
                }
            }
            throw p.error("unknown value \"" + value + "\" for " + field);
        }

        private static Node text(char op, String value, java.util.function.Function<Item, String> f) {
            String want = value.toUpperCase(Locale.ROOT);
            switch (op) {
                case '=':
                    return item -> Wildcard.matches(want, up(f.apply(item)));
                case '!':
                    return item -> !Wildcard.matches(want, up(f.apply(item)));
                case '<':
                    return item -> up(f.apply(item)).compareTo(want) < 0;
                default:
                    return item -> up(f.apply(item)).compareTo(want) > 0;
            }
        }

        private static String up(String s) {
            return s == null ? "" : s.toUpperCase(Locale.ROOT);
        }

        private static Node date(char op, String key, java.util.function.Function<Item, String> f) {
            int n = key.length();
            return item -> {
                String have = f.apply(item);
                if (have == null) {
                    return op == '!';
                }
                int c = have.substring(0, n).compareTo(key);
                switch (op) {
                    case '=': return c == 0;
                    case '!': return c != 0;
                    case '<': return c < 0;
                    default: return c > 0;
                }
            };
        }

        /**
         * The comparison key yyyymmdd[hh[mm]] of a date value dd/mm/yy, with -hh and :mm for the
         * date-and-time fields. The digits are taken as written (a shortened date padded with 9
         * or 0 by the program stays comparable).
         */
        private static String dateKey(String v, boolean withTime, Parser p) throws StoreException {
            boolean ok = v.length() >= 8 && digits(v, 0, 2) && v.charAt(2) == '/'
                    && digits(v, 3, 5) && v.charAt(5) == '/' && digits(v, 6, 8);
            if (ok && !withTime) {
                ok = v.length() == 8;
            } else if (ok) {
                ok = (v.length() == 11 || v.length() == 14) && v.charAt(8) == '-'
                        && digits(v, 9, 11)
                        && (v.length() == 11 || (v.charAt(11) == ':' && digits(v, 12, 14)));
            }
            if (!ok) {
                throw p.error("date value \"" + v + "\" not in the form dd/mm/yy"
                        + (withTime ? "-hh[:mm]" : ""));
            }
            int yy = Integer.parseInt(v.substring(6, 8));
            String key = (yy < 91 ? "20" : "19") + v.substring(6, 8) + v.substring(3, 5)
                    + v.substring(0, 2);
            if (withTime) {
                key += v.substring(9, 11);
                if (v.length() == 14) {
                    key += v.substring(12, 14);
                }
            }
            return key;
        }

        private static boolean digits(String v, int from, int to) {
            for (int i = from; i < to; i++) {
                if (v.charAt(i) < '0' || v.charAt(i) > '9') {
                    return false;
                }
            }
            return true;
        }
    }
}
