package nl.kovendi.store;

import java.io.IOException;
import java.net.ServerSocket;
import java.net.URLEncoder;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.attribute.UserPrincipal;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Comparator;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;

/**
 * A PostgreSQL server of the tests' own: a new cluster in a temporary directory, listening on
 * 127.0.0.1 at a free port (password log-in) and on a socket in that directory (the administrator
 * "kvadmin", trusted), with the database "kovendi". It runs as the user running the tests; under
 * root, whom initdb refuses, as the unprivileged user kvtest. Stopped when the test program ends.
 * A machine without PostgreSQL's server programs ends the program with {@link #SKIPPED}.
 */
final class PgServer {
    static final int SKIPPED = 77;
    static final String ADMIN = "kvadmin";
    private static final String RUN_AS = "kvtest";
    private static PgServer instance;
    /**
     * Whether the server also speaks TLS, with a certificate for 127.0.0.1 from a test
     * authority ({@code ca.crt} in {@link #dir}; {@code other.crt} is an authority that vouches
     * for nothing here). Set before the first {@link #get}.
     */
    static boolean tls;

    final Path dir;
    final int port;
    private final Path bin;
    private final boolean asOtherUser;

    private PgServer(Path dir, int port, Path bin, boolean asOtherUser) {
        this.dir = dir;
        this.port = port;
        this.bin = bin;
        this.asOtherUser = asOtherUser;
    }

    /** The server of this test program, started on first use. */
    static synchronized PgServer get() {
        if (instance == null) {
            try {
                instance = start();
            } catch (Exception e) {
                throw new IllegalStateException("cannot start PostgreSQL: " + e.getMessage(), e);
            }
        }
        return instance;
    }

    private static Path serverBin() {
        String env = System.getenv("KOVENDI_PG_BIN");
        if (env != null && !env.isEmpty()) {
            return Paths.get(env);
        }
        try (Stream<Path> versions = Files.list(Paths.get("/usr/lib/postgresql"))) {
            return versions.map(v -> v.resolve("bin"))
                    .filter(b -> Files.isExecutable(b.resolve("initdb")))
                    .max(Comparator.comparing(b -> Integer.parseInt(
                            b.getParent().getFileName().toString().replaceAll("\\D", "0"))))
                    .orElse(null);
        } catch (IOException e) {
            return null;
        }
    }

    private static PgServer start() throws Exception {
        Path bin = serverBin();
        if (bin == null) {
            System.out.println("SKIP: PostgreSQL's server programs (initdb, pg_ctl) are not"
                    + " installed; scripts/setup.sh installs them");
            System.exit(SKIPPED);
        }
        boolean root = "root".equals(System.getProperty("user.name"));
        Path dir = Files.createTempDirectory("kv-pg");
        if (root) {
            UserPrincipal kvtest;
            try {
                kvtest = dir.getFileSystem().getUserPrincipalLookupService()
                        .lookupPrincipalByName(RUN_AS);
            } catch (IOException e) {
                System.out.println("SKIP: running as root, and the user " + RUN_AS
                        + " to run PostgreSQL as does not exist");
                System.exit(SKIPPED);
                return null;
            }
            Files.setOwner(dir, kvtest);
        }
        int port;
        try (ServerSocket s = new ServerSocket(0)) {
            port = s.getLocalPort();
        }
        PgServer pg = new PgServer(dir, port, bin, root);
        Runtime.getRuntime().addShutdownHook(new Thread(pg::stop));
        pg.run(List.of(bin.resolve("initdb").toString(), "-D", dir.resolve("data").toString(),
                "-U", ADMIN, "-E", "UTF8", "--locale=C.UTF-8", "--auth-local=trust",
                "--auth-host=scram-sha-256", "--no-sync"), 120);
        String options = "-c listen_addresses=127.0.0.1 -p " + port
                + " -c unix_socket_directories=" + dir + " -c fsync=off -c full_page_writes=off";
        if (tls) {
            pg.certificates();
            options += " -c ssl=on -c ssl_cert_file=" + dir.resolve("server.crt")
                    + " -c ssl_key_file=" + dir.resolve("server.key");
        }
        pg.run(List.of(bin.resolve("pg_ctl").toString(), "-D", dir.resolve("data").toString(),
                "-l", dir.resolve("server.log").toString(), "-w", "-t", "60", "-o", options,
                "start"), 90);
        pg.psql("postgres", "CREATE DATABASE kovendi");
        return pg;
    }

