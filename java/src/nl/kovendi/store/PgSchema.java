package nl.kovendi.store;

/**
 * The message service's objects in a PostgreSQL database, all in the schema {@code kovendi}. The
 * script is idempotent: it creates what is missing and replaces the functions, so that running it
 * again on a service of the same version changes nothing and on an older one brings it up to date.
 *
 * <p>Each mailbox is a log-in role ({@code kvm_} and the user name in small letters) and a member
 * of {@code kovendi_mailbox}. That group may only read its members' own mailbox entries and body
 * parts (row-level security) and call the functions below; everything that touches another
 * mailbox (submission, reports, notifications) runs in SECURITY DEFINER functions, each call one
 * transaction. Mailbox items are kept as the same key/value properties as the embedded store's
 * entry files. Errors that the client turns into verdicts carry the SQLSTATE {@code KVnnn},
 * nnn the verdict.
 */
final class PgSchema {
    /** The version of the objects below; a later release migrates from it. */
    static final int VERSION = 1;
    static final String MAILBOX_GROUP = "kovendi_mailbox";
    static final String ROLE_PREFIX = "kvm_";

    private PgSchema() {
    }

    static final String SCRIPT = """
        SET client_min_messages = warning;
        CREATE SCHEMA IF NOT EXISTS kovendi;
        REVOKE ALL ON SCHEMA kovendi FROM PUBLIC;
        DO $$ BEGIN
          IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'kovendi_mailbox') THEN
            CREATE ROLE kovendi_mailbox NOLOGIN;
          END IF;
        END $$;
        GRANT USAGE ON SCHEMA kovendi TO kovendi_mailbox;

        CREATE TABLE IF NOT EXISTS kovendi.settings (
          one boolean PRIMARY KEY DEFAULT true CHECK (one),
          version int NOT NULL,
          capacity int NOT NULL);
        INSERT INTO kovendi.settings (version, capacity) VALUES (1, 10000) ON CONFLICT DO NOTHING;
        DO $$ BEGIN
          IF (SELECT version FROM kovendi.settings) > 1 THEN
            RAISE EXCEPTION 'the service has a newer schema (version %)',
              (SELECT version FROM kovendi.settings);
          END IF;
        END $$;

        CREATE TABLE IF NOT EXISTS kovendi.mailbox (
          role name PRIMARY KEY,
          usr text NOT NULL,
          id bigint NOT NULL,
          ffn text NOT NULL,
          addr jsonb NOT NULL);
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
        CREATE TABLE IF NOT EXISTS kovendi.submission (
          role name NOT NULL,
          ip_msg_id text NOT NULL,
          at timestamptz NOT NULL);
        CREATE INDEX IF NOT EXISTS submission_lookup ON kovendi.submission (role, ip_msg_id, at);
        CREATE TABLE IF NOT EXISTS kovendi.fault (
          seq bigserial PRIMARY KEY,
          operation text NOT NULL,
          delay_ms bigint NOT NULL,
          verdict int NOT NULL,
          left_count int NOT NULL);

        ALTER TABLE kovendi.entry ENABLE ROW LEVEL SECURITY;
        ALTER TABLE kovendi.part ENABLE ROW LEVEL SECURITY;
        DROP POLICY IF EXISTS own_entries ON kovendi.entry;
        CREATE POLICY own_entries ON kovendi.entry FOR SELECT TO kovendi_mailbox
          USING (owner = current_user);
        DROP POLICY IF EXISTS own_parts ON kovendi.part;
        CREATE POLICY own_parts ON kovendi.part FOR SELECT TO kovendi_mailbox
          USING (owner = current_user);
        REVOKE ALL ON ALL TABLES IN SCHEMA kovendi FROM PUBLIC;
        REVOKE ALL ON ALL SEQUENCES IN SCHEMA kovendi FROM PUBLIC;
        GRANT SELECT ON kovendi.entry, kovendi.part TO kovendi_mailbox;

        CREATE OR REPLACE FUNCTION kovendi.list_id_text(id bigint) RETURNS text
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp
        AS $$ SELECT lpad(id::text, 10, '0') $$;

        CREATE OR REPLACE FUNCTION kovendi.time_key(t timestamp) RETURNS text
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp
        AS $$ SELECT to_char(t, 'YYYYMMDDHH24MI') $$;

        -- the filled fields of an address as properties PREFIX+KEY
        CREATE OR REPLACE FUNCTION kovendi.addr_props(prefix text, addr jsonb) RETURNS jsonb
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT coalesce(jsonb_object_agg(prefix || a.key, a.value), '{}'::jsonb)
          FROM jsonb_each_text(addr) a WHERE a.value <> '' $$;

        CREATE OR REPLACE FUNCTION kovendi.new_entry(type int, id bigint, at timestamp)
        RETURNS jsonb LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT jsonb_build_object('type', type::text, 'listId', kovendi.list_id_text(id),
            'entryTime', kovendi.time_key(at), 'access', 'NEW') $$;

        -- notification entry I of a report or notification
        CREATE OR REPLACE FUNCTION kovendi.notice(i int, ffn text, addr jsonb, notify_type int,
            time_key text, reason int, diag int)
        RETURNS jsonb LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT jsonb_build_object('ntf.' || i || '.ffn', coalesce(ffn, ''),
              'ntf.' || i || '.notifyType', notify_type::text, 'ntf.' || i || '.time', time_key,
              'ntf.' || i || '.reason', reason::text, 'ntf.' || i || '.diag', diag::text)
            || kovendi.addr_props('ntf.' || i || '.addr.', addr) $$;

        -- an alias or list name that reached no mailbox, as an address with the name as surname
        CREATE OR REPLACE FUNCTION kovendi.named(n text) RETURNS jsonb
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT CASE WHEN coalesce(n, '') = '' THEN '{}'::jsonb
            ELSE jsonb_build_object('SUR', left(n, 40)) END $$;

        -- the mailbox of the logged-in role
        CREATE OR REPLACE FUNCTION kovendi.caller() RETURNS kovendi.mailbox
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

        -- a single notification about MSG from READER into the originator's mailbox
        CREATE OR REPLACE FUNCTION kovendi.notify_originator(msg jsonb, reader kovendi.mailbox,
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
          nid := nextval('kovendi.list_id_seq');
          INSERT INTO kovendi.entry VALUES (orig, nid, kovendi.new_entry(2, nid, localtimestamp)
            || jsonb_build_object('ipMsgId', coalesce(msg->>'ipMsgId', ''), 'ntf.n', '1',
                 'ntf.total', '1')
            || kovendi.notice(0, reader.ffn, reader.addr, notify_type, time_key, reason, diag));
        END $$;

        CREATE OR REPLACE FUNCTION kovendi.open_session(OUT o_usr text, OUT o_id bigint,
            OUT o_ffn text, OUT o_capacity int, OUT o_total int, OUT o_fresh int,
            OUT o_session int)
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          m kovendi.mailbox := kovendi.caller();
        BEGIN
          o_usr := m.usr;
          o_id := m.id;
          o_ffn := m.ffn;
          SELECT s.capacity INTO o_capacity FROM kovendi.settings s;
          SELECT count(*), count(*) FILTER (WHERE e.props->>'access' <> 'READ')
            INTO o_total, o_fresh FROM kovendi.entry e WHERE e.owner = m.role;
          o_session := (nextval('kovendi.session_seq') - 1) % 32767 + 1;
        END $$;

        -- takes the first fault rule of OP, counting it down; no row when there is none
        CREATE OR REPLACE FUNCTION kovendi.take_fault(op text)
        RETURNS TABLE (o_delay_ms bigint, o_verdict int, o_count int)
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          f kovendi.fault;
        BEGIN
          PERFORM kovendi.caller();
          SELECT * INTO f FROM kovendi.fault WHERE operation = op ORDER BY seq LIMIT 1
            FOR UPDATE;
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
        CREATE OR REPLACE FUNCTION kovendi.resolve_alias(alias_name text)
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
        -- PARTS the body parts. Delivers into every reached mailbox and reports to the sender,
        -- all or nothing. Returns the number of mailboxes reached.
        CREATE OR REPLACE FUNCTION kovendi.submit(head text[], r_kind int[], r_form int[],
            r_name text[], r_ffn text[], r_addr text[], parts bytea[])
        RETURNS int LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          keys constant text[] := ARRAY['COU','ADM','PMD','SUR','GIV','INI','GQU','ORG','OUA',
            'OUB','OUC','OUD','DTA','DVA','DTB','DVB','DTC','DVC','DTD','DVD'];
          sender kovendi.mailbox := kovendi.caller();
          h jsonb;
          cap int;
          o_kind int[] := '{}';
          o_ffn text[] := '{}';
          o_addr jsonb[] := '{}';
          o_role name[] := '{}';
          o_diag int[] := '{}';
          delivered name[] := '{}';
          notices jsonb[] := '{}';
          given jsonb;
          matched name[];
          m kovendi.mailbox;
          members int;
          n int := coalesce(array_length(r_kind, 1), 0);
          nparts int := coalesce(array_length(parts, 1), 0);
          at_time timestamp := localtimestamp;
          rap int;
          base jsonb;
          rc jsonb;
          nt jsonb;
          vis int;
          nid bigint;
          r name;
          total bigint := 0;
          i int;
          j int;
        BEGIN
          IF n = 0 THEN
            RAISE EXCEPTION USING ERRCODE = 'KV007', MESSAGE = 'message without recipients';
          END IF;
          IF n > 20 OR nparts > 8 THEN
            RAISE EXCEPTION USING ERRCODE = 'KV012',
              MESSAGE = 'at most 20 recipients and 8 body parts';
          END IF;
          SELECT coalesce(jsonb_object_agg(p.key, p.value), '{}'::jsonb) INTO h
            FROM jsonb_each_text(jsonb_object(head)) p
            WHERE p.key IN ('ipMsgId', 'inReplyTo', 'subject', 'priority', 'sensitivity',
              'expiryDate', 'defDeliveryDate', 'notifReq', 'reportReq', 'replyReq', 'orig.ffn');
          rap := coalesce(h->>'reportReq', '3')::int;
          SELECT s.capacity INTO cap FROM kovendi.settings s;

          FOR i IN 1..n LOOP
            IF r_form[i] = 1 THEN
              given := '{}';
              FOR j IN 1..20 LOOP
                IF coalesce(r_addr[(i - 1) * 20 + j], '') <> '' THEN
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
              o_ffn := array_append(o_ffn, coalesce(r_ffn[i], ''));
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
                o_ffn := array_append(o_ffn, left(left(coalesce(r_name[i], ''), 40), 32));
                o_addr := array_append(o_addr, kovendi.named(r_name[i]));
                o_role := array_append(o_role, NULL::name);
                o_diag := array_append(o_diag, 0);
              END IF;
            ELSIF r_form[i] = 6 THEN
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
                o_ffn := array_append(o_ffn, left(left(coalesce(r_name[i], ''), 40), 32));
                o_addr := array_append(o_addr, kovendi.named(r_name[i]));
                o_role := array_append(o_role, NULL::name);
                o_diag := array_append(o_diag, 0);
              END IF;
            ELSE
              RAISE EXCEPTION USING ERRCODE = 'KV012',
                MESSAGE = 'recipient ' || i || ' has no O/R name of a supported type';
            END IF;
          END LOOP;

          FOR i IN 1..cardinality(o_kind) LOOP
            IF o_role[i] IS NOT NULL AND NOT (o_role[i] = ANY (delivered)) THEN
              IF (SELECT count(*) FROM kovendi.entry e WHERE e.owner = o_role[i]) >= cap THEN
                o_role[i] := NULL;
                o_diag[i] := 4;
              ELSE
                delivered := array_append(delivered, o_role[i]);
              END IF;
            END IF;
          END LOOP;
          IF cardinality(delivered) = 0 THEN
            RAISE EXCEPTION USING ERRCODE = 'KV007',
              MESSAGE = 'none of the recipients could be reached';
          END IF;

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
            base := base || jsonb_build_object('part.' || j || '.size', length(parts[j])::text);
            total := total + length(parts[j]);
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
            nid := nextval('kovendi.list_id_seq');
            INSERT INTO kovendi.entry VALUES (r, nid, kovendi.new_entry(1, nid, at_time) || base
              || rc || jsonb_build_object('rcpt.n', vis::text));
            INSERT INTO kovendi.part SELECT r, nid, k, parts[k] FROM generate_series(1, nparts) k;
          END LOOP;

          i := 0;
          WHILE i < cardinality(notices) LOOP
            rc := jsonb_build_object('ipMsgId', coalesce(h->>'ipMsgId', ''),
              'ntf.n', least(21, cardinality(notices) - i)::text,
              'ntf.total', cardinality(notices)::text);
            FOR j IN 0..least(21, cardinality(notices) - i) - 1 LOOP
              nt := notices[i + j + 1];
              rc := rc || kovendi.notice(j, nt->>0, nt->1, (nt->>2)::int, nt->>3, (nt->>4)::int,
                (nt->>5)::int);
            END LOOP;
            nid := nextval('kovendi.list_id_seq');
            INSERT INTO kovendi.entry VALUES (sender.role, nid, kovendi.new_entry(3, nid, at_time) || rc);
            i := i + 21;
          END LOOP;
          DELETE FROM kovendi.submission
            WHERE role = sender.role AND at < clock_timestamp() - interval '90 days';
          INSERT INTO kovendi.submission
            VALUES (sender.role, coalesce(h->>'ipMsgId', ''), clock_timestamp());
          RETURN cardinality(delivered);
        END $$;

        -- whether the caller's mailbox submitted a message with this identifier at or after p_since
        CREATE OR REPLACE FUNCTION kovendi.accepted_since(p_mid text, p_since timestamptz)
        RETURNS boolean LANGUAGE sql STABLE SECURITY DEFINER
        SET search_path = pg_catalog, pg_temp AS $$
          SELECT EXISTS (SELECT 1 FROM kovendi.submission
            WHERE role = (kovendi.caller()).role AND ip_msg_id = p_mid AND at >= p_since)
        $$;

        -- marks an item of the caller's mailbox READ; a first fetch of a message that asks for
        -- receipt notifications notifies its originator. False when it was READ already.
        CREATE OR REPLACE FUNCTION kovendi.mark_read(p_id bigint) RETURNS boolean
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
        CREATE OR REPLACE FUNCTION kovendi.delete_entry(p_id bigint) RETURNS void
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

        -- Administration: run by the administrator's own connection (kovendi-store); no
        -- mailbox role may call them.
        CREATE OR REPLACE FUNCTION kovendi.norm_addr(addr jsonb) RETURNS jsonb
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT coalesce(jsonb_object_agg(a.key, upper(trim(a.value))), '{}'::jsonb)
          FROM jsonb_each_text(addr) a WHERE trim(a.value) <> '' $$;

        CREATE OR REPLACE FUNCTION kovendi.addr_text(addr jsonb) RETURNS text
        LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
          SELECT coalesce(string_agg(a.key || '=' || a.value, ' ' ORDER BY array_position(
            ARRAY['COU','ADM','PMD','SUR','GIV','INI','GQU','ORG','OUA','OUB','OUC','OUD','DTA',
              'DVA','DTB','DVB','DTC','DVC','DTD','DVD'], a.key)), '')
          FROM jsonb_each_text(addr) a WHERE a.value <> '' $$;

        CREATE OR REPLACE FUNCTION kovendi.role_of(p_usr text) RETURNS name
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

        CREATE OR REPLACE FUNCTION kovendi.admin_add_mailbox(p_role text, p_usr text,
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
          INSERT INTO kovendi.mailbox VALUES (p_role, p_usr, nextval('kovendi.mailbox_id_seq'),
            p_ffn, p_addr);
        END $$;

        CREATE OR REPLACE FUNCTION kovendi.admin_set_password(p_usr text, p_verifier text)
        RETURNS void LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
        BEGIN
          EXECUTE format('ALTER ROLE %I PASSWORD %L', kovendi.role_of(p_usr), p_verifier);
        END $$;

        CREATE OR REPLACE FUNCTION kovendi.name_free(p_name text) RETURNS void
        LANGUAGE plpgsql STABLE SET search_path = pg_catalog, pg_temp AS $$
        BEGIN
          IF EXISTS (SELECT 1 FROM kovendi.alias WHERE key = upper(trim(p_name)))
              OR EXISTS (SELECT 1 FROM kovendi.list WHERE key = upper(trim(p_name))) THEN
            RAISE EXCEPTION 'the name % is already an alias or a list', p_name;
          END IF;
        END $$;

        CREATE OR REPLACE FUNCTION kovendi.admin_add_alias(p_name text, p_usr text)
        RETURNS void LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
        DECLARE
          r name := kovendi.role_of(p_usr);
        BEGIN
          PERFORM kovendi.name_free(p_name);
          INSERT INTO kovendi.alias VALUES (upper(trim(p_name)), p_name, r);
        END $$;

        CREATE OR REPLACE FUNCTION kovendi.admin_add_list(p_name text, p_users text[])
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

        REVOKE ALL ON ALL FUNCTIONS IN SCHEMA kovendi FROM PUBLIC;
        GRANT EXECUTE ON FUNCTION kovendi.open_session(), kovendi.take_fault(text),
          kovendi.resolve_alias(text), kovendi.submit(text[], int[], int[], text[], text[], text[],
          bytea[]), kovendi.mark_read(bigint), kovendi.delete_entry(bigint),
          kovendi.accepted_since(text, timestamptz) TO kovendi_mailbox;
        """;
}
