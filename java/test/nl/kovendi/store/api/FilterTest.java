package nl.kovendi.store.api;

import static nl.kovendi.store.Check.eq;
import static nl.kovendi.store.Check.ok;
import static nl.kovendi.store.Check.verdict;

import nl.kovendi.Verdict;
import nl.kovendi.store.Check;

/** The listing filter language, with the texts that the program composes. */
public final class FilterTest {
    /** A mailbox item with settable fields. */
    static final class Item implements Filter.Item {
        int type = 1;
        boolean read;
        String id = "";
        String irt = "";
        String subject = "";
        String sur = "";
        String giv = "";
        int priority = 1;
        int sensitivity = 1;
        String entry = "200306171230";
        String readAt;
        OrAddress originator;

        public int msgType() { return type; }
        public boolean isRead() { return read; }
        public String ipMsgId() { return id; }
        public String inReplyTo() { return irt; }
        public String subject() { return subject; }
        public String surName() { return sur; }
        public String givenName() { return giv; }
        public int priority() { return priority; }
        public int sensitivity() { return sensitivity; }
        public String entryKey() { return entry; }
        public String readKey() { return readAt; }
        public OrAddress originatorAddress() { return originator; }
    }

    private static boolean m(String filter, Item item) throws StoreException {
        return Filter.parse(filter).matches(item);
    }

    public static void main(String[] args) {
        Check c = new Check();
        c.run("the program's default listings", FilterTest::defaults);
        c.run("attribute criteria and selection files", FilterTest::criteria);
        c.run("dates and times at the precision given", FilterTest::dates);
        c.run("values with blanks, ampersands and parentheses", FilterTest::values);
        c.run("malformed filters are refused", FilterTest::errors);
        c.run("wildcards", FilterTest::wildcards);
        c.run("the whole originator of a named message", FilterTest::originatorOf);
        c.finish();
    }

    private static final String KILL = "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | ";

    private static void defaults() throws Exception {
        String lijst = KILL + "( ACCESS_STATUS=NEW  & MSG_TYPE=MSG )";
        String read = KILL + "( ACCESS_STATUS=READ & MSG_TYPE=MSG )";
        String rapport = "( ACCESS_STATUS=NEW  & (MSG_TYPE=NTF | MSG_TYPE=RPT) )";
        Item msg = new Item();
        msg.id = "EDIABC12345678";
        ok(m(lijst, msg), "new message listed");
        ok(!m(read, msg), "new message not among the read ones");
        msg.read = true;
        ok(!m(lijst, msg), "read message not listed");
        ok(m(read, msg), "read message with NOD");
        Item kill = new Item();
        kill.read = true;
        kill.id = "FTxcan0001";
        ok(m(lijst, kill), "a KILL message is always seen, whatever its status");
        Item rpt = new Item();
        rpt.type = 3;
        ok(m(rapport, rpt), "new report");
        rpt.type = 2;
        ok(m(rapport, rpt), "new notification");
        rpt.read = true;
        ok(!m(rapport, rpt), "fetched notification");
        rpt.read = false;
        ok(!m(lijst, rpt), "notification not in a message listing");
        ok(m("", msg) && m("   ", rpt), "empty filter selects everything");
        ok(m("ACCESS_STATUS=NEW & MSG_TYPE=MSG", new Item()), "waiting receive");
        ok(m("msg_type=msg", new Item()), "names in any case");
    }

    private static void criteria() throws Exception {
        String base = KILL + "( ACCESS_STATUS=NEW  & MSG_TYPE=MSG )";
        Item i = new Item();
        i.id = "ABC";
        i.priority = 3;
        ok(m(base + " & IP_MSG_ID=ABC & PRIORITY=URGENT", i), "MID and PRI");
        i.priority = 2;
        ok(!m(base + " & IP_MSG_ID=ABC & PRIORITY=URGENT", i), "other priority");
        ok(m(base + " & PRIORITY=NU_URG", i), "NU_URG is 2");
        ok(m(base + " & PRIORITY!URGENT", i), "not equal");
        i.sensitivity = 3;
        ok(m("SENSITIVITY=PERSONEL", i) && !m("SENSITIVITY=PRIVATE", i), "sensitivity");
        i.sur = "Jansen";
        String sel = base + " & ( SUR_NAME=Jansen | SUR_NAME=Pietersen )";
        ok(m(sel, i), "selection or, first");
        i.sur = "PIETERSEN";
        ok(m(sel, i), "selection or, second, any case");
        i.sur = "Klaassen";
        ok(!m(sel, i), "selection or, neither");
        i.sur = "Jansen";
        i.id = "XYZ";
        ok(!m(sel + " & IP_MSG_ID=ABC", i), "and after the selection");
        i.giv = "Jan";
        i.irt = "EDI000111";
        i.subject = "Factuur 12";
        ok(m("GIV_NAME=jan & IN_REP_TO=EDI* & SUBJECT=Factuur*", i), "names and subject");
        ok(m("SUBJECT>Factuur 10 & SUBJECT<Factuur 2", i), "text ranges");
    }

