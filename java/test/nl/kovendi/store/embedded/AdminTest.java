package nl.kovendi.store.embedded;

import static nl.kovendi.store.Check.eq;
import static nl.kovendi.store.Check.ok;
import static nl.kovendi.store.Fixture.address;
import static nl.kovendi.store.Fixture.admin;
import static nl.kovendi.store.Fixture.message;
import static nl.kovendi.store.Fixture.to;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;
import java.util.concurrent.TimeUnit;

import nl.kovendi.Verdict;
import nl.kovendi.store.Check;
import nl.kovendi.store.Fixture;
import nl.kovendi.store.api.UsageException;

/** The administration command, in this process and through its wrapper script. */
public final class AdminTest {
    public static void main(String[] args) {
        Check c = new Check();
        c.run("mailboxes, aliases and lists are checked before they are added", AdminTest::adds);
        c.run("list and show print the store's contents", AdminTest::output);
        c.run("fault rules from the command line", AdminTest::faults);
        c.run("the wrapper script: relative directories, exit status, one-line reasons",
                AdminTest::wrapper);
        c.run("a service's secrets reach psql on its standard input only",
                AdminTest::serviceSecrets);
        c.finish();
    }

    private static void usage(Check.Case c) throws Exception {
        try {
            c.run();
        } catch (UsageException e) {
            return;
        }
        throw new AssertionError("expected a usage error");
    }

    private static void adds() throws Exception {
        Fixture f = new Fixture();
        String d = f.dir.toString();
        Check.verdict(Verdict.NOT_ALLOWED, () -> admin("init", d));
        usage(() -> admin("add-mailbox", d, "toolonguser", "pw", "SUR=X"));
        usage(() -> admin("add-mailbox", d, "dave", "pw"));
        usage(() -> admin("add-mailbox", d, "dave", "pw", "XYZ=1"));
        usage(() -> admin("add-mailbox", d, "dave", "pw", "COU=NLDX"));
        usage(() -> admin("add-mailbox", d, "dave", "", "SUR=Dijk"));
        usage(() -> admin("add-mailbox", d, "dave", "pw", "SUR=Dijk", "FFN=" + "x".repeat(33)));
        Check.verdict(Verdict.NOT_ALLOWED, () -> admin("add-mailbox", d, "BOB", "pw", "SUR=X"));
        Check.verdict(Verdict.NOT_ALLOWED, () -> admin("add-mailbox", d, "bob2", "pw", "COU=nl",
                "ADM=400net", "ORG=kovendi", "SUR=bakker", "GIV=bob"));
        admin("add-mailbox", d, "dave", "pw", "SUR=Dijk", "DTA=KVK", "DVA=12345678");
        Check.verdict(Verdict.INVALID_ARGUMENT, () -> admin("add-alias", d, "DD", "nobody"));
        Check.verdict(Verdict.NOT_ALLOWED, () -> admin("add-alias", d, "team", "dave"));
        usage(() -> admin("add-alias", d, "A|B", "dave"));
        Check.verdict(Verdict.INVALID_ARGUMENT, () -> admin("add-list", d, "L2", "dave", "eve"));
        admin("add-list", d, "L2", "dave", "bob", "dave");
        eq(2, Directory.load(f.dir).listMembers("l2").size(), "duplicate member once");
        usage(() -> admin("frobnicate", d));
        usage(() -> admin("show", d));
        verifyLogin(f, "dave", "PW");
    }

    private static void verifyLogin(Fixture f, String user, String pw) throws Exception {
        ok(MailService.login(f.store, user, pw) != null, user + " logs in");
    }

    private static void output() throws Exception {
        Fixture f = new Fixture();
        String listing = admin("list", f.dir.toString());
        ok(listing.contains("mailbox bob \"Bob the builder\" COU=NL ADM=400NET SUR=Bakker GIV=Bob"
                + " ORG=KOVENDI"), listing);
        ok(listing.contains("alias BOBBY -> bob"), "alias line");
        ok(listing.contains("list TEAM -> bob carol"), "list line");
        f.login("alice").submit(message("MID-1", 1, 3, to(address("Bakker"))), f.work);
        f.login("alice").submit(message("", 1, 1, to(address("Bakker"))), f.work);
        String[] bob = admin("show", f.dir.toString(), "bob").split("\n");
        eq(2, bob.length, "two lines");
        ok(bob[0].matches("\\d{10} MSG NEW MID-1 subject of MID-1"), bob[0]);
        ok(bob[1].matches("\\d{10} MSG NEW - subject of"), bob[1]);
        ok(admin("show", f.dir.toString(), "alice").matches("\\d{10} RPT NEW MID-1\\s*"),
                "report line");
    }

    private static void faults() throws Exception {
        Fixture f = new Fixture();
        String d = f.dir.toString();
        usage(() -> admin("fault", d, "API_frob", "3"));
        usage(() -> admin("fault", d, "API_getMsg", "x"));
        usage(() -> admin("fault", d, "API_getMsg", "3", "0"));
        usage(() -> admin("fault", d, "API_getMsg", "40000"));
        usage(() -> admin("fault", d, "API_getMsg", "delay"));
        usage(() -> admin("fault", d, "API_getMsg", "3", "1", "extra"));
        admin("fault", d, "API_getMsg", "3");
        admin("fault", d, "API_delMsg", "delay", "2.5", "fail", "5", "3");
        admin("fault", d, "API_close", "delay", "1", "*");
        eq("API_getMsg fail 3 count 1\nAPI_delMsg delay 2.500 fail 5 count 3\n"
                + "API_close delay 1 count *\n", admin("faults", d), "rules");
        admin("clear-faults", d, "API_delMsg");
        eq(2, admin("faults", d).split("\n").length, "one operation cleared");
    }

