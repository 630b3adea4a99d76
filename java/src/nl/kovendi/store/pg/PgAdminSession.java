package nl.kovendi.store.pg;

/**
 * What every psql session of {@code kovendi-store} sends before its own statements: the logging
 * of statements turned off for the session (statements carry SCRAM verifiers, and a failed one
 * would otherwise be logged with its text), the administration role taken on, and the values of
 * the psql variables. All of it travels on psql's standard input.
 */
final class PgAdminSession {
    static final String LOGGING_REFUSED = "kovendi-store: this log-in may not turn statement"
            + " logging off";

    private PgAdminSession() {
    }

    /** The opening statements; the schema script runs as the log-in itself. */
    static String preamble(boolean schema) {
        return "DO $$ BEGIN\n"
                + "  PERFORM set_config('log_statement', 'none', false);\n"
                + "  PERFORM set_config('log_min_error_statement', 'panic', false);\n"
                + "  PERFORM set_config('log_error_verbosity', 'terse', false);\n"
                + "EXCEPTION WHEN insufficient_privilege THEN\n"
                + "  RAISE WARNING '" + LOGGING_REFUSED + "';\n"
                + "END $$;\n"
                + (schema ? "" : "SET ROLE " + PgSchema.ADMIN_ROLE + ";\n");
    }

    /** The psql line that sets variable {@code name} to {@code value}. */
    static String setVariable(String name, String value) {
        if (!name.matches("[a-z][a-z0-9_]*")) {
            throw new IllegalArgumentException("psql variable name " + name);
        }
        StringBuilder b = new StringBuilder("\\set ").append(name).append(" '");
        for (char c : value.toCharArray()) {
            if (c == '\'') {
                b.append("''");
            } else if (c == '\\') {
                b.append("\\\\");
            } else if (c < 32 || c == 127) {
                b.append(String.format("\\%03o", (int) c));
            } else {
                b.append(c);
            }
        }
        return b.append("'\n").toString();
    }
}
