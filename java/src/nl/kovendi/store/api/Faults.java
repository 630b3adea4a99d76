package nl.kovendi.store.api;

import java.util.Locale;

/**
 * Fault injection: a rule makes the next calls of one client operation ({@code API_open},
 * {@code API_sendMsg}, {@code API_getMsg}, {@code API_delMsg}, {@code API_listMbxInNext},
 * {@code API_changeNetworkPwd}, {@code API_aliasToOrname}, {@code API_close}) wait, fail with a
 * verdict, or both. Each store keeps its rules in its own way; this is the rule and its text
 * form, OPERATION [delay SECONDS] [fail VERDICT] [count N | count *].
 */
public final class Faults {
    /**
     * One rule of the control file: the operation, how long it waits, the verdict to fail with (or
     * -1 to go on) and the calls left (or -1 for unlimited).
     */
    public record Rule(String operation, long delayMillis, int verdict, int count) {
        public Rule used() {
            return new Rule(operation, delayMillis, verdict, count < 0 ? -1 : count - 1);
        }

        @Override
        public String toString() {
            StringBuilder b = new StringBuilder(operation);
            if (delayMillis > 0) {
                b.append(" delay ").append(delayMillis / 1000);
                if (delayMillis % 1000 != 0) {
                    b.append('.').append(String.format("%03d", delayMillis % 1000));
                }
            }
            if (verdict >= 0) {
                b.append(" fail ").append(verdict);
            }
            b.append(" count ").append(count < 0 ? "*" : Integer.toString(count));
            return b.toString();
        }
    }

    private Faults() {
    }

    /** Parses one rule; IllegalArgumentException with the reason when it is malformed. */
    public static Rule parse(String line) {
        String[] t = line.trim().split("\\s+");
        if (t.length == 0 || t[0].isEmpty()) {
            throw new IllegalArgumentException("empty rule");
        }
        long delay = 0;
        int verdict = -1;
        int count = 1;
        for (int i = 1; i < t.length; i += 2) {
            if (i + 1 >= t.length) {
                throw new IllegalArgumentException("value missing after \"" + t[i] + "\"");
            }
            String v = t[i + 1];
            switch (t[i].toLowerCase(Locale.ROOT)) {
                case "delay":
                    double s = Double.parseDouble(v);
                    if (!(s >= 0 && s <= 86400)) {
                        throw new IllegalArgumentException("delay out of range: " + v);
                    }
                    delay = Math.round(s * 1000);
                    break;
                case "fail":
                    verdict = Integer.parseInt(v);
                    if (verdict < 0 || verdict > Short.MAX_VALUE) {
                        throw new IllegalArgumentException("verdict out of range: " + v);
                    }
                    break;
                case "count":
                    count = v.equals("*") ? -1 : Integer.parseInt(v);
                    if (count == 0 || count < -1) {
                        throw new IllegalArgumentException("count must be positive or *: " + v);
                    }
                    break;
                default:
                    throw new IllegalArgumentException("unknown word \"" + t[i] + "\"");
            }
        }
        return new Rule(t[0], delay, verdict, count);
    }
}