    private static void wrapper() throws Exception {
        Path script = wrapperScript();
        if (script == null) {
            return;
        }
        Path cwd = Check.tempDir("cwd");
        eq(0, run(cwd, script, "init", "st").status, "init with a relative directory");
        ok(Files.exists(cwd.resolve("st").resolve(Store.MARKER)), "store made in the cwd");
        eq(0, run(cwd, script, "add-mailbox", "st", "a", "pw", "COU=NL", "SUR=A").status,
                "mailbox");
        Files.writeString(cwd.resolve("pw"), "pw\n");  // a password on the command line warns
        Result bad = run(cwd, script, "add-mailbox", "st", "b", "--password-file", "pw");
        eq(2, bad.status, "usage error");
        eq(1, bad.err.size(), "one line on standard error: " + bad.err);
        ok(bad.err.get(0).startsWith("kovendi-store: "), bad.err.get(0));
        Result none = run(cwd, script, "show", "st", "nobody");
        eq(1, none.status, "refused");
        eq(List.of("kovendi-store: no mailbox nobody"), none.err, "reason");
        Result nostore = run(cwd, script, "show", "nostore", "a");
        eq(1, nostore.status, "no store");
        eq(1, nostore.err.size(), "one line");
        eq(0, run(cwd, script, "show", "st", "a").status, "empty mailbox shows nothing");
    }

    /**
     * On a service the password verifiers, like every other value, reach psql on its standard
     * input, after the statements that turn statement logging off and take on the administration
     * role; psql's command line, which every user of the machine can read, holds none of them.
     */
    private static void serviceSecrets() throws Exception {
        Path script = wrapperScript();
        if (script == null) {
            return;
        }
        Path fake = Check.tempDir("psql");
        Files.writeString(fake.resolve("psql"), "#!/bin/sh\nprintf '%s\\n' \"$@\" > \""
                + fake.resolve("args") + "\"\ncat > \"" + fake.resolve("stdin") + "\"\n");
        ok(fake.resolve("psql").toFile().setExecutable(true), "fake psql");
        String url = "postgresql://db.example.net:5432/kovendi";
        for (String[] cmd : new String[][] {
            {"set-password", url, "bob", "Long-Pass-123"},
            {"add-mailbox", url, "dave", "Long-Pass-123", "COU=NL", "SUR=Dijk"}}) {
            eq(0, runWithPath(fake, script, fake + ":" + System.getenv("PATH"), cmd).status,
                    cmd[0]);
            String args = Files.readString(fake.resolve("args"));
            String stdin = Files.readString(fake.resolve("stdin"));
            ok(!args.contains("SCRAM") && !args.toUpperCase().contains("LONG-PASS"),
                    "a secret on psql's command line: " + args);
            ok(stdin.contains("\\set verifier 'SCRAM-SHA-256$32768:"), "verifier: " + stdin);
            ok(stdin.indexOf("log_statement") < stdin.indexOf("SET ROLE kovendi_admin")
                    && stdin.indexOf("SET ROLE kovendi_admin") < stdin.indexOf("\\set"),
                    "logging off and the administration role first: " + stdin);
            ok(!stdin.toUpperCase().contains("LONG-PASS"), "the password itself: " + stdin);
        }
    }

    /** The kovendi-store of the build, or null (the case is skipped) when there is none. */
    private static Path wrapperScript() {
        String bin = System.getenv("KOVENDI_BIN_DIR");
        Path script = bin == null ? null : Paths.get(bin, "kovendi-store");
        if (script == null || !Files.isExecutable(script)) {
            System.out.println("     (skipped: no kovendi-store in KOVENDI_BIN_DIR)");
            return null;
        }
        return script;
    }

    private static final class Result {
        int status;
        List<String> err;
    }

    private static Result run(Path cwd, Path script, String... args) throws Exception {
        return runWithPath(cwd, script, System.getenv("PATH"), args);
    }

    private static Result runWithPath(Path cwd, Path script, String path, String... args)
            throws Exception {
        String[] cmd = new String[args.length + 1];
        cmd[0] = script.toString();
        System.arraycopy(args, 0, cmd, 1, args.length);
        Path errFile = Files.createTempFile(cwd, "err", ".txt");
        ProcessBuilder pb = new ProcessBuilder(cmd).directory(cwd.toFile())
                .redirectError(errFile.toFile()).redirectOutput(ProcessBuilder.Redirect.DISCARD);
        pb.environment().put("PATH", path);
        Process p = pb.start();
        ok(p.waitFor(60, TimeUnit.SECONDS), "finished");
        Result r = new Result();
        r.status = p.exitValue();
        r.err = Files.readAllLines(errFile, StandardCharsets.UTF_8);
        Files.delete(errFile);
        return r;
    }
}
