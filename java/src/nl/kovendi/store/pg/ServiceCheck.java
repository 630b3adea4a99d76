package nl.kovendi.store.pg;

import java.net.URI;
import java.net.URISyntaxException;
import java.nio.file.Path;
import java.util.Map;

import nl.kovendi.store.api.MailboxCheck;
import nl.kovendi.store.api.OrAddress;
import nl.kovendi.store.api.StoreException;

/** {@code kovendi-store check URL USER [PASSWORD]}: a mailbox of a PostgreSQL service. */
public final class ServiceCheck {
    private ServiceCheck() {
    }

    /** check URL USER [PASSWORD] on a PostgreSQL service. */
    static int run(MailboxCheck report, PgAdmin admin, String user, String password)
            throws StoreException {
        OrAddress address = new OrAddress();
        String found = null;
        for (String[] r : admin.rows("SELECT m.usr, coalesce(a.key, ''), coalesce(a.value, '')"
                + " FROM kovendi.mailbox m LEFT JOIN LATERAL jsonb_each_text(m.addr) a ON true"
                + " WHERE upper(m.usr) = upper(trim(:'usr'));", Map.of("usr", user))) {
            found = r[0];
            if (!r[1].isEmpty()) {
                address.set(r[1], r[2]);
            }
        }
        if (found == null) {
            report.problem("the service " + admin.url() + " has no mailbox " + user
                    + " (kovendi: status 1508)");
            return report.problems();
        }
        report.ok("the service has the mailbox " + found + " (role "
                + PgSession.roleName(found) + ")");
        String[] hostPort = tcpHost(admin.url());
        if (password == null) {
            report.ok("no password given: the log-in is not tried");
        } else if (hostPort == null) {
            report.ok("the URL names a local socket: the log-in over the network, as the client"
                    + " makes it, is not tried (check HOME tries it with the application's user"
                    + " file)");
        } else {
            logIn(report, hostPort[0], Integer.parseInt(hostPort[1]), found, password,
                    PgTls.of("", "", Path.of("")));
        }
        report.checkAddress(found, address);
        return report.problems();
    }

    /** Logs in to a service as the client does. */
    public static void logIn(MailboxCheck report, String srv, int port, String user,
            String password, PgTls tls) {
        report.logIn(() -> PgSession.connect(PgAddress.parse(srv, port), user, password, tls));
    }

    /** {host/database, port} of a service URL with a network host; null for a local socket. */
    private static String[] tcpHost(String url) {
        try {
            URI u = new URI(url.replaceFirst("^postgres(ql)?://", "postgresql://"));
            String host = u.getHost();
            if (host == null || host.isEmpty()) {
                return null;
            }
            String db = u.getPath() == null || u.getPath().length() < 2 ? PgAddress.DEFAULT_DATABASE
                    : u.getPath().substring(1);
            return new String[] {host + "/" + db, Integer.toString(u.getPort() < 0
                    ? PgAddress.DEFAULT_PORT : u.getPort())};
        } catch (URISyntaxException e) {
            return null;
        }
    }
}
