package nl.kovendi.store.pg;

/**
 * The message service's objects in a PostgreSQL database, all in the schema {@code kovendi}. The
 * script runs as one transaction and is idempotent: it creates what is missing, brings the tables
 * of an older version up to date and creates every function anew, so that running it again changes
 * nothing and on an older service upgrades it. It needs a superuser (it creates roles, grants the
 * predefined roles below and closes the database to PUBLIC).
 *
 * <p>Roles. Each mailbox is a log-in role ({@code kvm_} and the user name in small letters) and a
 * member of {@code kovendi_mailbox}, which alone may connect to the database; it may only read its
 * own mailbox entries and body parts (row-level security) and call the functions granted below.
 * Those SECURITY DEFINER functions belong to {@code kovendi_service}, a role without log-in that
 * holds only the table rights they need; it may end the sessions of mailbox roles that hold a
 * transaction open (see {@code end_stalled}). The tables and the administration functions belong
 * to {@code kovendi_admin}, the role that {@code kovendi-store} takes on for every other command.
 * Functions created later by either role are closed to PUBLIC by default.
 *
 * <p>What a hostile mailbox role may try is checked here, not in the client: every text that a
 * submission stores is checked for length, NULL and control characters, every number for its
 * range; a mailbox has a count and a byte quota, and one sender may fill at most a share of it;
 * deliveries into a mailbox are serialised on its row. A submission reports its outcome (how many
 * mailboxes it reached, the delivery reports) only once it has been committed, so that a
 * submission rolled back by its caller tells nothing about which addresses exist; list
 * identifiers are counted per mailbox for the same reason. Errors that the client turns into
 * verdicts carry the SQLSTATE {@code KVnnn}, nnn the verdict.
 */
final class PgSchema {
    /** The version of the objects below; a later release migrates from it. */
    static final int VERSION = 2;
    static final String MAILBOX_GROUP = "kovendi_mailbox";
    static final String ADMIN_ROLE = "kovendi_admin";
    static final String ROLE_PREFIX = "kvm_";

    private PgSchema() {
    }