    /** A test authority, the server's certificate from it, and an authority of no use. */
    private void certificates() throws Exception {
        Files.writeString(dir.resolve("san.cnf"), "subjectAltName=IP:127.0.0.1\n");
        List<String> ec = List.of("-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                "-nodes");
        for (String ca : List.of("ca", "other")) {
            List<String> cmd = new ArrayList<>(List.of("openssl", "req", "-x509"));
            cmd.addAll(ec);
            cmd.addAll(List.of("-keyout", ca + ".key", "-out", ca + ".crt", "-days", "2",
                    "-subj", "/CN=kovendi test " + ca));
            run(cmd, 60);
        }
        List<String> req = new ArrayList<>(List.of("openssl", "req"));
        req.addAll(ec);
        req.addAll(List.of("-keyout", "server.key", "-out", "server.csr", "-subj",
                "/CN=127.0.0.1"));
        run(req, 60);
        run(List.of("openssl", "x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey",
                "ca.key", "-CAcreateserial", "-out", "server.crt", "-days", "2", "-extfile",
                dir.resolve("san.cnf").toString()), 60);
    }

    /** Puts {@code lines} in front of the server's host-based authentication and reloads it. */
    void hba(String lines) throws Exception {
        Path conf = dir.resolve("data").resolve("pg_hba.conf");
        Files.writeString(conf, lines + Files.readString(conf));
        run(List.of(bin.resolve("pg_ctl").toString(), "-D", dir.resolve("data").toString(),
                "reload"), 60);
        Thread.sleep(500);
    }

    /** The administrator's URL of the database, over the socket. */
    String adminUrl() {
        return adminUrl("kovendi");
    }

    String adminUrl(String database) {
        return "postgresql://" + ADMIN + "@" + URLEncoder.encode(dir.toString(),
                StandardCharsets.UTF_8) + ":" + port + "/" + database;
    }

    /**
     * Removes every mailbox, item, fault rule and mailbox role, and sets the limits back to their
     * defaults with fault injection on: an empty service again. Returns whether the service has
     * no schema yet.
     */
    boolean reset() throws Exception {
        return psql("kovendi", "DO $$ DECLARE r name; BEGIN\n"
                + "  IF to_regclass('kovendi.mailbox') IS NOT NULL THEN\n"
                + "    TRUNCATE kovendi.part, kovendi.entry, kovendi.list_member, kovendi.list,\n"
                + "      kovendi.alias, kovendi.fault, kovendi.submission, kovendi.accepted, kovendi.mailbox;\n"
                + "    UPDATE kovendi.settings SET capacity = 10000, max_bytes = DEFAULT,\n"
                + "      max_message = DEFAULT, sender_share = DEFAULT, connections = DEFAULT,\n"
                + "      statement_ms = DEFAULT, idle_ms = DEFAULT, hold_ms = DEFAULT,\n"
                + "      lock_wait_ms = DEFAULT, faults = true;\n"
                + "  END IF;\n"
                + "  FOR r IN SELECT rolname FROM pg_roles WHERE rolname LIKE 'kvm\\_%' LOOP\n"
                + "    EXECUTE format('DROP ROLE %I', r);\n"
                + "  END LOOP;\n"
                + "END $$;\n"
                + "SELECT to_regclass('kovendi.mailbox') IS NULL;").trim().equals("t");
    }

    /** Runs SQL as the administrator; returns its unaligned output. */
    String psql(String database, String sql) throws Exception {
        return run(List.of("psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d",
                adminUrl(database), "-c", sql), 60, false);
    }

    /** Runs psql as a mailbox role over TCP: exit status and output with errors. */
    String[] psqlAs(String role, String password, String sql) throws Exception {
        ProcessBuilder pb = new ProcessBuilder("psql", "-X", "-A", "-t", "-h", "127.0.0.1", "-p",
                Integer.toString(port), "-U", role, "-d", "kovendi", "-c", sql);
        pb.environment().put("PGPASSWORD", password);
        pb.environment().remove("PGUSER");
        pb.redirectErrorStream(true);
        Process p = pb.start();
        String out = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        p.waitFor(60, TimeUnit.SECONDS);
        return new String[] {Integer.toString(p.exitValue()), out};
    }

    /**
     * psql kept open on its standard input, as the administrator (role null, over the socket) or
     * as a role over TCP; what it prints goes to {@code output}.
     */
    Process interactive(String role, String password, Path output) throws IOException {
        List<String> cmd = new ArrayList<>(List.of("psql", "-X", "-A", "-t"));
        if (role == null) {
            cmd.addAll(List.of("-d", adminUrl()));
        } else {
            cmd.addAll(List.of("-h", "127.0.0.1", "-p", Integer.toString(port), "-U", role, "-d",
                    "kovendi"));
        }
        ProcessBuilder pb = new ProcessBuilder(cmd).redirectErrorStream(true)
                .redirectOutput(output.toFile());
        pb.environment().put("PGPASSWORD", password == null ? "" : password);
        pb.environment().remove("PGUSER");
        return pb.start();
    }

    /** Sends lines to an interactive psql. */
    static void send(Process psql, String text) throws IOException {
        psql.getOutputStream().write(text.getBytes(StandardCharsets.UTF_8));
        psql.getOutputStream().flush();
    }

    /** Stops the server immediately (as a crash would) and starts it again. */
    void restart() throws Exception {
        run(List.of(bin.resolve("pg_ctl").toString(), "-D", dir.resolve("data").toString(),
                "-l", dir.resolve("server.log").toString(), "-w", "-t", "60", "-m", "immediate",
                "restart"), 90);
    }

    String log() throws IOException {
        return Files.readString(dir.resolve("server.log"), StandardCharsets.ISO_8859_1);
    }

    private String run(List<String> command, int seconds) throws Exception {
        return run(command, seconds, asOtherUser);
    }

    private String run(List<String> command, int seconds, boolean otherUser) throws Exception {
        List<String> cmd = new ArrayList<>();
        if (otherUser) {
            cmd.addAll(Arrays.asList("runuser", "-u", RUN_AS, "--"));
        }
        cmd.addAll(command);
        Process p = new ProcessBuilder(cmd).directory(dir.toFile()).redirectErrorStream(true)
                .redirectInput(ProcessBuilder.Redirect.from(new java.io.File("/dev/null")))
                .start();
        byte[] out = p.getInputStream().readAllBytes();
        if (!p.waitFor(seconds, TimeUnit.SECONDS)) {
            p.destroyForcibly();
            throw new IOException(command.get(0) + " did not end");
        }
        String text = new String(out, StandardCharsets.UTF_8);
        if (p.exitValue() != 0) {
            throw new IOException(String.join(" ", command) + ": status " + p.exitValue() + ": "
                    + text);
        }
        return text;
    }

    private void stop() {
        try {
            run(List.of(bin.resolve("pg_ctl").toString(), "-D", dir.resolve("data").toString(),
                    "-m", "immediate", "-w", "stop"), 60);
        } catch (Exception e) {
            System.out.println("stopping PostgreSQL: " + e.getMessage());
        }
        try (Stream<Path> all = Files.walk(dir)) {
            all.sorted(Comparator.reverseOrder()).forEach(p -> p.toFile().delete());
        } catch (IOException e) {
            // leave what cannot be removed
        }
    }
}
