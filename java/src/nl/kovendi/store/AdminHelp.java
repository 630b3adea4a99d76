package nl.kovendi.store;

/** The answer of {@code kovendi-store --help}. */
final class AdminHelp {
    private AdminHelp() {
    }

    static final String TEXT = """
        Usage: kovendi-store COMMAND STORE [ARGUMENTS]
               kovendi-store --help | --version

        STORE is a store directory (embedded store) or postgresql://HOST:PORT/DATABASE (a
        PostgreSQL service, reached through psql with the administrator's own log-in).

          init STORE                          make an empty store (a service: its schema)
          add-mailbox STORE USER PASSWORD [KEY=VALUE ...]
                                              add a mailbox with its own O/R address
          set-password STORE USER PASSWORD    set a mailbox's password
          set-address STORE USER KEY=VALUE ...
                                              give a mailbox a new address (and FFN=)
          remove-mailbox STORE USER           remove a mailbox, its items, aliases, lists
          add-alias STORE ALIAS USER          an alias for a mailbox
          add-list STORE LIST USER ...        a distribution list
          list STORE                          mailboxes, aliases and lists
          show STORE USER                     the items of a mailbox
          status STORE                        per mailbox: new and read messages, reports
          check HOME                          log in as the user file HOME/qrtlnk.gns does
          check STORE USER [PASSWORD]         log in as a mailbox; both say what is wrong
          export STORE [FILE]                 write a dump of the store (standard output)
          import STORE [FILE]                 fill an empty store from a dump (standard input)
          fault STORE OPERATION VERDICT [COUNT] | delay SECONDS [fail VERDICT] [COUNT]
          faults STORE | clear-faults STORE [OPERATION]
                                              injected failures, for tests of an application

        PASSWORD: "-" reads it from the first line of standard input, "--password-file FILE"
        from the first line of FILE. KEY: COU ADM PMD ORG OUA OUB OUC OUD SUR GIV INI GQU
        DTA DVA DTB DVB DTC DVC DTD DVD, and FFN (free-form name).
        Exit status 0 on success, 1 when the command failed, 2 for a wrong command line.
        See kovendi-store(1).
        """;
}