    static final String SCRIPT = """
        SET client_min_messages = warning;
        SET LOCAL lock_timeout = '60s';
        DO $$ BEGIN
          IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'kovendi_mailbox') THEN
            CREATE ROLE kovendi_mailbox NOLOGIN;
          END IF;
          IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'kovendi_service') THEN
            CREATE ROLE kovendi_service NOLOGIN;
          END IF;
          IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'kovendi_admin') THEN
            CREATE ROLE kovendi_admin NOLOGIN CREATEROLE;
          END IF;
          EXECUTE format('REVOKE CONNECT, TEMPORARY ON DATABASE %I FROM PUBLIC',
            current_database());
          EXECUTE format('GRANT CONNECT ON DATABASE %I TO kovendi_mailbox, kovendi_admin',
            current_database());
        END $$;
        ALTER ROLE kovendi_service NOLOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOBYPASSRLS;
        ALTER ROLE kovendi_admin NOLOGIN NOSUPERUSER NOCREATEDB CREATEROLE NOBYPASSRLS;
        GRANT kovendi_mailbox TO kovendi_admin WITH ADMIN OPTION;
        GRANT pg_signal_backend, pg_read_all_stats TO kovendi_service;
        REVOKE CREATE ON SCHEMA public FROM PUBLIC;
        ALTER DEFAULT PRIVILEGES FOR ROLE kovendi_service, kovendi_admin
          REVOKE EXECUTE ON FUNCTIONS FROM PUBLIC;

        CREATE SCHEMA IF NOT EXISTS kovendi;
        ALTER SCHEMA kovendi OWNER TO kovendi_admin;
        REVOKE ALL ON SCHEMA kovendi FROM PUBLIC;
        GRANT USAGE ON SCHEMA kovendi TO kovendi_mailbox, kovendi_service;

        CREATE TABLE IF NOT EXISTS kovendi.settings (
          one boolean PRIMARY KEY DEFAULT true CHECK (one),
          version int NOT NULL,
          capacity int NOT NULL);
        INSERT INTO kovendi.settings (version, capacity) VALUES (2, 10000) ON CONFLICT DO NOTHING;
        DO $$ BEGIN
          IF (SELECT version FROM kovendi.settings) > 2 THEN
            RAISE EXCEPTION 'the service has a newer schema (version %)',
              (SELECT version FROM kovendi.settings);
          END IF;
        END $$;
        -- limits: bytes a mailbox holds, bytes of one message, the share (per cent) of a
        -- mailbox's quotas that one sender may fill, connections per mailbox role; the time-outs
        -- of a mailbox role's statements and of a transaction it leaves idle, how long one of its
        -- transactions may keep a mailbox that others wait for, and how long they wait
        ALTER TABLE kovendi.settings
          ADD COLUMN IF NOT EXISTS max_bytes bigint NOT NULL DEFAULT 1073741824,
          ADD COLUMN IF NOT EXISTS max_message bigint NOT NULL DEFAULT 33554432,
          ADD COLUMN IF NOT EXISTS sender_share int NOT NULL DEFAULT 50,
          ADD COLUMN IF NOT EXISTS connections int NOT NULL DEFAULT 4,
          ADD COLUMN IF NOT EXISTS statement_ms int NOT NULL DEFAULT 30000,
          ADD COLUMN IF NOT EXISTS idle_ms int NOT NULL DEFAULT 2000,
          ADD COLUMN IF NOT EXISTS hold_ms int NOT NULL DEFAULT 10000,
          ADD COLUMN IF NOT EXISTS lock_wait_ms int NOT NULL DEFAULT 15000,
          ADD COLUMN IF NOT EXISTS faults boolean NOT NULL DEFAULT false;

        CREATE TABLE IF NOT EXISTS kovendi.mailbox (
          role name PRIMARY KEY,
          usr text NOT NULL,
          id bigint NOT NULL,
          ffn text NOT NULL,
          addr jsonb NOT NULL);
        ALTER TABLE kovendi.mailbox ADD COLUMN IF NOT EXISTS next_list_id bigint;
        CREATE UNIQUE INDEX IF NOT EXISTS mailbox_usr ON kovendi.mailbox (upper(usr));
        CREATE TABLE IF NOT EXISTS kovendi.alias (
          key text PRIMARY KEY,
          name text NOT NULL,
          role name NOT NULL REFERENCES kovendi.mailbox);
        CREATE TABLE IF NOT EXISTS kovendi.list (
          key text PRIMARY KEY,
          name text NOT NULL);
        CREATE TABLE IF NOT EXISTS kovendi.list_member (
          key text NOT NULL REFERENCES kovendi.list,
          pos int NOT NULL,
          role name NOT NULL REFERENCES kovendi.mailbox,
          PRIMARY KEY (key, pos));
        CREATE SEQUENCE IF NOT EXISTS kovendi.list_id_seq;
        CREATE SEQUENCE IF NOT EXISTS kovendi.mailbox_id_seq;
        CREATE SEQUENCE IF NOT EXISTS kovendi.session_seq;
        CREATE SEQUENCE IF NOT EXISTS kovendi.submission_seq;
        CREATE TABLE IF NOT EXISTS kovendi.entry (
          owner name NOT NULL REFERENCES kovendi.mailbox,
          list_id bigint NOT NULL,
          props jsonb NOT NULL,
          PRIMARY KEY (owner, list_id));
        CREATE TABLE IF NOT EXISTS kovendi.part (
          owner name NOT NULL,
          list_id bigint NOT NULL,
          k int NOT NULL,
          data bytea NOT NULL,
          PRIMARY KEY (owner, list_id, k),
          FOREIGN KEY (owner, list_id) REFERENCES kovendi.entry ON DELETE CASCADE);
        -- what each mailbox submitted: asked by a client whose run was killed during a send;
        -- an identifier seen before is still accepted (an application may send it again)
        CREATE TABLE IF NOT EXISTS kovendi.accepted (
          role name NOT NULL REFERENCES kovendi.mailbox ON DELETE CASCADE,
          ip_msg_id text NOT NULL,
          at timestamptz NOT NULL);
        CREATE INDEX IF NOT EXISTS accepted_lookup ON kovendi.accepted (role, ip_msg_id, at);
        CREATE TABLE IF NOT EXISTS kovendi.fault (
          seq bigserial PRIMARY KEY,
          operation text NOT NULL,
          delay_ms bigint NOT NULL,
          verdict int NOT NULL,
          left_count int NOT NULL);
        -- a fault rule acts on the calls of one mailbox only
        ALTER TABLE kovendi.fault
          ADD COLUMN IF NOT EXISTS owner name REFERENCES kovendi.mailbox ON DELETE CASCADE;
        DELETE FROM kovendi.fault WHERE owner IS NULL;
        ALTER TABLE kovendi.fault ALTER COLUMN owner SET NOT NULL;
        -- a submission whose outcome its sender has not yet taken; settled: its reports are in
        -- the sender's mailbox
        CREATE TABLE IF NOT EXISTS kovendi.submission (
          id bigint PRIMARY KEY,
          sender name NOT NULL REFERENCES kovendi.mailbox ON DELETE CASCADE,
          txid xid8 NOT NULL,
          reached int NOT NULL,
          ipmsgid text NOT NULL,
          at timestamp NOT NULL,
          notices jsonb NOT NULL,
          settled boolean NOT NULL DEFAULT false);

        -- version 1 numbered the items of all mailboxes together: each mailbox goes on from there
        UPDATE kovendi.mailbox SET next_list_id = (SELECT CASE WHEN is_called THEN last_value
            ELSE 0 END FROM kovendi.list_id_seq)
          WHERE next_list_id IS NULL;
        ALTER TABLE kovendi.mailbox ALTER COLUMN next_list_id SET DEFAULT 0;
        ALTER TABLE kovendi.mailbox ALTER COLUMN next_list_id SET NOT NULL;

        -- the tables (with the sequences of their columns) and the sequences belong to the
        -- administration role
        DO $$ DECLARE t regclass; BEGIN
          FOR t IN SELECT c.oid::regclass FROM pg_class c
              WHERE c.relnamespace = 'kovendi'::regnamespace AND c.relkind = 'r' LOOP
            EXECUTE 'ALTER TABLE ' || t::text || ' OWNER TO kovendi_admin';
          END LOOP;
          FOR t IN SELECT c.oid::regclass FROM pg_class c
              WHERE c.relnamespace = 'kovendi'::regnamespace AND c.relkind = 'S'
                AND NOT EXISTS (SELECT 1 FROM pg_depend d WHERE d.objid = c.oid
                  AND d.deptype IN ('a', 'i')) LOOP
            EXECUTE 'ALTER SEQUENCE ' || t::text || ' OWNER TO kovendi_admin';
          END LOOP;
        END $$;

        ALTER TABLE kovendi.entry ENABLE ROW LEVEL SECURITY;
        ALTER TABLE kovendi.part ENABLE ROW LEVEL SECURITY;
        DROP POLICY IF EXISTS own_entries ON kovendi.entry;
        CREATE POLICY own_entries ON kovendi.entry FOR SELECT TO kovendi_mailbox
          USING (owner = current_user);
        DROP POLICY IF EXISTS own_parts ON kovendi.part;
        CREATE POLICY own_parts ON kovendi.part FOR SELECT TO kovendi_mailbox
          USING (owner = current_user);
        DROP POLICY IF EXISTS service_entries ON kovendi.entry;
        CREATE POLICY service_entries ON kovendi.entry TO kovendi_service
          USING (true) WITH CHECK (true);
        DROP POLICY IF EXISTS service_parts ON kovendi.part;
        CREATE POLICY service_parts ON kovendi.part TO kovendi_service
          USING (true) WITH CHECK (true);
        REVOKE ALL ON ALL TABLES IN SCHEMA kovendi FROM PUBLIC, kovendi_mailbox, kovendi_service;
        REVOKE ALL ON ALL SEQUENCES IN SCHEMA kovendi FROM PUBLIC, kovendi_mailbox, kovendi_service;
        GRANT SELECT ON kovendi.entry, kovendi.part TO kovendi_mailbox;
        GRANT SELECT ON kovendi.settings, kovendi.mailbox, kovendi.alias, kovendi.list,
          kovendi.list_member TO kovendi_service;
        GRANT UPDATE (next_list_id) ON kovendi.mailbox TO kovendi_service;
        GRANT SELECT, INSERT, UPDATE, DELETE ON kovendi.entry, kovendi.part TO kovendi_service;
        GRANT SELECT, UPDATE, DELETE ON kovendi.fault TO kovendi_service;
        GRANT SELECT, INSERT, UPDATE, DELETE ON kovendi.submission TO kovendi_service;
        GRANT SELECT, INSERT, DELETE ON kovendi.accepted TO kovendi_service;
        GRANT USAGE ON SEQUENCE kovendi.session_seq, kovendi.submission_seq TO kovendi_service;

        -- every function is made anew below, owned by the role that runs it
        DO $$ DECLARE f regprocedure; BEGIN
          FOR f IN SELECT p.oid::regprocedure FROM pg_proc p
              WHERE p.pronamespace = 'kovendi'::regnamespace LOOP
            EXECUTE 'DROP ROUTINE ' || f::text;
          END LOOP;
        END $$;
        GRANT CREATE ON SCHEMA kovendi TO kovendi_service;
        SET LOCAL ROLE kovendi_service;

        CREATE FUNCTION kovendi.list_id_text(id bigint) RETURNS text
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp
        AS $$ SELECT lpad(id::text, 10, '0') $$;

        CREATE FUNCTION kovendi.time_key(t timestamp) RETURNS text
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp
        AS $$ SELECT to_char(t, 'YYYYMMDDHH24MI') $$;

        -- the filled fields of an address as properties PREFIX+KEY
        CREATE FUNCTION kovendi.addr_props(prefix text, addr jsonb) RETURNS jsonb
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT coalesce(jsonb_object_agg(prefix || a.key, a.value), '{}'::jsonb)
          FROM jsonb_each_text(addr) a WHERE a.value <> '' $$;

        CREATE FUNCTION kovendi.new_entry(type int, id bigint, at timestamp)
        RETURNS jsonb LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT jsonb_build_object('type', type::text, 'listId', kovendi.list_id_text(id),
            'entryTime', kovendi.time_key(at), 'access', 'NEW') $$;

        -- notification entry I of a report or notification
        CREATE FUNCTION kovendi.notice(i int, ffn text, addr jsonb, notify_type int,
            time_key text, reason int, diag int)
        RETURNS jsonb LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT jsonb_build_object('ntf.' || i || '.ffn', coalesce(ffn, ''),
              'ntf.' || i || '.notifyType', notify_type::text, 'ntf.' || i || '.time', time_key,
              'ntf.' || i || '.reason', reason::text, 'ntf.' || i || '.diag', diag::text)
            || kovendi.addr_props('ntf.' || i || '.addr.', addr) $$;

        -- an alias or list name that reached no mailbox, as an address with the name as surname
        CREATE FUNCTION kovendi.named(n text) RETURNS jsonb
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT CASE WHEN coalesce(n, '') = '' THEN '{}'::jsonb
            ELSE jsonb_build_object('SUR', left(n, 40)) END $$;

        -- refuses a text that is missing, longer than WIDTH or holds a control character
        CREATE FUNCTION kovendi.check_text(v text, width int, what text) RETURNS text
        LANGUAGE plpgsql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
        BEGIN
          IF v IS NULL THEN
            RAISE EXCEPTION USING ERRCODE = 'KV012', MESSAGE = what || ' missing (NULL)';
          END IF;
          IF length(v) > width THEN
            RAISE EXCEPTION USING ERRCODE = 'KV012',
              MESSAGE = what || ' longer than ' || width || ' characters';
          END IF;
          IF v ~ ('[' || chr(1) || '-' || chr(31) || chr(127) || ']') THEN
            RAISE EXCEPTION USING ERRCODE = 'KV012',
              MESSAGE = what || ' holds a control character';
          END IF;
          RETURN v;
        END $$;

        -- a one-dimensional array of N elements without NULLs
        CREATE FUNCTION kovendi.check_array(a anyarray, n int, what text) RETURNS void
        LANGUAGE plpgsql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
        BEGIN
          IF a IS NULL OR (cardinality(a) > 0 AND (array_ndims(a) <> 1 OR array_lower(a, 1) <> 1))
              OR cardinality(a) <> n OR array_position(a, NULL) IS NOT NULL THEN
            RAISE EXCEPTION USING ERRCODE = 'KV012', MESSAGE = what || ': ' || n
              || ' values without NULL expected';
          END IF;
        END $$;

        -- the header of a submission as properties: known keys only, each checked; the request
        -- codes and priorities are single digits
        CREATE FUNCTION kovendi.checked_head(head text[]) RETURNS jsonb
        LANGUAGE plpgsql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          texts constant jsonb := '{"ipMsgId": 64, "inReplyTo": 64, "subject": 256,
            "orig.ffn": 32, "expiryDate": 14, "defDeliveryDate": 14}';
          digits constant text[] := ARRAY['priority', 'sensitivity', 'notifReq', 'reportReq',
            'replyReq'];
          h jsonb := '{}';
          k text;
          v text;
        BEGIN
          PERFORM kovendi.check_array(head, coalesce(cardinality(head), 0), 'header');
          IF cardinality(head) % 2 <> 0 THEN
            RAISE EXCEPTION USING ERRCODE = 'KV012', MESSAGE = 'header: key without value';
          END IF;
          FOR i IN 1..cardinality(head) / 2 LOOP
            k := head[2 * i - 1];
            v := head[2 * i];
            IF h ? k THEN
              RAISE EXCEPTION USING ERRCODE = 'KV012', MESSAGE = 'header: ' || k || ' twice';
            ELSIF texts ? k THEN
              h := h || jsonb_build_object(k, kovendi.check_text(v, (texts->>k)::int, k));
            ELSIF k = ANY (digits) THEN
              IF v !~ '^[0-9]$' THEN
                RAISE EXCEPTION USING ERRCODE = 'KV012', MESSAGE = k || ' is not a digit';
              END IF;
              h := h || jsonb_build_object(k, v);
            END IF;
          END LOOP;
          RETURN h;
        END $$;

        -- the recipient arrays of a submission, checked; returns their number
        CREATE FUNCTION kovendi.checked_recipients(r_kind int[], r_form int[], r_name text[],
            r_ffn text[], r_addr text[]) RETURNS int
        LANGUAGE plpgsql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          keys constant text[] := ARRAY['COU','ADM','PMD','SUR','GIV','INI','GQU','ORG','OUA',
            'OUB','OUC','OUD','DTA','DVA','DTB','DVB','DTC','DVC','DTD','DVD'];
          widths constant int[] := ARRAY[3, 16, 16, 40, 16, 5, 3, 64, 32, 32, 32, 32, 8, 128, 8,
            128, 8, 128, 8, 128];
          n int := coalesce(cardinality(r_kind), 0);
        BEGIN
          IF n = 0 THEN
            RAISE EXCEPTION USING ERRCODE = 'KV007', MESSAGE = 'message without recipients';
          END IF;
          IF n > 20 THEN
            RAISE EXCEPTION USING ERRCODE = 'KV012', MESSAGE = 'at most 20 recipients';
          END IF;
          PERFORM kovendi.check_array(r_kind, n, 'recipient kinds');
          PERFORM kovendi.check_array(r_form, n, 'recipient forms');
          PERFORM kovendi.check_array(r_name, n, 'recipient names');
          PERFORM kovendi.check_array(r_ffn, n, 'recipient free-form names');
          PERFORM kovendi.check_array(r_addr, n * 20, 'recipient addresses');
          FOR i IN 1..n LOOP
            IF r_kind[i] NOT BETWEEN 1 AND 3 THEN
              RAISE EXCEPTION USING ERRCODE = 'KV012',
                MESSAGE = 'recipient ' || i || ': kind ' || r_kind[i] || ' is not 1, 2 or 3';
            END IF;
            IF r_form[i] NOT IN (1, 5, 6) THEN
              RAISE EXCEPTION USING ERRCODE = 'KV012',
                MESSAGE = 'recipient ' || i || ' has no O/R name of a supported type';
            END IF;
            PERFORM kovendi.check_text(r_name[i], 40, 'recipient ' || i || ' name');
            PERFORM kovendi.check_text(r_ffn[i], 32, 'recipient ' || i || ' free-form name');
            FOR j IN 1..20 LOOP
              PERFORM kovendi.check_text(r_addr[(i - 1) * 20 + j], widths[j],
                'recipient ' || i || ' ' || keys[j]);
            END LOOP;
          END LOOP;
          RETURN n;
        END $$;

        -- the mailbox of the logged-in role
        CREATE FUNCTION kovendi.caller() RETURNS kovendi.mailbox
        LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          m kovendi.mailbox;
        BEGIN
          SELECT * INTO m FROM kovendi.mailbox WHERE role = session_user;
          IF NOT FOUND THEN
            RAISE EXCEPTION USING ERRCODE = 'KV006', MESSAGE = 'no mailbox for this log-in';
          END IF;
          RETURN m;
        END $$;

        -- Ends the sessions of mailbox roles other than this one that may keep others waiting:
        -- in a transaction that has taken locks or written, idle for longer than the idle limit
        -- or open for longer than the hold limit. A client of the service does neither: it runs
        -- every call as a transaction of its own, and none of them takes that long.
        CREATE FUNCTION kovendi.end_stalled() RETURNS void
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          s kovendi.settings;
        BEGIN
          SELECT * INTO s FROM kovendi.settings;
          PERFORM pg_terminate_backend(a.pid) FROM pg_stat_activity a
            WHERE a.datname = current_database() AND a.pid <> pg_backend_pid()
              AND a.backend_xid IS NOT NULL
              AND a.usesysid IN (SELECT am.member FROM pg_auth_members am
                WHERE am.roleid = 'kovendi_mailbox'::regrole)
              AND ((a.state LIKE 'idle in transaction%'
                    AND a.state_change < clock_timestamp() - s.idle_ms * interval '1 ms')
                OR a.xact_start < clock_timestamp() - s.hold_ms * interval '1 ms');
        END $$;

        -- Takes the row of mailbox R for this transaction: deliveries into one mailbox and their
        -- quota checks follow one another. Waits at most the lock wait (KV014 then), ending
        -- stalled sessions that hold it.
        CREATE FUNCTION kovendi.lock_mailbox(r name) RETURNS void
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          deadline timestamptz := clock_timestamp()
            + (SELECT s.lock_wait_ms FROM kovendi.settings s) * interval '1 ms';
        BEGIN
          LOOP
            BEGIN
              PERFORM 1 FROM kovendi.mailbox WHERE role = r FOR NO KEY UPDATE NOWAIT;
              RETURN;
            EXCEPTION WHEN lock_not_available THEN
              NULL;
            END;
            PERFORM kovendi.end_stalled();
            IF clock_timestamp() > deadline THEN
              RAISE EXCEPTION USING ERRCODE = 'KV014',
                MESSAGE = 'a mailbox stayed busy for the whole lock wait';
            END IF;
            PERFORM pg_sleep(0.05);
          END LOOP;
        END $$;

        -- the next list identifier of mailbox R (its row taken)
        CREATE FUNCTION kovendi.next_list_id(r name) RETURNS bigint
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          nid bigint;
        BEGIN
          PERFORM kovendi.lock_mailbox(r);
          UPDATE kovendi.mailbox SET next_list_id = next_list_id + 1 WHERE role = r
            RETURNING next_list_id INTO nid;
          RETURN nid;
        END $$;

        -- whether mailbox R (its row taken) may receive a message of BYTES bytes from SENDER:
        -- the count and byte quota, and a sender's share of both
        CREATE FUNCTION kovendi.has_room(r name, sender kovendi.mailbox, bytes bigint)
        RETURNS boolean
        LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          s kovendi.settings;
          n bigint;
          n_own bigint;
          b bigint;
          b_own bigint;
          share numeric;
        BEGIN
          SELECT * INTO s FROM kovendi.settings;
          share := least(100, greatest(1, s.sender_share)) / 100.0;
          SELECT count(*), count(*) FILTER (WHERE e.props->>'orig.user' = sender.usr)
            INTO n, n_own FROM kovendi.entry e WHERE e.owner = r;
          SELECT coalesce(sum(octet_length(p.data)), 0),
              coalesce(sum(octet_length(p.data))
                FILTER (WHERE e.props->>'orig.user' = sender.usr), 0)
            INTO b, b_own FROM kovendi.part p JOIN kovendi.entry e
              ON e.owner = p.owner AND e.list_id = p.list_id WHERE p.owner = r;
          IF n >= s.capacity OR b + bytes > s.max_bytes THEN
            RETURN false;
          END IF;
          RETURN r = sender.role OR (n_own < greatest(1, floor(s.capacity * share))
            AND b_own + bytes <= s.max_bytes * share);
        END $$;

        -- a single notification about MSG from READER into the originator's mailbox
        CREATE FUNCTION kovendi.notify_originator(msg jsonb, reader kovendi.mailbox,
            notify_type int, time_key text, reason int, diag int)
        RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          orig name;
          nid bigint;
        BEGIN
          SELECT role INTO orig FROM kovendi.mailbox
            WHERE upper(usr) = upper(trim(msg->>'orig.user'));
          IF NOT FOUND THEN
            RETURN;
          END IF;
          nid := kovendi.next_list_id(orig);
          INSERT INTO kovendi.entry VALUES (orig, nid, kovendi.new_entry(2, nid, localtimestamp)
            || jsonb_build_object('ipMsgId', coalesce(msg->>'ipMsgId', ''), 'ntf.n', '1',
                 'ntf.total', '1')
            || kovendi.notice(0, reader.ffn, reader.addr, notify_type, time_key, reason, diag));
        END $$;

        -- Settles M's committed submissions: their delivery reports go into M's mailbox. Returns
        -- how many mailboxes submission WANTED reached, and forgets it (-1 when it is not
        -- there); the outcome of another is kept a day for the session that made it. A
        -- submission of the caller's own transaction is left alone, and asking for its outcome is
        -- refused: the caller could still roll it back.
        CREATE FUNCTION kovendi.settle(m kovendi.mailbox, wanted bigint) RETURNS int
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          me xid8 := pg_current_xact_id_if_assigned();
          result int;
          s kovendi.submission;
          rc jsonb;
          nt jsonb;
          total int;
          nid bigint;
          i int;
        BEGIN
          IF EXISTS (SELECT 1 FROM kovendi.submission
              WHERE id = wanted AND sender = m.role AND txid = me) THEN
            RAISE EXCEPTION USING ERRCODE = 'KV002',
              MESSAGE = 'the outcome of a submission is known once it has been committed';
          END IF;
          -- Submissions are settled only with the mailbox's row taken. Another session that
          -- settles them at the same time takes the row first as well, so neither waits for
          -- submissions that the other has marked while it waits for the row itself. One that
          -- is committed after the look is settled by the next call.
          IF EXISTS (SELECT 1 FROM kovendi.submission
              WHERE sender = m.role AND NOT settled AND txid IS DISTINCT FROM me) THEN
            PERFORM kovendi.lock_mailbox(m.role);
            FOR s IN WITH done AS (UPDATE kovendi.submission SET settled = true
                  WHERE sender = m.role AND NOT settled AND txid IS DISTINCT FROM me RETURNING *)
                SELECT * FROM done ORDER BY id LOOP
              total := jsonb_array_length(s.notices);
              i := 0;
              WHILE s.reached > 0 AND i < total LOOP
                rc := jsonb_build_object('ipMsgId', s.ipmsgid,
                  'ntf.n', least(21, total - i)::text, 'ntf.total', total::text);
                FOR j IN 0..least(21, total - i) - 1 LOOP
                  nt := s.notices->(i + j);
                  rc := rc || kovendi.notice(j, nt->>0, nt->1, (nt->>2)::int, nt->>3,
                    (nt->>4)::int, (nt->>5)::int);
                END LOOP;
                nid := kovendi.next_list_id(m.role);
                INSERT INTO kovendi.entry
                  VALUES (m.role, nid, kovendi.new_entry(3, nid, s.at) || rc);
                i := i + 21;
              END LOOP;
            END LOOP;
          END IF;
          DELETE FROM kovendi.submission WHERE id = wanted AND sender = m.role
            AND txid IS DISTINCT FROM me RETURNING reached INTO result;
          DELETE FROM kovendi.submission WHERE sender = m.role AND settled
            AND at < localtimestamp - interval '1 day';
          RETURN coalesce(result, -1);
        END $$;

        CREATE FUNCTION kovendi.open_session(OUT o_usr text, OUT o_id bigint,
            OUT o_ffn text, OUT o_capacity int, OUT o_total int, OUT o_fresh int,
            OUT o_session int, OUT o_faults boolean)
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          m kovendi.mailbox := kovendi.caller();
        BEGIN
          PERFORM kovendi.settle(m, NULL);
          o_usr := m.usr;
          o_id := m.id;
          o_ffn := m.ffn;
          SELECT s.capacity, s.faults INTO o_capacity, o_faults FROM kovendi.settings s;
          SELECT count(*), count(*) FILTER (WHERE e.props->>'access' <> 'READ')
            INTO o_total, o_fresh FROM kovendi.entry e WHERE e.owner = m.role;
          o_session := (nextval('kovendi.session_seq') - 1) % 32767 + 1;
        END $$;

        -- takes the caller's first fault rule of OP, counting it down; no row when there is
        -- none or fault injection is off
        CREATE FUNCTION kovendi.take_fault(op text)
        RETURNS TABLE (o_delay_ms bigint, o_verdict int, o_count int)
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          m kovendi.mailbox := kovendi.caller();
          f kovendi.fault;
        BEGIN
          IF NOT (SELECT s.faults FROM kovendi.settings s) THEN
            RETURN;
          END IF;
          SELECT * INTO f FROM kovendi.fault WHERE operation = op AND owner = m.role
            ORDER BY seq LIMIT 1 FOR UPDATE;
          IF NOT FOUND THEN
            RETURN;
          END IF;
          IF f.left_count = 1 THEN
            DELETE FROM kovendi.fault WHERE seq = f.seq;
          ELSIF f.left_count > 1 THEN
            UPDATE kovendi.fault SET left_count = left_count - 1 WHERE seq = f.seq;
          END IF;
          o_delay_ms := f.delay_ms;
          o_verdict := f.verdict;
          o_count := f.left_count;
          RETURN NEXT;
        END $$;

        -- the mailbox an alias names: user, free-form name, address as KEY=value texts
        CREATE FUNCTION kovendi.resolve_alias(alias_name text)
        RETURNS TABLE (o_usr text, o_ffn text, o_addr text[])
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        BEGIN
          PERFORM kovendi.caller();
          RETURN QUERY SELECT m.usr, m.ffn,
              ARRAY(SELECT a.key || '=' || a.value FROM jsonb_each_text(m.addr) a)
            FROM kovendi.alias l JOIN kovendi.mailbox m ON m.role = l.role
            WHERE l.key = upper(trim(alias_name));
        END $$;

        -- Submits one message: HEAD its header as key/value pairs; per recipient I its kind
        -- (1 to, 2 copy, 3 blind copy), form (1 address, 5 alias, 6 list), alias or list name,
        -- free-form name and the 20 address fields ADDR[(I-1)*20+1..I*20] in the order of KEYS;
        -- PARTS the body parts. Everything is checked first (KV012, KV007 without recipients);
        -- then the message is delivered into every reached mailbox that has room, one mailbox
        -- at a time. Returns the number of the submission, whose outcome submission_result
        -- gives once this transaction has been committed.
        CREATE FUNCTION kovendi.submit(head text[], r_kind int[], r_form int[],
            r_name text[], r_ffn text[], r_addr text[], parts bytea[])
        RETURNS bigint LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          keys constant text[] := ARRAY['COU','ADM','PMD','SUR','GIV','INI','GQU','ORG','OUA',
            'OUB','OUC','OUD','DTA','DVA','DTB','DVB','DTC','DVC','DTD','DVD'];
          sender kovendi.mailbox := kovendi.caller();
          st kovendi.settings;
          h jsonb := kovendi.checked_head(head);
          n int := kovendi.checked_recipients(r_kind, r_form, r_name, r_ffn, r_addr);
          nparts int := coalesce(cardinality(parts), 0);
          o_kind int[] := '{}';
          o_ffn text[] := '{}';
          o_addr jsonb[] := '{}';
          o_role name[] := '{}';
          o_diag int[] := '{}';
          delivered name[] := '{}';
          full_box name[] := '{}';
          notices jsonb[] := '{}';
          given jsonb;
          matched name[];
          m kovendi.mailbox;
          members int;
          at_time timestamp := localtimestamp;
          rap int;
          base jsonb;
          rc jsonb;
          vis int;
          nid bigint;
          sid bigint;
          r name;
          total bigint := 0;
        BEGIN
          SELECT * INTO st FROM kovendi.settings;
          PERFORM kovendi.check_array(parts, nparts, 'body parts');
          IF nparts > 8 THEN
            RAISE EXCEPTION USING ERRCODE = 'KV012', MESSAGE = 'at most 8 body parts';
          END IF;
          FOR j IN 1..nparts LOOP
            total := total + octet_length(parts[j]);
          END LOOP;
          IF total > st.max_message THEN
            RAISE EXCEPTION USING ERRCODE = 'KV012',
              MESSAGE = 'message of ' || total || ' bytes, at most ' || st.max_message;
          END IF;
          rap := coalesce(h->>'reportReq', '3')::int;

          FOR i IN 1..n LOOP
            IF r_form[i] = 1 THEN
              given := '{}';
              FOR j IN 1..20 LOOP
                IF r_addr[(i - 1) * 20 + j] <> '' THEN
                  given := given || jsonb_build_object(keys[j], r_addr[(i - 1) * 20 + j]);
                END IF;
              END LOOP;
              matched := '{}';
              IF EXISTS (SELECT 1 FROM jsonb_each_text(given) g WHERE trim(g.value) <> '') THEN
                matched := ARRAY(SELECT mb.role FROM kovendi.mailbox mb WHERE NOT EXISTS (
                    SELECT 1 FROM jsonb_each_text(given) g WHERE trim(g.value) <> ''
                      AND upper(trim(g.value)) <> upper(trim(coalesce(mb.addr->>g.key, ''))))
                  ORDER BY upper(mb.usr));
              END IF;
              o_kind := array_append(o_kind, r_kind[i]);
              o_ffn := array_append(o_ffn, r_ffn[i]);
              o_addr := array_append(o_addr, given);
              IF cardinality(matched) = 1 THEN
                o_role := array_append(o_role, matched[1]);
                o_diag := array_append(o_diag, -1);
              ELSE
                o_role := array_append(o_role, NULL::name);
                o_diag := array_append(o_diag,
                  CASE WHEN cardinality(matched) = 0 THEN 0 ELSE 1 END);
              END IF;
            ELSIF r_form[i] = 5 THEN
              SELECT mb.* INTO m FROM kovendi.alias a JOIN kovendi.mailbox mb ON mb.role = a.role
                WHERE a.key = upper(trim(r_name[i]));
              IF FOUND THEN
                o_kind := array_append(o_kind, r_kind[i]);
                o_ffn := array_append(o_ffn, m.ffn);
                o_addr := array_append(o_addr, m.addr);
                o_role := array_append(o_role, m.role);
                o_diag := array_append(o_diag, -1);
              ELSE
                o_kind := array_append(o_kind, r_kind[i]);
                o_ffn := array_append(o_ffn, left(r_name[i], 32));
                o_addr := array_append(o_addr, kovendi.named(r_name[i]));
                o_role := array_append(o_role, NULL::name);
                o_diag := array_append(o_diag, 0);
              END IF;
            ELSE
              members := 0;
              FOR m IN SELECT mb.* FROM kovendi.list_member lm
                  JOIN kovendi.mailbox mb ON mb.role = lm.role
                  WHERE lm.key = upper(trim(r_name[i])) ORDER BY lm.pos LOOP
                o_kind := array_append(o_kind, r_kind[i]);
                o_ffn := array_append(o_ffn, m.ffn);
                o_addr := array_append(o_addr, m.addr);
                o_role := array_append(o_role, m.role);
                o_diag := array_append(o_diag, -1);
                members := members + 1;
              END LOOP;
              IF members = 0 THEN
                o_kind := array_append(o_kind, r_kind[i]);
                o_ffn := array_append(o_ffn, left(r_name[i], 32));
                o_addr := array_append(o_addr, kovendi.named(r_name[i]));
                o_role := array_append(o_role, NULL::name);
                o_diag := array_append(o_diag, 0);
              END IF;
            END IF;
          END LOOP;

          -- one mailbox at a time, in a fixed order: take its row, then check its room
          FOR r IN SELECT DISTINCT x FROM unnest(o_role) x WHERE x IS NOT NULL ORDER BY 1 LOOP
            PERFORM kovendi.lock_mailbox(r);
            IF kovendi.has_room(r, sender, total) THEN
              delivered := array_append(delivered, r);
            ELSE
              full_box := array_append(full_box, r);
            END IF;
          END LOOP;
          FOR i IN 1..cardinality(o_kind) LOOP
            IF o_role[i] = ANY (full_box) THEN
              o_role[i] := NULL;
              o_diag[i] := 4;
            END IF;
          END LOOP;

          IF rap <> 1 THEN
            FOR i IN 1..cardinality(o_kind) LOOP
              IF o_role[i] IS NOT NULL AND rap <> 2 THEN
                notices := array_append(notices, jsonb_build_array(o_ffn[i], o_addr[i], 1,
                  kovendi.time_key(at_time), 0, 0));
              ELSIF o_role[i] IS NULL THEN
                notices := array_append(notices, jsonb_build_array(o_ffn[i], o_addr[i], 2, '',
                  1, o_diag[i]));
              END IF;
            END LOOP;
          END IF;

          base := h || jsonb_build_object('orig.user', sender.usr, 'orig.ffn',
              CASE WHEN coalesce(h->>'orig.ffn', '') = '' THEN sender.ffn ELSE h->>'orig.ffn' END,
              'parts', nparts::text)
            || kovendi.addr_props('orig.addr.', sender.addr);
          FOR j IN 1..nparts LOOP
            base := base || jsonb_build_object('part.' || j || '.size',
              octet_length(parts[j])::text);
          END LOOP;
          base := base || jsonb_build_object('size', total::text);

          FOREACH r IN ARRAY delivered LOOP
            rc := '{}';
            vis := 0;
            FOR i IN 1..cardinality(o_kind) LOOP
              IF o_kind[i] <> 3 OR o_role[i] = r THEN
                rc := rc || jsonb_build_object('rcpt.' || vis || '.type', o_kind[i]::text,
                    'rcpt.' || vis || '.ffn', o_ffn[i])
                  || kovendi.addr_props('rcpt.' || vis || '.addr.', o_addr[i]);
                vis := vis + 1;
              END IF;
            END LOOP;
            nid := kovendi.next_list_id(r);
            INSERT INTO kovendi.entry VALUES (r, nid, kovendi.new_entry(1, nid, at_time) || base
              || rc || jsonb_build_object('rcpt.n', vis::text));
            INSERT INTO kovendi.part SELECT r, nid, k, parts[k] FROM generate_series(1, nparts) k;
          END LOOP;

          sid := nextval('kovendi.submission_seq');
          INSERT INTO kovendi.submission VALUES (sid, sender.role, pg_current_xact_id(),
            cardinality(delivered), coalesce(h->>'ipMsgId', ''), at_time, to_jsonb(notices));
          DELETE FROM kovendi.accepted
            WHERE role = sender.role AND at < clock_timestamp() - interval '90 days';
          INSERT INTO kovendi.accepted
            VALUES (sender.role, coalesce(h->>'ipMsgId', ''), clock_timestamp());
          RETURN sid;
        END $$;

        -- the number of mailboxes that the caller's committed submission SID reached; its
        -- delivery reports are in the caller's mailbox from then on
        CREATE FUNCTION kovendi.submission_result(sid bigint) RETURNS int
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          reached int := kovendi.settle(kovendi.caller(), sid);
        BEGIN
          IF reached < 0 THEN
            RAISE EXCEPTION USING ERRCODE = 'KV005', MESSAGE = 'no such submission';
          END IF;
          RETURN reached;
        END $$;

        -- whether the caller's mailbox submitted a message with this identifier at or after p_since
        CREATE FUNCTION kovendi.accepted_since(p_mid text, p_since timestamptz)
        RETURNS boolean LANGUAGE sql STABLE SECURITY DEFINER
        SET search_path = pg_catalog, pg_temp AS $$
          SELECT EXISTS (SELECT 1 FROM kovendi.accepted
            WHERE role = (kovendi.caller()).role AND ip_msg_id = p_mid AND at >= p_since)
        $$;

        -- marks an item of the caller's mailbox READ; a first fetch of a message that asks for
        -- receipt notifications notifies its originator. False when it was READ already.
        CREATE FUNCTION kovendi.mark_read(p_id bigint) RETURNS boolean
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          m kovendi.mailbox := kovendi.caller();
          e jsonb;
        BEGIN
          SELECT props INTO e FROM kovendi.entry WHERE owner = m.role AND list_id = p_id
            FOR UPDATE;
          IF NOT FOUND THEN
            RAISE EXCEPTION USING ERRCODE = 'KV005', MESSAGE = 'no such item';
          END IF;
          IF e->>'access' = 'READ' THEN
            RETURN false;
          END IF;
          UPDATE kovendi.entry SET props = props || jsonb_build_object('access', 'READ',
              'readTime', kovendi.time_key(localtimestamp))
            WHERE owner = m.role AND list_id = p_id;
          IF e->>'type' = '1' AND e->>'notifReq' = '3' THEN
            PERFORM kovendi.notify_originator(e, m, 1, kovendi.time_key(localtimestamp), 0, 0);
          END IF;
          RETURN true;
        END $$;

        -- deletes an item of the caller's mailbox; an unread message whose originator asked
        -- for non-receipt notifications notifies it
        CREATE FUNCTION kovendi.delete_entry(p_id bigint) RETURNS void
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          m kovendi.mailbox := kovendi.caller();
          e jsonb;
        BEGIN
          DELETE FROM kovendi.entry WHERE owner = m.role AND list_id = p_id RETURNING props INTO e;
          IF NOT FOUND THEN
            RAISE EXCEPTION USING ERRCODE = 'KV005', MESSAGE = 'no such item';
          END IF;
          IF e->>'type' = '1' AND coalesce(e->>'access', '') <> 'READ'
              AND e->>'notifReq' IN ('2', '3') THEN
            PERFORM kovendi.notify_originator(e, m, 2, '', 0, 1);
          END IF;
        END $$;

        RESET ROLE;
        REVOKE CREATE ON SCHEMA kovendi FROM kovendi_service;
        GRANT EXECUTE ON FUNCTION kovendi.list_id_text(bigint) TO kovendi_admin;
        SET LOCAL ROLE kovendi_admin;

        -- Administration: run by kovendi-store as kovendi_admin; no mailbox role may call them.
        CREATE FUNCTION kovendi.norm_addr(addr jsonb) RETURNS jsonb
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT coalesce(jsonb_object_agg(a.key, upper(trim(a.value))), '{}'::jsonb)
          FROM jsonb_each_text(addr) a WHERE trim(a.value) <> '' $$;

        CREATE FUNCTION kovendi.addr_text(addr jsonb) RETURNS text
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT coalesce(string_agg(a.key || '=' || a.value, ' ' ORDER BY array_position(
            ARRAY['COU','ADM','PMD','SUR','GIV','INI','GQU','ORG','OUA','OUB','OUC','OUD','DTA',
              'DVA','DTB','DVB','DTC','DVC','DTD','DVD'], a.key)), '')
          FROM jsonb_each_text(addr) a WHERE a.value <> '' $$;

        CREATE FUNCTION kovendi.role_of(p_usr text) RETURNS name
        LANGUAGE plpgsql STABLE SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          r name;
        BEGIN
          SELECT role INTO r FROM kovendi.mailbox WHERE upper(usr) = upper(trim(p_usr));
          IF NOT FOUND THEN
            RAISE EXCEPTION 'no mailbox %', p_usr;
          END IF;
          RETURN r;
        END $$;

        -- the service's limits on mailbox role R, or on every mailbox role when R is NULL
        CREATE FUNCTION kovendi.admin_apply_limits(r name) RETURNS void
        LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          s kovendi.settings;
          x name;
        BEGIN
          SELECT * INTO s FROM kovendi.settings;
          FOR x IN SELECT m.role FROM kovendi.mailbox m WHERE r IS NULL OR m.role = r LOOP
            EXECUTE format('ALTER ROLE %I CONNECTION LIMIT %s', x, greatest(1, s.connections));
            EXECUTE format('ALTER ROLE %I SET statement_timeout = %L', x, s.statement_ms);
            EXECUTE format('ALTER ROLE %I SET lock_timeout = %L', x, s.lock_wait_ms);
            EXECUTE format('ALTER ROLE %I SET idle_in_transaction_session_timeout = %L', x,
              s.idle_ms);
          END LOOP;
        END $$;

        CREATE FUNCTION kovendi.admin_add_mailbox(p_role text, p_usr text,
            p_ffn text, p_addr jsonb, p_verifier text)
        RETURNS void LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          other text;
        BEGIN
          IF EXISTS (SELECT 1 FROM kovendi.mailbox WHERE upper(usr) = upper(p_usr)) THEN
            RAISE EXCEPTION 'mailbox % already exists', p_usr;
          END IF;
          SELECT usr INTO other FROM kovendi.mailbox
            WHERE kovendi.norm_addr(addr) = kovendi.norm_addr(p_addr);
          IF FOUND THEN
            RAISE EXCEPTION 'mailbox % already has the address %', other,
              kovendi.addr_text(p_addr);
          END IF;
          EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE kovendi_mailbox', p_role,
            p_verifier);
          INSERT INTO kovendi.mailbox (role, usr, id, ffn, addr) VALUES (p_role, p_usr,
            nextval('kovendi.mailbox_id_seq'), p_ffn, p_addr);
          PERFORM kovendi.admin_apply_limits(p_role);
        END $$;

        CREATE FUNCTION kovendi.admin_set_password(p_usr text, p_verifier text)
        RETURNS void LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
        BEGIN
          EXECUTE format('ALTER ROLE %I PASSWORD %L', kovendi.role_of(p_usr), p_verifier);
        END $$;

        CREATE FUNCTION kovendi.name_free(p_name text) RETURNS void
        LANGUAGE plpgsql STABLE SET search_path = pg_catalog, pg_temp AS $$
        BEGIN
          IF EXISTS (SELECT 1 FROM kovendi.alias WHERE key = upper(trim(p_name)))
              OR EXISTS (SELECT 1 FROM kovendi.list WHERE key = upper(trim(p_name))) THEN
            RAISE EXCEPTION 'the name % is already an alias or a list', p_name;
          END IF;
        END $$;

        CREATE FUNCTION kovendi.admin_add_alias(p_name text, p_usr text)
        RETURNS void LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          r name := kovendi.role_of(p_usr);
        BEGIN
          PERFORM kovendi.name_free(p_name);
          INSERT INTO kovendi.alias VALUES (upper(trim(p_name)), p_name, r);
        END $$;

        CREATE FUNCTION kovendi.admin_add_list(p_name text, p_users text[])
        RETURNS void LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          roles name[] := '{}';
          r name;
          u text;
        BEGIN
          FOREACH u IN ARRAY p_users LOOP
            r := kovendi.role_of(u);
            IF NOT (r = ANY (roles)) THEN
              roles := array_append(roles, r);
            END IF;
          END LOOP;
          PERFORM kovendi.name_free(p_name);
          INSERT INTO kovendi.list VALUES (upper(trim(p_name)), p_name);
          INSERT INTO kovendi.list_member SELECT upper(trim(p_name)), k, roles[k]
            FROM generate_subscripts(roles, 1) k;
        END $$;

        RESET ROLE;
        REVOKE ALL ON ALL FUNCTIONS IN SCHEMA kovendi FROM PUBLIC;
        GRANT EXECUTE ON FUNCTION kovendi.open_session(), kovendi.take_fault(text),
          kovendi.resolve_alias(text), kovendi.submit(text[], int[], int[], text[], text[], text[],
          bytea[]), kovendi.submission_result(bigint), kovendi.mark_read(bigint),
          kovendi.delete_entry(bigint), kovendi.accepted_since(text, timestamptz) TO kovendi_mailbox;
        UPDATE kovendi.settings SET version = 2;
        SELECT kovendi.admin_apply_limits(NULL);
        """;
}
