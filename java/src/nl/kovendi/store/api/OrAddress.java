package nl.kovendi.store.api;

import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Properties;

import nl.kovendi.objects.ORNameForm11;

/**
 * A full O/R address, keyed by the address keywords of the command file (COU, ADM, PMD, ORG, OUA to
 * OUD, SUR, GIV, INI, GQU, DTA/DVA to DTD/DVD), each limited to the width of its field.
 */
public final class OrAddress {
    /** The keywords in the order of the O/R name record, with the longest value each may hold. */
    private static final Map<String, Integer> WIDTHS = new LinkedHashMap<>();

    static {
        String[] keys = {"COU", "ADM", "PMD", "SUR", "GIV", "INI", "GQU", "ORG", "OUA", "OUB", "OUC",
            "OUD", "DTA", "DVA", "DTB", "DVB", "DTC", "DVC", "DTD", "DVD"};
        int[] widths = {3, 16, 16, 40, 16, 5, 3, 64, 32, 32, 32, 32, 8, 128, 8, 128, 8, 128, 8, 128};
        for (int i = 0; i < keys.length; i++) {
            WIDTHS.put(keys[i], widths[i]);
        }
    }

    private final Map<String, String> values = new LinkedHashMap<>();

    public static List<String> keys() {
        return List.copyOf(WIDTHS.keySet());
    }

    public static boolean isKey(String key) {
        return WIDTHS.containsKey(key.toUpperCase(Locale.ROOT));
    }

    public static int width(String key) {
        return WIDTHS.get(key.toUpperCase(Locale.ROOT));
    }

    /** Sets one field; refuses an unknown keyword or a value longer than the field. */
    public void set(String key, String value) {
        String k = key.toUpperCase(Locale.ROOT);
        Integer width = WIDTHS.get(k);
        if (width == null) {
            throw new IllegalArgumentException("unknown address keyword " + key);
        }
        String v = value == null ? "" : value;
        if (v.length() > width) {
            throw new IllegalArgumentException("value of " + k + " longer than " + width
                    + " characters");
        }
        if (hasControl(v)) {
            throw new IllegalArgumentException("value of " + k + " holds a control character");
        }
        if (v.isEmpty()) {
            values.remove(k);
        } else {
            values.put(k, v);
        }
    }

    /** Whether a text holds a character below 32 or the character 127. */
    static boolean hasControl(String s) {
        return s.chars().anyMatch(c -> c < 32 || c == 127);
    }

    public String get(String key) {
        return values.getOrDefault(key.toUpperCase(Locale.ROOT), "");
    }

    /** True when no field holds more than blanks. */
    public boolean isBlank() {
        return values.values().stream().allMatch(v -> v.trim().isEmpty());
    }

    /**
     * Whether this mailbox address receives a message addressed to {@code given}: every field that
     * {@code given} fills (more than blanks) equals this address's field, letter case and
     * surrounding blanks ignored. An address that fills no field matches nothing.
     */
    public boolean receives(OrAddress given) {
        if (given.isBlank()) {
            return false;
        }
        for (Map.Entry<String, String> e : given.values.entrySet()) {
            String want = e.getValue().trim();
            if (!want.isEmpty() && !want.equalsIgnoreCase(get(e.getKey()).trim())) {
                return false;
            }
        }
        return true;
    }

    /**
     * Whether {@code other} is the same whole address: every field equal, letter case and
     * surrounding blanks ignored. A blank address is the same as none, not even another blank one.
     */
    public boolean sameAs(OrAddress other) {
        if (other == null || isBlank() || other.isBlank()) {
            return false;
        }
        for (String key : WIDTHS.keySet()) {
            if (!get(key).trim().equalsIgnoreCase(other.get(key).trim())) {
                return false;
            }
        }
        return true;
    }

    public ORNameForm11 toForm11(String freeFormName) {
        ORNameForm11 o = new ORNameForm11();
        o.setFreeFormName(freeFormName);
        o.setCountryName(get("COU"));
        o.setAdDomainName(get("ADM"));
        o.setPrDomainName(get("PMD"));
        o.setSurName(get("SUR"));
        o.setGivenName(get("GIV"));
        o.setInitials(get("INI"));
        o.setGenQualifier(get("GQU"));
        o.setOrgName(get("ORG"));
        o.setOrgUnitA(get("OUA"));
        o.setOrgUnitB(get("OUB"));
        o.setOrgUnitC(get("OUC"));
        o.setOrgUnitD(get("OUD"));
        o.setDomDefAttrTA(get("DTA"));
        o.setDomDefAttrVA(get("DVA"));
        o.setDomDefAttrTB(get("DTB"));
        o.setDomDefAttrVB(get("DVB"));
        o.setDomDefAttrTC(get("DTC"));
        o.setDomDefAttrVC(get("DVC"));
        o.setDomDefAttrTD(get("DTD"));
        o.setDomDefAttrVD(get("DVD"));
        return o;
    }

    /** The address of a full O/R name; refuses values longer than their fields. */
    public static OrAddress fromForm11(ORNameForm11 o) {
        OrAddress a = new OrAddress();
        a.set("COU", o.getCountryName());
        a.set("ADM", o.getAdDomainName());
        a.set("PMD", o.getPrDomainName());
        a.set("SUR", o.getSurName());
        a.set("GIV", o.getGivenName());
        a.set("INI", o.getInitials());
        a.set("GQU", o.getGenQualifier());
        a.set("ORG", o.getOrgName());
        a.set("OUA", o.getOrgUnitA());
        a.set("OUB", o.getOrgUnitB());
        a.set("OUC", o.getOrgUnitC());
        a.set("OUD", o.getOrgUnitD());
        a.set("DTA", o.getDomDefAttrTA());
        a.set("DVA", o.getDomDefAttrVA());
        a.set("DTB", o.getDomDefAttrTB());
        a.set("DVB", o.getDomDefAttrVB());
        a.set("DTC", o.getDomDefAttrTC());
        a.set("DVC", o.getDomDefAttrVC());
        a.set("DTD", o.getDomDefAttrTD());
        a.set("DVD", o.getDomDefAttrVD());
        return a;
    }

    public void store(Properties p, String prefix) {
        for (Map.Entry<String, String> e : values.entrySet()) {
            p.setProperty(prefix + e.getKey(), e.getValue());
        }
    }

    public static OrAddress load(Properties p, String prefix) {
        OrAddress a = new OrAddress();
        for (String key : WIDTHS.keySet()) {
            String v = p.getProperty(prefix + key);
            if (v != null) {
                a.values.put(key, v);
            }
        }
        return a;
    }

    /** "KEY=value" pairs of the filled fields, separated by blanks. */
    @Override
    public String toString() {
        StringBuilder b = new StringBuilder();
        for (Map.Entry<String, String> e : values.entrySet()) {
            if (b.length() > 0) {
                b.append(' ');
            }
            b.append(e.getKey()).append('=').append(e.getValue());
        }
        return b.toString();
    }
}
