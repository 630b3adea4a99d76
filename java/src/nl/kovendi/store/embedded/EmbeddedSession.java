package nl.kovendi.store.embedded;

import java.nio.file.Path;
import java.util.List;

import nl.kovendi.objects.MessageOut;
import nl.kovendi.objects.ORNameForm11;
import nl.kovendi.store.api.Entry;
import nl.kovendi.store.api.Faults;
import nl.kovendi.store.api.Fetched;
import nl.kovendi.store.api.MailSession;
import nl.kovendi.store.api.OpenFault;
import nl.kovendi.store.api.StoreException;

/** A mailbox session on the embedded store in a directory. */
public final class EmbeddedSession implements MailSession {
    private final MailService service;
    private final Directory.Mailbox mailbox;

    private EmbeddedSession(MailService service) throws StoreException {
        this.service = service;
        this.mailbox = service.mailbox();
    }

    /** Logs in to the store in {@code dir}; the store's rule for API_open applies first. */
    public static EmbeddedSession open(Path dir, String user, String password, OpenFault fault)
            throws StoreException {
        Store store = Store.open(dir);
        Faults.Rule rule = FaultFile.take(store, "API_open");
        if (rule != null) {
            fault.apply(rule);
        }
        return new EmbeddedSession(MailService.login(store, user, password));
    }

    @Override
    public String user() {
        return mailbox.user;
    }

    @Override
    public long id() {
        return mailbox.id;
    }

    @Override
    public String freeFormName() {
        return mailbox.freeFormName;
    }

    @Override
    public int capacity() {
        return service.store().capacity();
    }

    @Override
    public int[] counts() throws StoreException {
        return service.counts();
    }

    @Override
    public short nextSessionId() throws StoreException {
        return service.nextSessionId();
    }

    @Override
    public Faults.Rule takeFault(String operation) throws StoreException {
        return FaultFile.take(service.store(), operation);
    }

    @Override
    public void submit(MessageOut msg, Path workingDir) throws StoreException {
        service.submit(msg, workingDir);
    }

    @Override
    public boolean acceptedSince(String ipMsgId, long sinceMillis) throws StoreException {
        return service.acceptedSince(ipMsgId, sinceMillis);
    }

    @Override
    public List<Entry> list(String filter, String previous, int max) throws StoreException {
        return service.list(filter, previous, max);
    }

    @Override
    public Fetched fetch(String listId, String receiveDir, Path workingDir)
            throws StoreException {
        return service.fetch(listId, receiveDir, workingDir);
    }

    @Override
    public void delete(String listId) throws StoreException {
        service.delete(listId);
    }

    @Override
    public ORNameForm11 resolveAlias(String alias) throws StoreException {
        Directory.Mailbox m = service.resolveAlias(alias);
        return m == null ? null : m.address.toForm11(m.freeFormName);
    }

    @Override
    public void changePassword(String newPassword) throws StoreException {
        service.changePassword(newPassword);
    }

    @Override
    public String describe() {
        return service.store().dir().toString();
    }

    @Override
    public void close() {
        // the embedded store keeps nothing open between calls
    }
}
