package nl.kovendi.store.api;

/** Applies the fault-injection rule of API_open at the point where a store takes it. */
public interface OpenFault {
    void apply(Faults.Rule rule) throws StoreException;
}
