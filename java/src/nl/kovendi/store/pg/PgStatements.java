package nl.kovendi.store.pg;

import java.util.LinkedHashMap;
import java.util.Map;

import nl.kovendi.Verdict;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.StoreException;

/**
 * The SQL of the administration commands that change or survey a whole PostgreSQL service
 * (remove-mailbox, set-address, status). They run through the administrator's psql connection
 * with the values as psql variables, quoted by psql.
 */
final class PgStatements {
    private PgStatements() {
    }

    /**
     * Removes a mailbox in one transaction: its items (their parts go with them), the aliases
     * that name it, its place in the lists (a list left empty goes too), its row and its role.
     * Prints the removed aliases and lists, one per line.
     */
    static final String REMOVE_MAILBOX = """
        BEGIN;
        SELECT kovendi.role_of(:'usr') AS r \\gset
        DELETE FROM kovendi.list_member WHERE role = :'r';
        DELETE FROM kovendi.list l WHERE NOT EXISTS
          (SELECT 1 FROM kovendi.list_member m WHERE m.key = l.key) RETURNING 'list ' || name;
        DELETE FROM kovendi.alias WHERE role = :'r' RETURNING 'alias ' || name;
        DELETE FROM kovendi.entry WHERE owner = :'r';
        DELETE FROM kovendi.mailbox WHERE role = :'r';
        DROP ROLE :"r";
        COMMIT;
        """;

    /** Per mailbox: messages not yet fetched, messages fetched, reports and notifications waiting. */
    static final String STATUS = """
        SELECT m.usr,
          count(e.owner) FILTER (WHERE e.props->>'type' = '1' AND e.props->>'access' <> 'READ'),
          count(e.owner) FILTER (WHERE e.props->>'type' = '1' AND e.props->>'access' = 'READ'),
          count(e.owner) FILTER (WHERE e.props->>'type' <> '1' AND e.props->>'access' <> 'READ')
        FROM kovendi.mailbox m LEFT JOIN kovendi.entry e ON e.owner = m.role
        GROUP BY m.usr ORDER BY upper(m.usr);
        """;

    /** Gives a mailbox a new own address, and a new free-form name when one is given. */
    static void setAddress(PgAdmin admin, String user, OrAddress address, String freeForm)
            throws StoreException {
        Map<String, String> vars = new LinkedHashMap<>();
        vars.put("usr", user);
        vars.put("addr", PgAdmin.json(address));
        for (String[] other : admin.rows("SELECT usr FROM kovendi.mailbox WHERE role <>"
                + " kovendi.role_of(:'usr') AND kovendi.norm_addr(addr) ="
                + " kovendi.norm_addr(:'addr'::jsonb);", vars)) {
            throw new StoreException(Verdict.NOT_ALLOWED, "mailbox " + other[0]
                    + " already has the address " + address);
        }
        String ffn = "";
        if (freeForm != null) {
            vars.put("ffn", freeForm);
            ffn = ", ffn = :'ffn'";
        }
        admin.psql("UPDATE kovendi.mailbox SET addr = :'addr'::jsonb" + ffn
                + " WHERE role = kovendi.role_of(:'usr');", vars);
    }
}