    private static void dates() throws Exception {
        Item i = new Item();
        i.entry = "200306171230";
        ok(m("MBX_ENTRY_DT=17/06/03-12:30", i), "to the minute");
        ok(m("MBX_ENTRY_DT=17/06/03-12", i), "to the hour");
        ok(m("MBX_ENTRY_D=17/06/03", i), "the day");
        ok(!m("MBX_ENTRY_D!17/06/03", i), "not the day");
        ok(m("MBX_ENTRY_D>16/06/03 & MBX_ENTRY_D<18/06/03", i), "between");
        ok(!m("MBX_ENTRY_DT>17/06/03-12:30", i), "not after itself");
        ok(m("MBX_ENTRY_D<99/06/03", i), "a shortened date padded with 9 covers the month");
        ok(m("MBX_ENTRY_D>00/06/03", i), "padded with 0");
        i.entry = "199512312359";
        ok(m("MBX_ENTRY_D=31/12/95", i), "years from 91 are 19yy");
        ok(m("MBX_ENTRY_D<01/01/90", i), "1995 before 2090");
        ok(!m("READ_D=31/12/95", i) && m("READ_D!31/12/95", i), "never read");
        i.readAt = "200401020304";
        ok(m("READ_DT=02/01/04-03:04", i), "read time");
    }

    private static void values() throws Exception {
        Item i = new Item();
        i.subject = "Q&A (concept)";
        ok(m("SUBJECT=Q&A (concept)", i), "ampersand without blanks and parentheses");
        ok(m("( SUBJECT=Q&A (concept) )", i), "inside a group");
        ok(m("(SUBJECT=Q&A (concept)) & MSG_TYPE=MSG", i), "group without blanks");
        i.subject = "two  words";
        ok(m("SUBJECT=two  words  & MSG_TYPE=MSG", i), "inner blanks kept, outer dropped");
        i.subject = "";
        ok(m("SUBJECT=", i) && m("SUBJECT=*", i), "empty value");
    }

    private static void errors() throws Exception {
        String[] bad = {"PRIORITY", "UNKNOWN=1", "MSG_TYPE=XYZ", "( MSG_TYPE=MSG", "MSG_TYPE=MSG )",
            "MSG_TYPE=MSG & ", "& MSG_TYPE=MSG", "PRIORITY<URGENT", "MBX_ENTRY_D=17-06-03",
            "MBX_ENTRY_D=17/06/03-12", "MBX_ENTRY_DT=17/06/03", "READ_DT=1x/06/03-12:00",
            "MSG_TYPE=MSG | | MSG_TYPE=RPT", "()", "=MSG"};
        for (String f : bad) {
            StoreException e = verdict(Verdict.FILTER_INVALID, () -> Filter.parse(f));
            ok(e.getMessage().contains("position"), "position given for " + f);
        }
    }

    private static OrAddress address(String... keysAndValues) {
        OrAddress a = new OrAddress();
        for (int i = 0; i + 1 < keysAndValues.length; i += 2) {
            a.set(keysAndValues[i], keysAndValues[i + 1]);
        }
        return a;
    }

    /** KILL searches: the same whole address, never a part of it, never an empty one. */
    private static void originatorOf() throws Exception {
        OrAddress shop = address("COU", "NL", "ADM", "HUBADMD", "ORG", "SHOP", "SUR", "Bakker");
        Filter.OriginatorLookup lookup = id -> {
            switch (id) {
                case "0000000001": return address("COU", "nl", "ADM", "HUBADMD ", "ORG", "shop",
                        "SUR", "BAKKER");
                case "0000000002": return address("COU", "NL", "ADM", "HUBADMD", "ORG", "SHOP");
                case "0000000003": return new OrAddress();
                default: return null;
            }
        };
        Item msg = new Item();
        msg.originator = shop;
        String search = "MSG_TYPE=MSG & IP_MSG_ID=ORDER* & ORIGINATOR_OF=";
        msg.id = "ORDER00000001";
        ok(Filter.parse(search + "0000000001", lookup).matches(msg), "the same address");
        ok(!Filter.parse(search + "0000000002", lookup).matches(msg), "a shorter address");
        ok(!Filter.parse(search + "0000000003", lookup).matches(msg), "an empty address");
        ok(!Filter.parse(search + "0000000009", lookup).matches(msg), "no such message");
        msg.originator = new OrAddress();
        ok(!Filter.parse(search + "0000000003", lookup).matches(msg), "two empty addresses");
        verdict(Verdict.FILTER_INVALID, () -> Filter.parse("ORIGINATOR_OF!0000000001", lookup));
        // Without a mailbox to look in, it matches nothing.
        ok(!Filter.parse("ORIGINATOR_OF=0000000001").matches(msg), "no lookup");
    }

    private static void wildcards() {
        ok(Wildcard.matches("FT?CAN*", "FTXCAN123"), "? and *");
        ok(!Wildcard.matches("FT?CAN*", "FTCAN"), "? needs a character");
        ok(Wildcard.matches("*", ""), "* matches nothing");
        ok(Wildcard.matches("A*B*C", "AxxBxxBxC"), "backtracking");
        ok(!Wildcard.matches("A*B*C", "AxxBxxBx"), "no C");
        ok(!Wildcard.matches("ABC", "ABCD"), "no implicit tail");
        eq(true, Wildcard.matches("*?", "x"), "star then one");
    }
}
