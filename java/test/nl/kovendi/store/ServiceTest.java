package nl.kovendi.store;

/** Placeholder. */
public final class ServiceTest {
    public static void main(String[] args) {
        Check c = new Check();
        c.run("nothing", () -> { });
        c.finish();
    }
}
